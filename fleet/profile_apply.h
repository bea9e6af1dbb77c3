// One modem brought to a profile: read it, merge the profile, check the whole
// record by the setting rules, write it, read it back and compare.
// The step a run over many units repeats for each.
#pragma once

#include <string>
#include <vector>

#include "fleet/record_text.h"
#include "operations/modem_client.h"
#include "profile/profile.h"
#include "record/setting_rules.h"

namespace telvaro {

struct ApplyOptions {
  bool dryRun = false;  // stop after the changes are known; nothing is written
  std::string backupDir;  // not empty: the record read is backed up there before any write
  std::string portName;   // names the backup
};

struct ApplyResult {
  enum class Outcome {
    Held,        // written, and the modem holds every setting
    DryRun,      // the changes are known; nothing was sent after the read
    NoAnswer,    // the modem did not answer the read or the write
    Refused,     // the merged record breaks the rules; nothing was written
    NotHeld,     // written, but the modem's answer differs in some settings
    NoBackup,    // the backup asked for could not be made; nothing was written
  };
  Outcome outcome = Outcome::NoAnswer;
  std::string failure;                         // why, when NoAnswer (one line)
  ConfigRecord before;                         // the modem's record as read
  ConfigRecord sent;                           // the merged record (sent unless refused or dry)
  std::vector<FieldDifference> changes;        // before -> sent, settings only
  std::vector<Normalisation> normalised;       // what Write stored on its own, with why
  std::vector<ProfileProblem> breaches;        // why it was refused
  std::vector<FieldDifference> notHeld;        // sent -> the modem's answer, settings only
  std::string backup;                          // the backup made, when one was asked for
};

ApplyResult ApplyProfile(ModemClient& modem, const Profile& profile, const ApplyOptions& options);

// The settings (fields with a setting rule) whose bytes differ between two
// records, in record order: what diff, apply and verify report.
std::vector<FieldDifference> SettingDifferences(const ConfigRecord& a, const ConfigRecord& b);

// One setting that differs between two records, its values as the page
// shows them.
struct SettingChange {
  const SettingRule* rule;
  int element;
  std::string key;     // "com.baud", "reboot.reboot_times[1]"
  std::string before;  // the modem's value (the first record's)
  std::string after;
};
// Every setting whose value or bytes differ, in page order; secrets "****"
// unless `showSecrets`.
std::vector<SettingChange> SettingChanges(const ConfigRecord& from, const ConfigRecord& to, bool showSecrets);
// "com.baud: 9600 -> 19200"
// with " (why)" when Write makes the change on its own.
std::string ChangeLine(const SettingChange& change, const std::vector<Normalisation>& normalised = {});

// A setting difference's name as a profile writes it ("com.baud",
// "reboot.reboot_times[1]"); a field no profile holds keeps the dump's name.
std::string ProfileKeyOf(const FieldDifference& d);

}  // namespace telvaro
