// The commands that talk to modems one at a time or look for them: ports,
// read, write, verify, reboot, upgrade, detect.
#include <csignal>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/cmd_shared.h"
#include "cli/console.h"
#include "fleet/fleet_files.h"
#include "fleet/profile_apply.h"
#include "fleet/upgrade_guard.h"
#include "fleet/verified_write.h"
#include "link/port_discovery.h"
#include "operations/settings_file.h"
#include "operations/traffic_log.h"
#include "protocol/record_checksum.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace telvaro::cli {
namespace {

constexpr const char* kLeftInLoader = "the modem is left in its loader; run the same upgrade again to finish";
constexpr const char* kOneModem =
    "the modem's port: COM<n>, COM<n>=<device path> (repeatable), a device path or a network address "
    "(tcp://HOST:PORT, rfc2217://HOST:PORT)";

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
  const SettingsFileWrite saved = SaveFileSafely(o.profile, bytes, o.includeSecrets ? 0600 : 0644, o.includeSecrets);
  if (!saved.ok()) Fail(FailureKind::File, o.profile + ": cannot write the profile (" + saved.detail + ")");
}

int Read(const ReadOptions& o) {
  RefuseOutputOver("--profile", o.profile, {{o.output, "the settings file of -o"}});
  const Ports ports = ResolvePorts(o.port, {{o.output, "the settings file of -o"}, {o.profile, "the profile"}});
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  ConfigRecord record = ReadModem(modem, ports);
  if (o.output == "-") {
    // The settings file's bytes, for a pipe: record and checksum.
    record.SetChecksum(RecordChecksum(record.Record()));
    const auto block = record.Block();
    SetBinary(stdout);
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
  bool dryRun = false;
  bool showSecrets = false;
  bool restore = false;  // a backup: refused on a modem that is not the one it came from
};

// Every breach of the setting rules as "FILE: key: problem (rule)" on
// standard error; true when there was none.
bool ReportBreaches(const std::string& file, const ConfigRecord& record) {
  const std::vector<RecordBreach> breaches = CheckRecord(record);
  for (const RecordBreach& b : breaches)
    PrintLine(stderr, file + ": " + b.key + ": " + b.problem.problem + " (" + b.problem.rule + ")");
  return breaches.empty();
}

// write and restore: the file's settings on this modem (its device fields
// kept, Write's own corrections made), the changes shown, the very record
// to be sent checked, then written and read back.
int Write(const WriteOptions& o) {
  const Ports ports = ResolvePorts(o.port, {{o.file, "the settings file"}});
  const ConfigRecord file = LoadSettings(o.file);  // refused before anything is sent
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  const ConfigRecord held = ReadModem(modem, ports);
  const std::string fileImei = file.Get(field::imei), modemImei = held.Get(field::imei);
  if (o.restore && fileImei != modemImei && !o.force)
    Fail(FailureKind::Refused, Printable(o.file) + ": a backup of the modem with IMEI " + Printable(fileImei) +
                                   ", not of this one (IMEI " + Printable(modemImei) +
                                   "); nothing sent (--force restores it anyway)");
  // Another unit's identity, hardware, counters and clock never reach this one.
  ConfigRecord toSend = file;
  KeepDeviceBytes(toSend, held);
  const std::vector<Normalisation> normalised = NormaliseRecord(toSend);
  PrintNormalisations(o.file, normalised);
  const std::vector<SettingChange> changes = SettingChanges(held, toSend, o.showSecrets);
  for (const SettingChange& c : changes) PrintLine(stdout, ChangeLine(c, normalised));
  // What is checked is what would be sent: a file whose own device bytes
  // differ from the modem's is judged as this modem would take it.
  if (!ReportBreaches(o.file, toSend) && !o.force)
    Fail(FailureKind::Input, o.file + ": breaks the setting rules; nothing sent (--force sends it anyway)");
  if (o.dryRun) {
    std::printf("%s: dry run: %zu change(s), nothing written\n", ports.name.c_str(), changes.size());
    return 0;
  }
  const VerifiedWrite written = WriteAndVerify(modem, toSend);
  FailIfDisconnected(modem, ports);
  if (!written.failure.empty()) Fail(FailureKind::NoAnswer, ports.name + ": " + written.failure);
  for (const FieldDifference& d : written.notHeld) {
    const bool masked = !o.showSecrets && IsSecretField(*d.field);
    PrintLine(stderr, "not held by the modem: " + d.name + ": sent " + (masked ? "\"****\"" : d.before) +
                          ", modem has " + (masked ? "\"****\"" : d.after));
  }
  if (!written.notHeld.empty())
    Fail(FailureKind::Refused, std::to_string(written.notHeld.size()) + " setting(s) not held by the modem");
  std::printf("%s: %s %s and read back; the modem holds every setting (reboot for changes to take effect)\n",
              ports.name.c_str(), Printable(o.file).c_str(), o.restore ? "restored" : "written");
  return 0;
}

struct VerifyOptions {
  PortOptions port;
  std::string file;
  std::vector<std::string> sets;
  bool showSecrets = false;
};

int Verify(const VerifyOptions& o) {
  const Ports ports = ResolvePorts(o.port, {{o.file, "the file compared"}});
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
  bool keepSettings = true;
  int restartWait = 60;  // seconds
  std::string backup;    // --backup DIR
  // Many units: the same as apply's.
  std::string units;
  std::string report;
  std::string resume;
  std::size_t jobs = 0;
};

// CRC-32 (IEEE 802.3, the one zip, 7-Zip and `crc32` print), so the operator
// can compare the image with the checksum its publisher gives.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// "7 s" or "1 min 05 s"
std::string Duration(double seconds) {
  const long whole = std::lround(std::max(0.0, seconds));
  char text[32];
  if (whole < 60) {
    std::snprintf(text, sizeof text, "%ld s", whole);
  } else {
    std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  }
  return text;
}

// Ctrl+C while the image goes out: the packet under way ends, nothing more
// is sent, and the port is closed properly. A second Ctrl+C ends the tool at
// once.
std::atomic<int> gUpgradeSignal{0};
extern "C" void OnUpgradeSignal(int number) { gUpgradeSignal = number; }

void CatchUpgradeSignals() { CatchStopRequests(OnUpgradeSignal, true, true); }

// One progress line: bytes, packets, speed and the time left, measured from
// the first packet (the loader's start is no transfer).
class UpgradeProgress {
 public:
  UpgradeProgress(std::size_t size, bool terminal) : size_(size), terminal_(terminal) {}

  void Show(std::uint16_t total, std::uint16_t index) {
    const auto now = std::chrono::steady_clock::now();
    if (index <= 1) first_ = now;
    const std::size_t done = std::min(size_, std::size_t{index - 1u} * kUpgradePacketData);
    const double seconds = std::chrono::duration<double>(now - first_).count();
    const double speed = seconds > 0.05 ? static_cast<double>(done) / seconds : 0.0;
    const std::string left = speed > 0 ? Duration(static_cast<double>(size_ - done) / speed) + " left" : "time left unknown";
    char line[160];
    std::snprintf(line, sizeof line, "%3zu%% %zu/%zu bytes, packet %u/%u, %.1f KiB/s, %s",
                  size_ ? done * 100 / size_ : 0, done, size_, index, total, speed / 1024.0, left.c_str());
    if (terminal_) {
      const std::size_t filled = size_ ? done * 20 / size_ : 0;
      std::fprintf(stderr, "\r[%s%s] %s\x1b[K", std::string(filled, '#').c_str(), std::string(20 - filled, ' ').c_str(),
                   line);
    } else {
      std::fprintf(stderr, "%s\n", line);
    }
    std::fflush(stderr);
    lastIndex_ = index;
  }
  std::uint16_t LastIndex() const { return lastIndex_; }

 private:
  std::size_t size_;
  bool terminal_;
  std::chrono::steady_clock::time_point first_ = std::chrono::steady_clock::now();
  std::uint16_t lastIndex_ = 0;
};

// The image as the operator gave it: judged before any port is opened, so a
// file that cannot be sent whole never puts a modem into its loader.
FirmwareImage LoadFirmware(const UpgradeOptions& o) {
  FirmwareImage loaded = UpgradeFlow::LoadImage(o.image);
  if (!loaded.message.empty()) Fail(FailureKind::Input, o.image + ": " + loaded.Text());
  // A settings file given where the image belongs would be flashed as code.
  if (!o.force && IsSettingsFile(loaded.bytes))
    Fail(FailureKind::Input, NotAFirmwareImageText(o.image) + " (--force sends it anyway)");
  std::printf("%s: %zu bytes in %u packets, CRC-32 %08X\n", Printable(o.image).c_str(), loaded.bytes.size(),
              unsigned{FrameCodec::UpgradePacketTotal(loaded.bytes.size())}, Crc32(loaded.bytes));
  std::fflush(stdout);
  return loaded;
}

UpgradeGuardOptions GuardOptions(const UpgradeOptions& o) {
  UpgradeGuardOptions guard;
  guard.restartWaitMs = o.restartWait * 1000;
  guard.keepSettings = o.keepSettings;
  if (o.fast) guard.hooks.packetGapMs = 0;
  return guard;
}

// The image to many units, each through the settings guard, on the runner
// apply's units use: a queue per port, --jobs, the report, Ctrl+C, --resume.
int UpgradeUnits(const UpgradeOptions& o) {
  if (o.units.empty() && o.port.texts.empty()) Fail(FailureKind::Usage, "upgrade: --units UNITS.csv or --port is required");
  UnitsCommand c;
  c.name = "upgrade";
  c.firmware = true;
  c.port = o.port;
  c.units = o.units;
  c.report = o.report;
  c.resume = o.resume;
  c.backup = o.backup;
  c.jobs = o.jobs;
  c.inputs = {{o.image, "the image"}, {o.units, "the units file"}};
  auto image = std::make_shared<std::vector<std::uint8_t>>();
  // The image is judged once, before any port is opened.
  c.check = [&o, image](const std::vector<Unit>&) { *image = LoadFirmware(o).bytes; };
  c.configure = [&o, image](FleetOptions& fleet) {
    fleet.firmware = *image;
    fleet.guard = GuardOptions(o);
  };
  return RunUnits(c);
}

int Upgrade(const UpgradeOptions& o) {
  // A units file, several ports or a report make it a campaign over many units.
  if (!o.units.empty() || o.port.texts.size() > 1 || !o.report.empty() || !o.resume.empty()) return UpgradeUnits(o);
  if (o.jobs != 0) Fail(FailureKind::Usage, "upgrade: --jobs is for many units (--units, several --port)");
  const Ports ports = ResolvePorts(o.port, {{o.image, "the image"}});
  if (ports.com == 0) Fail(FailureKind::Usage, "upgrade: --port COM<n> is required");
  const FirmwareImage loaded = LoadFirmware(o);
  const std::size_t size = loaded.bytes.size();
  const unsigned packets = FrameCodec::UpgradePacketTotal(size);
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  const bool terminal = IsTerminal(stderr);
  UpgradeProgress progress(size, terminal);
  UpgradeGuardOptions guard = GuardOptions(o);
  guard.hooks.stop = [] { return gUpgradeSignal.load() != 0; };
  guard.backupDir = o.backup.empty() ? std::filesystem::path("backups") : std::filesystem::path(o.backup);
  guard.portName = ports.name;
  guard.com = ports.com;
  const auto started = std::chrono::steady_clock::now();
  bool barOpen = false;  // the progress bar's line is not ended yet
  guard.hooks.progress = [&](std::uint16_t total, std::uint16_t index) {
    barOpen = terminal;
    progress.Show(total, index);
  };
  const auto endBar = [&] {
    if (barOpen) std::fprintf(stderr, "\n");
    barOpen = false;
  };
  guard.step = [&](const std::string& line) {
    endBar();
    PrintLine(stdout, ports.name + ": " + line);
    std::fflush(stdout);
  };
  guard.imageTaken = [&](int code) {
    endBar();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const char* answer = code == 8 ? "Upgrade Finished: the modem reports the image complete"
                                   : "Success: every packet accepted";
    std::printf("%s: %s (%zu bytes in %u packets, took %s)\n", ports.name.c_str(), answer, size, packets,
                Duration(seconds).c_str());
    std::fflush(stdout);
  };
  CatchUpgradeSignals();
  const GuardedUpgrade upgraded = UpgradeKeepingSettings(modem, loaded.bytes, guard);
  endBar();
  const std::string backup = upgraded.backup.empty() ? "" : "; the earlier settings are in " + upgraded.backup;
  if (upgraded.firmware == FirmwareStep::Failed) {
    // A stop leaves the last packet's code in place: the image is whole only
    // when the last packet was the one answered.
    if (const int number = gUpgradeSignal.load(); number != 0) {
      modem.Close();
      std::fprintf(stderr, "telvaro-cli: %s: interrupted at packet %u/%u: %s\n", ports.name.c_str(),
                   progress.LastIndex(), packets, kLeftInLoader);
      return 128 + number;
    }
    Fail(upgraded.kind, ports.name + ": " + upgraded.failure);
  }
  if (upgraded.firmware == FirmwareStep::NotStarted)
    Fail(upgraded.kind, ports.name + ": " + upgraded.failure +
                            (upgraded.backup.empty() && upgraded.kind != FailureKind::File
                                 ? " (--no-keep-settings upgrades without a backup)"
                                 : ""));
  if (const int number = gUpgradeSignal.load(); number != 0 && upgraded.firmware == FirmwareStep::NotBack) {
    modem.Close();
    std::fprintf(stderr, "telvaro-cli: %s: interrupted while waiting for the modem to restart%s\n", ports.name.c_str(),
                 backup.c_str());
    return 128 + number;
  }
  if (upgraded.firmware == FirmwareStep::NotBack) Fail(upgraded.kind, ports.name + ": " + upgraded.failure + backup);
  for (const SettingChange& c : upgraded.changed) PrintLine(stdout, "  " + ChangeLine(c));
  switch (upgraded.settings) {
    case SettingsFate::Unchecked:
      std::printf("%s: the new firmware answers; its settings were not compared (no backup)\n", ports.name.c_str());
      break;
    case SettingsFate::Kept:
      std::printf("%s: settings kept: the new firmware holds every setting of the backup\n", ports.name.c_str());
      break;
    case SettingsFate::Restored:
      PrintLine(stdout, ports.name + ": settings restored from " + upgraded.backup + " and read back");
      break;
    case SettingsFate::Lost:
      if (!upgraded.ok()) Fail(upgraded.kind, ports.name + ": " + upgraded.failure + backup);
      PrintLine(stdout, ports.name + ": settings left as the new firmware set them (--no-keep-settings)" + backup);
      break;
  }
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
  if (o.json) std::printf("%s\n", EscapeC1InJson(json.dump(2)).c_str());
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
                       "write a settings file's settings to the modem (its own identity, hardware, status and "
                       "clock kept), then read it back to check the modem holds every setting; a record that "
                       "breaks the pages' rules is refused unless --force");
  AddFileArgument(*command, "FILE", write->file, "the settings file");
  AddPortOption(*command, write->port, true, kOneModem);
  command->add_flag("--force", write->force, "send a file that breaks the pages' rules");
  command->add_flag("--dry-run", write->dryRun, "print the changes; write nothing");
  AddShowSecretsOption(*command, write->showSecrets);
  AddTraceOption(*command, write->port);
  commands[command] = [write] { return Write(*write); };

  auto restore = std::make_shared<WriteOptions>();
  restore->restore = true;
  command = AddCommand(app, "restore",
                       "restore a backup to the modem it came from: the changes shown, a backup of another modem "
                       "(IMEI) refused unless --force, written and read back");
  AddFileArgument(*command, "BACKUP", restore->file, "the backup (a settings file)");
  AddPortOption(*command, restore->port, true, kOneModem);
  command->add_flag("--force", restore->force, "restore a backup of another modem, or one that breaks the pages' rules");
  command->add_flag("--dry-run", restore->dryRun, "print the changes; write nothing");
  AddShowSecretsOption(*command, restore->showSecrets);
  AddTraceOption(*command, restore->port);
  commands[command] = [restore] { return Write(*restore); };

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
  command = AddCommand(app, "upgrade",
                       "upgrade the modem's firmware, keeping its settings: backed up first, and written back when "
                       "the new firmware changed them; with --units, several --port, --report or --resume: many "
                       "modems, and a report");
  AddFileArgument(*command, "IMAGE", upgrade->image, "the firmware image (at most 64 KiB)");
  AddPortOption(*command, upgrade->port, false,
                "the modem's port; repeated: one unit on each (COM<n>=<device path> names a device)");
  command->add_flag("--fast", upgrade->fast, "no 200 ms pause between an answer and the next packet");
  command->add_flag("--force", upgrade->force, "send even a settings file");
  command->add_flag("--keep-settings", upgrade->keepSettings,
                    "write the backup back when the new firmware changed the settings (the default)");
  command->add_flag_callback("--no-keep-settings", [upgrade] { upgrade->keepSettings = false; },
                             "leave the settings the new firmware starts with (the backup is still made)");
  command->add_option("--restart-wait", upgrade->restartWait,
                      "how long the modem may take to answer again after the image (default 60)")
      ->type_name("S")
      ->check(CLI::Validator(
          [](std::string& text) {
            char* end = nullptr;
            const long seconds = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end || seconds < 1 || seconds > 3600) return "not a number of seconds from 1 to 3600: " + text;
            text = std::to_string(seconds);
            return std::string();
          },
          ""));
  command->add_option("--backup", upgrade->backup,
                      "back up each modem's record into DIR first (default backups/, beside the report for many "
                      "modems)")
      ->type_name("DIR");
  AddUnitsOptions(*command, upgrade->units, upgrade->jobs, upgrade->report, upgrade->resume);
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
