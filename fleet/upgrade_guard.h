// A firmware upgrade that keeps the modem's settings. A new firmware may start
// with settings of its own (a reset to the factory's, a changed layout), so
// the record is read and backed up first, the image sent, the modem polled
// with Read until it answers again, and its settings compared with the
// backup; when they differ the backup is written back and read back. A modem
// whose upgrade did not complete, or that does not come back, is never
// written to: its backup is what is left. The single-modem upgrade (the
// window's, `telvaro-cli upgrade --port`) and the firmware campaign over many
// units both run it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fleet/profile_apply.h"
#include "operations/modem_client.h"

namespace telvaro {

struct UpgradeGuardOptions {
  UpgradeHooks hooks;  // progress, stop and packet gap of the transfer
  // How long the modem may take to answer a Read again after the image.
  int restartWaitMs = 60000;
  // Between two Reads that got no answer.
  int pollGapMs = 1000;
  // Write the backup back when the new firmware's settings differ from it.
  bool keepSettings = true;
  std::filesystem::path backupDir;  // the backup goes here
  std::string portName;             // and is named by the port too
  int com = 0;  // reopened by this number when the restart took the device away; 0: never
  // Asked before the backup is written back, with the settings that differ
  // (the window's question); false leaves the new firmware's settings. Empty:
  // keepSettings alone decides.
  std::function<bool(const std::vector<SettingChange>& changed)> confirmRestore;
  // The record the caller has just read from this modem (the fleet reads it
  // to know the unit): backed up as it is, without a second Read.
  std::optional<ConfigRecord> read;
  // With `read`: it comes from this earlier backup (a modem left in its
  // loader answers no Read), which stands as the unit's backup.
  std::string earlierBackup;
  // "backup ...", "waiting for the modem ...": a line per step. May be empty.
  std::function<void(const std::string& line)> step;
  // Called once the modem has taken the whole image, with the loader's last
  // code, before the wait for the restart. May be empty.
  std::function<void(int code)> imageTaken;
  // Sleeps between polls; the real clock when empty (tests shorten it).
  std::function<void(int ms)> sleep;
};

// How far the firmware got.
enum class FirmwareStep {
  NotStarted,  // nothing sent: no answer to the first Read, or no backup
  Failed,      // the transfer ended without the whole image taken
  NotBack,     // the image was taken, the modem did not answer again in time
  Upgraded,    // the image was taken and the modem answers again
};

// What became of the settings.
enum class SettingsFate {
  Unchecked,  // the modem was not read after the upgrade (failed, not back)
  Kept,       // the new firmware holds every setting of the backup
  Restored,   // they differed; the backup was written back and is held
  Lost,       // they differ still: not written back (--no-keep-settings, or
              // the operator said no), or the write-back was not held
};

struct GuardedUpgrade {
  FirmwareStep firmware = FirmwareStep::NotStarted;
  SettingsFate settings = SettingsFate::Unchecked;
  int code = ModemState::kNoAnswer;  // the loader's last code
  std::string failure;               // why it did not end well, one line; "" when it did
  FailureKind kind = FailureKind::NoAnswer;  // the failure's kind
  std::string backup;                // the backup file, once made
  ConfigRecord before;               // the record backed up
  std::vector<SettingChange> changed;  // settings the new firmware did not keep
  double restartSeconds = 0;         // from the last packet to the first answer
  bool ok() const { return failure.empty(); }
};

// Runs the whole guard on an open client. `image` must be loadable
// (UpgradeFlow::LoadImage said nothing).
GuardedUpgrade UpgradeKeepingSettings(ModemClient& modem, std::span<const std::uint8_t> image,
                                      const UpgradeGuardOptions& options);

// The report's words: "upgraded", "failed", "upgraded, not back", "not started".
std::string FirmwareStepText(FirmwareStep step);
// "kept", "restored", "lost", or "" when unchecked.
std::string SettingsFateText(SettingsFate fate);

}  // namespace telvaro
