// The commands on files alone, without a modem: check, dump, diff, backups.
#include <algorithm>
#include <filesystem>

#include "cli/cmd_shared.h"
#include "fleet/profile_apply.h"
#include "record/factory_defaults.h"

namespace telvaro::cli {
namespace {

struct CheckOptions {
  std::string profile;
  std::vector<std::string> sets;
  std::string units;
  std::vector<std::string> allowEmpty;
};

int Check(const CheckOptions& o) {
  if (!o.units.empty()) return CheckUnitsFile(o.profile, o.sets, o.units, o.allowEmpty);
  const ProfileRead read = ReadProfileWithSets(o.sets, o.profile);
  FailOnProblems(o.profile, ProfileProblems(read), "nothing may be applied");
  // What Write would store on its own, with why.
  ConfigRecord record;
  ApplyFactoryDefaults(record);
  MergeProfile(record, read.profile, true);
  PrintNormalisations(o.profile, NormaliseRecord(record));
  PrintLine(stdout, o.profile + ": " + std::to_string(read.profile.settings.size()) + " setting(s), no problems");
  return 0;
}

struct DumpOptions {
  std::string file;
  bool json = false;
  bool showSecrets = false;
};

int Dump(const DumpOptions& o) {
  const ConfigRecord record = LoadSettings(o.file);
  std::fputs((o.json ? RecordAsJson(record, o.showSecrets) : RecordAsText(record, o.showSecrets)).c_str(), stdout);
  return 0;
}

struct DiffOptions {
  std::string a, b;
  std::vector<std::string> sets;
  bool all = false;
  bool showSecrets = false;
};

int Diff(const DiffOptions& o) {
  const ConfigRecord a = LoadRecord(o.sets, o.a);
  const ConfigRecord b = LoadRecord(o.sets, o.b);
  if (!o.all) {
    const std::vector<SettingChange> changes = SettingChanges(a, b, o.showSecrets);
    for (const SettingChange& c : changes) PrintLine(stdout, ChangeLine(c));
    return changes.empty() ? 0 : 1;  // as diff(1): 1 when they differ
  }
  const std::vector<FieldDifference> differences = DiffRecords(a, b);
  for (const FieldDifference& d : differences) PrintLine(stdout, DifferenceLine(d, o.showSecrets));
  return differences.empty() ? 0 : 1;
}

// Every key of the profile with its form and rule, as the reference lists them.
int Keys(const std::string& page) {
  const std::vector<std::string> pages(kSettingPages.begin(), kSettingPages.end());
  if (!page.empty() && std::find(pages.begin(), pages.end(), page) == pages.end())
    Fail(FailureKind::Usage, "keys: no page " + page + CloseMatch(page, pages) + "; the pages: " +
                                 [&] {
                                   std::string all;
                                   for (const std::string& p : pages) all += (all.empty() ? "" : ", ") + p;
                                   return all;
                                 }());
  for (const SettingRule& rule : kSettingRules) {
    if (!page.empty() && page != rule.page) continue;
    const std::string key = rule.page + std::string(".") + rule.Key();
    PrintLine(stdout, key + std::string(key.size() < 34 ? 34 - key.size() : 1, ' ') + FormText(rule) + ": " +
                          RuleText(rule) + (rule.secret ? "; secret" : ""));
  }
  return 0;
}

// The backups a run made, newest last by name: what each holds and when.
int Backups(const std::string& dir) {
  std::error_code error;
  if (!std::filesystem::is_directory(dir, error)) Fail(FailureKind::Input, dir + ": not a folder");
  const std::vector<BackupInfo> backups = ListBackups(dir);
  if (!backups.empty())
    std::printf("%-16s  %-20s  %-10s  %-20s  %5s  %s\n", "IMEI", "DEVICE NAME", "PORT", "TIME (UTC)", "SIZE", "FILE");
  for (const BackupInfo& b : backups)
    PrintLine(stdout, [&] {
      char line[512];
      std::snprintf(line, sizeof line, "%-16s  %-20s  %-10s  %-20s  %5ju  ", b.imei.c_str(), b.deviceName.c_str(),
                    b.port.c_str(), b.time.c_str(), b.size);
      return line + b.file;
    }());
  std::fprintf(stderr, "%zu backup(s) in %s\n", backups.size(), dir.c_str());
  return 0;
}

}  // namespace

void AddFileCommands(CLI::App& app, CommandTable& commands) {
  auto check = std::make_shared<CheckOptions>();
  CLI::App* command = AddCommand(app, "check", "check a profile without a modem");
  AddFileArgument(*command, "PROFILE", check->profile, "the profile (.yaml, .yml or .json)");
  AddSetOption(*command, check->sets);
  command->add_option("--units", check->units, "check every row of the units file as apply would, without a port")
      ->type_name("UNITS.csv");
  AddAllowEmptyOption(*command, check->allowEmpty);
  commands[command] = [check] { return Check(*check); };

  auto keysPage = std::make_shared<std::string>();
#ifdef _WIN32
  // The Windows installation and its zip keep the reference beside the programs.
  command = AddCommand(app, "keys", "list the profile's keys with their rules (the reference: PROFILE.md beside the program)");
#else
  command = AddCommand(app, "keys", "list the profile's keys with their rules (the reference: /usr/share/doc/telvaro-pro/PROFILE.md)");
#endif
  AddOptionalArgument(*command, "PAGE", *keysPage, "only this page's keys (com, basic, gprs, ...)");
  commands[command] = [keysPage] { return Keys(*keysPage); };

  auto dump = std::make_shared<DumpOptions>();
  command = AddCommand(app, "dump", "show every setting of a settings file");
  AddFileArgument(*command, "FILE", dump->file, "the settings file");
  command->add_flag("--json", dump->json, "as JSON");
  AddShowSecretsOption(*command, dump->showSecrets);
  commands[command] = [dump] { return Dump(*dump); };

  auto diff = std::make_shared<DiffOptions>();
  command = AddCommand(app, "diff", "show the settings that differ (exit 1 if any)");
  AddFileArgument(*command, "A", diff->a, "a settings file or profile, or factory for the factory settings");
  AddFileArgument(*command, "B", diff->b, "the settings file or profile to compare it with, or factory");
  AddSetOption(*command, diff->sets);
  command->add_flag("--all", diff->all, "every field, live status and device bytes included");
  AddShowSecretsOption(*command, diff->showSecrets);
  commands[command] = [diff] { return Diff(*diff); };

  auto backups = std::make_shared<std::string>("backups");
  command = AddCommand(app, "backups", "list the backups apply made: IMEI, device name, port, time and size");
  AddOptionalArgument(*command, "DIR", *backups, "the folder (default backups)");
  commands[command] = [backups] { return Backups(*backups); };
}

}  // namespace telvaro::cli
