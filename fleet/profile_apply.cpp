#include "fleet/profile_apply.h"

#include <algorithm>

#include "fleet/fleet.h"
#include "fleet/verified_write.h"

namespace telvaro {

std::vector<FieldDifference> SettingDifferences(const ConfigRecord& a, const ConfigRecord& b) {
  std::vector<FieldDifference> settings = DiffRecords(a, b);
  std::erase_if(settings, [](const FieldDifference& d) {
    return std::none_of(std::begin(kSettingRules), std::end(kSettingRules),
                        [&](const SettingRule& r) { return r.field->offset == d.field->offset; });
  });
  return settings;
}

std::vector<SettingChange> SettingChanges(const ConfigRecord& from, const ConfigRecord& to, bool showSecrets) {
  std::vector<SettingChange> changes;
  for (const SettingRule& rule : kSettingRules) {
    for (int e = 0; e < rule.field->count; ++e) {
      const SettingValue before = ShowSetting(from, rule, e), after = ShowSetting(to, rule, e);
      const std::size_t at = rule.field->ElementOffset(e);
      bool sameBytes = true;
      for (std::size_t i = at; i < at + rule.field->ElementWidth(); ++i)
        sameBytes = sameBytes && from.RawByte(i) == to.RawByte(i);
      if (sameBytes && before == after) continue;
      SettingChange change{&rule, e, rule.page + std::string(".") + ElementKey(rule, e), ShownValue(rule, before),
                           ShownValue(rule, after)};
      if (rule.secret && !showSecrets) change.before = change.after = "\"****\"";
      // A flag stored as 2, bytes behind a text's end: the page shows no change.
      if (before == after) change.after += " (other bytes)";
      changes.push_back(std::move(change));
    }
  }
  return changes;
}

std::string ChangeLine(const SettingChange& c, const std::vector<Normalisation>& normalised) {
  std::string reasons;  // why Write makes this change on its own, if it does
  for (const Normalisation& n : normalised)
    if (n.key == c.key) reasons += (reasons.empty() ? "" : "; ") + n.reason;
  return c.key + ": " + c.before + " -> " + c.after + (reasons.empty() ? "" : " (" + reasons + ")");
}

std::string ProfileKeyOf(const FieldDifference& d) {
  for (const SettingRule& rule : kSettingRules) {
    if (rule.field->offset != d.field->offset) continue;
    // The dump's name is the field's name and, for a list, "[element]".
    return rule.page + std::string(".") + rule.Key() + d.name.substr(std::string_view(d.field->name).size());
  }
  return d.name;
}

ApplyResult ApplyProfile(ModemClient& modem, const Profile& profile, const ApplyOptions& options) {
  ApplyResult result;
  const Result<ConfigRecord> read = modem.Read();
  if (!read) {
    result.failure = OneLine(read.failure());
    return result;
  }
  result.before = result.sent = read.value();
  result.breaches = MergeProfile(result.sent, profile, false);
  if (!result.breaches.empty()) {
    result.outcome = ApplyResult::Outcome::Refused;
    return result;
  }
  // Stored as the window's Write stores it, so both send the same record.
  result.normalised = NormaliseRecord(result.sent);
  result.changes = SettingDifferences(result.before, result.sent);
  if (result.changes.empty()) {
    result.outcome = ApplyResult::Outcome::Held;  // the modem holds the profile already
    return result;
  }
  if (options.dryRun) {
    result.outcome = ApplyResult::Outcome::DryRun;
    return result;
  }
  if (!options.backupDir.empty()) {
    const BackupTaken backup = TakeBackup(options.backupDir, result.before, options.portName);
    if (!backup.failure.empty()) {
      result.failure = backup.failure;
      result.outcome = ApplyResult::Outcome::NoBackup;
      return result;
    }
    result.backup = backup.path;
  }
  // Written, read back and compared: an echo alone does not prove the modem
  // stored the record.
  const VerifiedWrite written = WriteAndVerify(modem, result.sent);
  if (!written.failure.empty()) {
    result.failure = written.failure;
    return result;
  }
  result.notHeld = SettingDifferences(result.sent, modem.Record());
  result.outcome = result.notHeld.empty() ? ApplyResult::Outcome::Held : ApplyResult::Outcome::NotHeld;
  return result;
}

}  // namespace telvaro
