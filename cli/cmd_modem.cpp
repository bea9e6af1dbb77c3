// The commands that talk to modems one at a time or look for them: ports,
// read, write, verify, reboot, upgrade, detect.
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/cmd_shared.h"
#include "cli/fleet_files.h"
#include "cli/profile_apply.h"
#include "cli/verified_write.h"
#include "link/port_discovery.h"
#include "operations/settings_file.h"
#include "operations/traffic_log.h"
#include "protocol/record_checksum.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace telvaro::cli {
namespace {

constexpr const char* kOneModem = "the modem's port: COM<n>, COM<n>=<device path> (repeatable) or a device path";

int ListPorts(const PortOptions& o) {
  const PortListing listing = ListSerialPorts(ReadSystemPortTable(), 1, ResolvePorts(o).map);
  if (!listing.message.empty()) std::fprintf(stderr, "%s\n", listing.message.c_str());
  for (const PortEntry& e : listing.entries)
    std::printf("%-8s %s%s%s\n", e.text.c_str(), e.devicePath.c_str(), e.description.empty() ? "" : "  ",
                e.description.c_str());
  return 0;
}

struct ReadOptions {
  PortOptions port;
  std::string output;
  std::string profile;
  bool includeSecrets = false;
  bool changed = false;
  bool showSecrets = false;
};

void SaveProfile(const ReadOptions& o, const ConfigRecord& record) {
  ProfileWriteOptions options;
  options.toolVersion = TELVARO_VERSION;
  options.includeSecrets = o.includeSecrets;
  char readAt[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(readAt, sizeof readAt, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  options.source = ProfileSource{record.Get(field::me_type), record.Get(field::imei), readAt};
  if (o.changed) {
    // The factory settings on this modem: its own device bytes stay.
    options.onlyDifferentFrom = record;
    ApplyFactoryDefaults(*options.onlyDifferentFrom);
  }
  const bool json = o.profile.size() > 5 && o.profile.compare(o.profile.size() - 5, 5, ".json") == 0;
  const std::string text = json ? WriteProfileJson(record, options) : WriteProfileYaml(record, options);
  // Saved as safely as a settings file; one with the secrets in it is
  // readable by its owner only.
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  const SettingsFileWrite saved = SaveFileSafely(o.profile, bytes, o.includeSecrets ? 0600 : 0644);
  if (!saved.ok()) Fail(FailureKind::File, o.profile + ": cannot write the profile (" + saved.detail + ")");
}

int Read(const ReadOptions& o) {
  const Ports ports = ResolvePorts(o.port);
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  ConfigRecord record = ReadModem(modem, ports);
  if (o.output == "-") {
    // The settings file's bytes, for a pipe: record and checksum.
    record.SetChecksum(RecordChecksum(record.Record()));
    const auto block = record.Block();
    if (std::fwrite(block.data(), 1, block.size(), stdout) != block.size() || std::fflush(stdout) != 0)
      Fail(FailureKind::File, "standard output: " + std::string(kSettingsWriteFailed));
    return 0;
  }
  if (o.changed && o.profile.empty()) Fail(FailureKind::Usage, "read: --changed is for --profile PROFILE");
  if (o.output.empty() && o.profile.empty()) {
    std::fputs(RecordAsText(record, o.showSecrets).c_str(), stdout);
    return 0;
  }
  if (!o.profile.empty()) {
    SaveProfile(o, record);
    PrintLine(stdout, ports.name + ": profile of \"" + record.Get(field::device_name) + "\" saved to " + o.profile);
    if (o.output.empty()) return 0;
  }
  // The file holds exactly what the modem sent: record and checksum.
  if (const SettingsFileWrite written = WriteSettingsFile(o.output, record); !written.ok())
    Fail(FailureKind::File, o.output + ": " + written.message + " (" + written.detail + ")");
  PrintLine(stdout, ports.name + ": settings of \"" + record.Get(field::device_name) + "\" saved to " + o.output);
  return 0;
}

struct WriteOptions {
  PortOptions port;
  std::string file;
  bool force = false;
};

// Every breach of the setting rules as "FILE: key: problem (rule)" on
// standard error; true when there was none.
bool ReportBreaches(const std::string& file, const ConfigRecord& record) {
  const std::vector<RecordBreach> breaches = CheckRecord(record);
  for (const RecordBreach& b : breaches)
    std::fprintf(stderr, "%s: %s: %s (%s)\n", file.c_str(), b.key.c_str(), b.problem.problem.c_str(),
                 b.problem.rule.c_str());
  return breaches.empty();
}

int Write(const WriteOptions& o) {
  const Ports ports = ResolvePorts(o.port);
  const ConfigRecord file = LoadSettings(o.file);  // refused before anything is sent
  // A record the pages would refuse is not sent either, unless forced.
  if (!ReportBreaches(o.file, file) && !o.force)
    Fail(FailureKind::Input, o.file + ": breaks the setting rules; nothing sent (--force sends it anyway)");
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  // The modem's own device bytes are kept, as an import into the window does.
  ConfigRecord toSend = ReadModem(modem, ports);
  toSend.ImportKeepingDeviceBytes(file.Block());
  const VerifiedWrite written = WriteAndVerify(modem, toSend);
  FailIfDisconnected(modem, ports);
  if (!written.failure.empty()) Fail(FailureKind::NoAnswer, ports.name + ": " + written.failure);
  for (const FieldDifference& d : written.notHeld)
    std::fprintf(stderr, "not held by the modem: %s: sent %s, modem has %s\n", d.name.c_str(), d.before.c_str(),
                 d.after.c_str());
  if (!written.notHeld.empty())
    Fail(FailureKind::Refused, std::to_string(written.notHeld.size()) + " setting(s) not held by the modem");
  std::printf("%s: %s written and read back; the modem holds every setting (reboot for changes to take effect)\n",
              ports.name.c_str(), o.file.c_str());
  return 0;
}

struct VerifyOptions {
  PortOptions port;
  std::string file;
  std::vector<std::string> sets;
  bool showSecrets = false;
};

int Verify(const VerifyOptions& o) {
  const Ports ports = ResolvePorts(o.port);
  const bool factory = o.file == kFactoryName && !std::filesystem::exists(o.file);
  const bool profileFile = !factory && IsProfilePath(o.file);
  const Profile profile = profileFile ? LoadProfile(o.sets, o.file) : Profile{};
  const ConfigRecord file = profileFile || factory ? ConfigRecord{} : LoadSettings(o.file);
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  const ConfigRecord held = ReadModem(modem, ports);
  ConfigRecord expected = profileFile || factory ? held : file;
  if (profileFile) FailOnProblems(o.file, MergeProfile(expected, profile, true), "nothing compared");
  if (factory) ApplyFactoryDefaults(expected);
  const char* wants = factory ? "factory default is" : profileFile ? "profile wants" : "file wants";
  const std::vector<SettingChange> differences = SettingChanges(held, expected, o.showSecrets);
  for (const SettingChange& d : differences)
    PrintLine(stdout, d.key + ": modem has " + d.before + ", " + wants + " " + d.after);
  if (!differences.empty())
    Fail(FailureKind::Refused, std::to_string(differences.size()) + " setting(s) of " + o.file + " not held");
  std::printf("%s: the modem holds every setting of %s\n", ports.name.c_str(), Printable(o.file).c_str());
  return 0;
}

int Reboot(const PortOptions& o) {
  const Ports ports = ResolvePorts(o);
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  if (const Result<void> rebooted = modem.Reboot(); !rebooted)
    Fail(rebooted.failure().kind, ports.name + ": " + OneLine(rebooted.failure()));
  std::printf("%s: reboot sent; the modem needs about 30 seconds\n", ports.name.c_str());
  return 0;
}

struct UpgradeOptions {
  PortOptions port;
  std::string image;
  bool fast = false;
  bool force = false;
};

int Upgrade(const UpgradeOptions& o) {
  const Ports ports = ResolvePorts(o.port);
  // Judged before the port is opened: a file that cannot be sent whole never
  // puts the modem into its loader.
  const FirmwareImage loaded = UpgradeFlow::LoadImage(o.image);
  if (!loaded.message.empty()) Fail(FailureKind::Input, o.image + ": " + loaded.message);
  // A settings file given where the image belongs would be flashed as code.
  if (!o.force && IsSettingsFile(loaded.bytes))
    Fail(FailureKind::Input, NotAFirmwareImageText(o.image) + " (--force sends it anyway)");
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  const bool terminal = isatty(STDERR_FILENO);
  UpgradeHooks hooks;
  hooks.progress = [terminal](std::uint16_t total, std::uint16_t index) {
    const int percent = total ? index * 100 / total : 0;
    if (terminal) {
      const int filled = percent * 30 / 100;
      std::fprintf(stderr, "\r[%s%s] %3d%% packet %u/%u", std::string(filled, '#').c_str(),
                   std::string(30 - filled, ' ').c_str(), percent, index, total);
    } else {
      std::fprintf(stderr, "packet %u/%u\n", index, total);
    }
  };
  if (o.fast) hooks.packetGapMs = 0;
  const Result<int> upgraded = modem.Upgrade(loaded.bytes, hooks);
  if (terminal) std::fprintf(stderr, "\n");
  if (!upgraded) Fail(upgraded.failure().kind, ports.name + ": " + OneLine(upgraded.failure()));
  std::printf("%s: %s\n", ports.name.c_str(), std::string(UpgradeStatusText(upgraded.value())).c_str());
  return 0;
}

struct DetectOptions {
  PortOptions port;
  bool json = false;
  std::string unitsCsv;
  std::string profile;
};

// A units file to fill in: a row per modem found, its port, IMEI and device
// name, and an empty column for each ${NAME} of the profile. The device name
// column is left out when the profile sets the name itself.
void WriteUnitsSkeleton(const DetectOptions& o, const std::vector<std::vector<std::string>>& found) {
  std::error_code error;
  if (std::filesystem::exists(o.unitsCsv, error))
    Fail(FailureKind::File, o.unitsCsv + ": already exists; a units file is never replaced");
  bool nameColumn = true;
  if (!o.profile.empty()) {
    // The ${NAME}s are what the file will give: no value is needed here.
    const ProfileRead read = ReadProfileFile(o.profile, [](const std::string&) { return std::string(); });
    const Profile& profile = read.profile;
    nameColumn = std::none_of(profile.settings.begin(), profile.settings.end(),
                              [](const ProfileSetting& s) { return s.rule->field->offset == field::device_name.offset; });
  }
  const std::vector<std::string> variables = o.profile.empty() ? std::vector<std::string>{} : ProfileVariables(o.profile);
  std::vector<std::vector<std::string>> rows{{"port", "imei"}};
  if (nameColumn) rows[0].push_back("basic.device_name");
  rows[0].insert(rows[0].end(), variables.begin(), variables.end());
  for (const std::vector<std::string>& modem : found) {
    rows.push_back({modem[0], modem[1]});
    if (nameColumn) rows.back().push_back(modem[2]);
    rows.back().resize(rows[0].size());
  }
  const std::string text = CsvText(rows);
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (const SettingsFileWrite saved = SaveFileSafely(o.unitsCsv, bytes, 0644); !saved.ok())
    Fail(FailureKind::File, o.unitsCsv + ": cannot write the units file (" + saved.detail + ")");
}

// One "get_syspara" to each port at once, each bounded by the Read's own
// time-out; nothing else is sent.
int Detect(const DetectOptions& o) {
  if (!o.profile.empty() && o.unitsCsv.empty()) Fail(FailureKind::Usage, "detect: --profile is for --units-csv FILE");
  if (!o.profile.empty())  // a profile that cannot be read, before any port is asked
    FailOnProblems(o.profile, ReadProfileFile(o.profile, [](const std::string&) { return std::string(); }).problems,
                   "nothing done");
  Ports ports = ResolvePorts(o.port);
  const std::vector<UnitPort> chosen = PortsToUse(ports.texts, ports.map);
  struct Found {
    bool answered = false;
    std::string device, name, imei, model;
  };
  std::vector<Found> found(chosen.size());
  std::vector<int> coms;
  for (const UnitPort& port : chosen) coms.push_back(port.com);
  std::function<TrafficTap(std::size_t)> tapFor;
  if (ports.trace) tapFor = [&](std::size_t i) { return ports.trace->TapFor(chosen[i].name); };
  const std::vector<Result<ConfigRecord>> answers = DetectModems(coms, ports.map, tapFor);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    found[i].device = ports.map.PathFor(chosen[i].com).value_or("");
    if (!answers[i]) {
      found[i].name = OneLine(answers[i].failure());  // why, for the ports that did not answer
      continue;
    }
    const ConfigRecord& r = answers[i].value();
    found[i] = {true, found[i].device, r.Get(field::device_name), r.Get(field::imei), r.Get(field::me_type)};
  }
  nlohmann::json json = nlohmann::json::array();
  int answered = 0;
  std::vector<std::vector<std::string>> skeleton;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const Found& f = found[i];
    // A port named by its device path is printed once.
    const std::string where = chosen[i].name == f.device ? f.device : chosen[i].name + " " + f.device;
    if (!f.answered) {
      if (o.json)
        json.push_back({{"port", Latin1ToUtf8(chosen[i].name)}, {"device", Latin1ToUtf8(f.device)},
                        {"answered", false}, {"reason", Latin1ToUtf8(f.name)}});
      else
        PrintLine(stderr, where + ": no modem answered (" + f.name + ")");
      continue;
    }
    ++answered;
    skeleton.push_back({chosen[i].name, f.imei, f.name});
    if (o.json) {
      // A modem's texts are 8-bit (Latin-1); JSON is UTF-8 and escapes controls itself.
      json.push_back({{"port", Latin1ToUtf8(chosen[i].name)}, {"device", Latin1ToUtf8(f.device)},
                      {"answered", true}, {"device_name", Latin1ToUtf8(f.name)}, {"imei", Latin1ToUtf8(f.imei)},
                      {"model", Latin1ToUtf8(f.model)}});
    } else {
      std::printf("%-8s  \"%s\"  IMEI %s  %s\n", Printable(where).c_str(), Printable(f.name).c_str(),
                  Printable(f.imei).c_str(), Printable(f.model).c_str());
    }
  }
  // Two modems with one IMEI: a units file's imei column cannot tell them apart.
  for (std::size_t i = 0; i < chosen.size(); ++i)
    for (std::size_t j = i + 1; j < chosen.size(); ++j)
      if (found[i].answered && found[j].answered && found[i].imei == found[j].imei)
        PrintLine(stderr, "warning: " + chosen[i].name + " and " + chosen[j].name + " report the same IMEI " +
                              found[i].imei);
  if (o.json) std::printf("%s\n", json.dump(2).c_str());
  else std::fprintf(stderr, "%d of %zu port(s) answered\n", answered, chosen.size());
  if (!o.unitsCsv.empty() && answered) {
    WriteUnitsSkeleton(o, skeleton);
    std::fprintf(stderr, "%s: %d unit(s) to fill in\n", Printable(o.unitsCsv).c_str(), answered);
  }
  return answered ? 0 : 1;
}

}  // namespace

void AddModemCommands(CLI::App& app, CommandTable& commands) {
  auto ports = std::make_shared<PortOptions>();
  CLI::App* command = AddCommand(app, "ports", "list the serial ports");
  AddPortOption(*command, *ports, false, "COM<n>=<device path>: list that device as COM<n> (repeatable)");
  commands[command] = [ports] { return ListPorts(*ports); };

  auto read = std::make_shared<ReadOptions>();
  command = AddCommand(app, "read", "read the modem: into a settings file, a profile, or printed");
  AddPortOption(*command, read->port, true, kOneModem);
  command->add_option("-o,--output", read->output, "save the settings file FILE (-: its bytes to standard output)")
      ->type_name("FILE");
  command->add_option("--profile", read->profile, "save a profile: FILE.yaml, or JSON for FILE.json")
      ->type_name("PROFILE");
  command->add_flag("--include-secrets", read->includeSecrets, "put the SIM PIN and the passwords into the profile");
  command->add_flag("--changed", read->changed, "only the settings that differ from the factory defaults");
  AddShowSecretsOption(*command, read->showSecrets);
  AddTraceOption(*command, read->port);
  commands[command] = [read] { return Read(*read); };

  auto write = std::make_shared<WriteOptions>();
  command = AddCommand(app, "write",
                       "write a settings file to the modem, then read it back to check the modem holds every "
                       "setting; a file that breaks the pages' rules is refused unless --force");
  AddFileArgument(*command, "FILE", write->file, "the settings file");
  AddPortOption(*command, write->port, true, kOneModem);
  command->add_flag("--force", write->force, "send a file that breaks the pages' rules");
  AddTraceOption(*command, write->port);
  commands[command] = [write] { return Write(*write); };

  auto verify = std::make_shared<VerifyOptions>();
  command = AddCommand(app, "verify", "does the modem hold every setting of the file?");
  AddFileArgument(*command, "FILE", verify->file, "a settings file or profile, or factory for the factory settings");
  AddPortOption(*command, verify->port, true, kOneModem);
  AddSetOption(*command, verify->sets);
  AddShowSecretsOption(*command, verify->showSecrets);
  AddTraceOption(*command, verify->port);
  commands[command] = [verify] { return Verify(*verify); };

  auto reboot = std::make_shared<PortOptions>();
  command = AddCommand(app, "reboot", "reboot the modem");
  AddPortOption(*command, *reboot, true, kOneModem);
  AddTraceOption(*command, *reboot);
  commands[command] = [reboot] { return Reboot(*reboot); };

  auto upgrade = std::make_shared<UpgradeOptions>();
  command = AddCommand(app, "upgrade", "upgrade the modem's firmware");
  AddFileArgument(*command, "IMAGE", upgrade->image, "the firmware image (at most 64 KiB)");
  AddPortOption(*command, upgrade->port, true, kOneModem);
  command->add_flag("--fast", upgrade->fast, "no 200 ms pause between an answer and the next packet");
  command->add_flag("--force", upgrade->force, "send even a settings file");
  AddTraceOption(*command, upgrade->port);
  commands[command] = [upgrade] { return Upgrade(*upgrade); };

  auto detect = std::make_shared<DetectOptions>();
  command = AddCommand(app, "detect",
                       "find the modems: one \"get_syspara\" to each port (every serial port of the system when "
                       "none given)");
  AddPortOption(*command, detect->port, false, "a port to ask (repeatable)");
  command->add_flag("--json", detect->json, "as JSON");
  command->add_option("--units-csv", detect->unitsCsv, "write a units file for the modems found")
      ->type_name("FILE");
  command->add_option("--profile", detect->profile, "with --units-csv: a column for each ${NAME} of PROFILE")
      ->type_name("PROFILE");
  AddTraceOption(*command, detect->port);
  commands[command] = [detect] { return Detect(*detect); };
}

}  // namespace telvaro::cli
