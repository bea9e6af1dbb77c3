// telvaro-cli: scripted provisioning of the modem without the window. Reads a
// modem into a settings file, writes a prepared file to the next modem,
// reboots it, upgrades its firmware, and shows or compares settings files.
#include <poll.h>
#include <signal.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>
#include <cstdlib>
#include <ctime>
#include <map>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/fleet.h"
#include "cli/fleet_files.h"
#include "cli/profile_apply.h"
#include "cli/record_text.h"
#include "cli/verified_write.h"
#include "link/port_discovery.h"
#include "operations/modem_client.h"
#include "operations/settings_file.h"
#include "operations/traffic_log.h"
#include "profile/profile.h"
#include "protocol/record_checksum.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace {

using namespace telvaro;

constexpr int kExitOk = 0;
constexpr int kExitModemFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: telvaro-cli COMMAND [options]\n"
    "  ports                                  list the serial ports\n"
    "  read    --port COM<n> [-o FILE] [--profile FILE.yaml|.json] [--include-secrets]\n"
    "                                         read the modem (into a settings file, -o -: its\n"
    "                                         bytes to standard output; into a profile)\n"
    "  write   --port COM<n> FILE [--force]   write a settings file to the modem, then read\n"
    "                                         it back to check the modem holds every setting;\n"
    "                                         a file that breaks the pages' rules is refused\n"
    "                                         unless --force\n"
    "  reboot  --port COM<n>                  reboot the modem\n"
    "  upgrade --port COM<n> IMAGE [--fast] [--force]\n"
    "                                         upgrade the modem's firmware (--fast: no\n"
    "                                         200 ms pause between answer and next packet;\n"
    "                                         --force: send even a settings file)\n"
    "  check   PROFILE                        check a profile without a modem\n"
    "  apply   PROFILE --port COM<n> [--set KEY=VALUE]... [--dry-run]\n"
    "                                         bring the modem to the profile's settings\n"
    "          PROFILE --units UNITS.csv | --port P --port P... [--set KEY=VALUE]...\n"
    "          [--jobs N] [--report R] [--reboot] [--resume R]\n"
    "                                         many modems: each unit backed up, merged with\n"
    "                                         its row, written and read back; a report\n"
    "  verify  FILE --port COM<n>             does the modem hold every setting of the file?\n"
    "  detect  [--port P]... [--json]         find the modems: one \"get_syspara\" to each port\n"
    "                                         (every serial port of the system when none given)\n"
    "  dump    FILE [--json]                  show every setting of a settings file\n"
    "  diff    A B [--all]                    show the settings that differ (exit 1 if any)\n"
    "  help [COMMAND] | COMMAND --help | --help | --version\n"
    "--port COM<n>=<device path> names the device of COM<n> (repeatable); so do\n"
    "pairs in TELVARO_PORTS, separated by ';'. --port <device path> opens that device.\n"
    "--trace FILE writes every frame sent and received to FILE (SIM PIN and passwords\n"
    "masked).\n"
    "Files ending in .yaml, .yml or .json are profiles. --set KEY=VALUE sets a profile\n"
    "key (gprs.apn=internet) or, for a name without a dot, the value of ${NAME} in\n"
    "the profile (the environment too). Secrets are masked in what is printed unless\n"
    "--show-secrets.\n"
    "Exit status: 0 success, 1 the modem failed, did not answer or does not hold the\n"
    "settings (diff: they differ), 2 bad usage, a bad file or a profile with problems.\n";

// A failure that ends the command: one line on standard error.
struct Failure {
  int status;
  std::string text;
};

struct Options {
  std::string command;
  std::vector<std::string> files;
  std::string output;
  bool json = false;
  bool fast = false;
  bool force = false;
  std::string profile;                           // read --profile
  std::vector<std::string> sets;                 // --set KEY=VALUE, in order
  bool dryRun = false;
  bool all = false;
  bool showSecrets = false;
  bool includeSecrets = false;
  int com = 0;
  std::string portName;  // "COM<n>", or the device path given, for messages
  PortMap ports;
  std::vector<std::string> portTexts;  // every --port as given, in order
  std::string units;
  std::string report;
  std::string resume;
  std::size_t jobs = 0;
  bool reboot = false;
  std::shared_ptr<TrafficLog> trace;
};

// --trace FILE: every frame of every port, as it passes, to FILE.
std::shared_ptr<TrafficLog> OpenTrace(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) throw Failure{kExitUsage, "--trace: " + path + ": cannot be written"};
  const std::shared_ptr<std::FILE> owned(file, std::fclose);
  return std::make_shared<TrafficLog>(0, [owned](const std::string& text) {
    std::fputs(text.c_str(), owned.get());
    std::fflush(owned.get());
  });
}

// "--port /dev/ttyUSB0": the device is used under a COM number of its own, so
// that no pair from TELVARO_PORTS can send the frames elsewhere.
int ComForDevice(PortMap& ports, const std::string& path) {
  if (const auto com = ports.ComFor(path); com && ports.PathFor(*com) == path) return *com;
  int com = 1000;
  while (ports.ExplicitPairs().count(com)) ++com;
  ports.AddPair("COM" + std::to_string(com) + "=" + path);
  return com;
}

Options ParseArguments(int argc, char** argv) {
  Options options;
  if (const std::string bad = options.ports.AddPairsFromEnvironment(); !bad.empty())
    throw Failure{kExitUsage, "TELVARO_PORTS: not a COM<n>=<path> pair: " + bad};
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) throw Failure{kExitUsage, "no command given (try --help)"};
  options.command = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // "--port=COM50" is "--port COM50"; a value may hold '=' itself.
    const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const std::string inlineValue = equals == std::string::npos ? std::string() : arg.substr(equals + 1);
    auto value = [&]() -> std::string {
      if (equals != std::string::npos) return inlineValue;
      if (i + 1 >= args.size()) throw Failure{kExitUsage, arg + " needs a value"};
      return args[++i];
    };
    if (name == "--port") {
      const std::string port = value();
      options.portTexts.push_back(port);
      if (port.find('/') != std::string::npos && port.find('=') == std::string::npos) {
        options.com = ComForDevice(options.ports, port);
        options.portName = port;
        continue;
      }
      if (port.find('=') != std::string::npos && !options.ports.AddPair(port))
        throw Failure{kExitUsage, "--port: not a COM<n>=<device path> pair: " + port};
      const auto com = ParseComName(port.substr(0, port.find('=')));
      if (!com) throw Failure{kExitUsage, "--port: not a COM<n> port: " + port};
      options.com = *com;
      options.portName = "COM" + std::to_string(*com);
    } else if (arg == "-o" || name == "--output") {
      options.output = value();
    } else if (name == "--units") {
      options.units = value();
    } else if (name == "--report") {
      options.report = value();
    } else if (name == "--resume") {
      options.resume = value();
    } else if (name == "--jobs") {
      const std::string jobs = value();
      char* end = nullptr;
      const unsigned long n = std::strtoul(jobs.c_str(), &end, 10);
      if (jobs.empty() || *end || n == 0 || n > 1000) throw Failure{kExitUsage, "--jobs: not a number of ports: " + jobs};
      options.jobs = n;
    } else if (name == "--trace") {
      options.trace = OpenTrace(value());
    } else if (arg == "--reboot") {
      options.reboot = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--fast") {
      options.fast = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (name == "--profile") {
      options.profile = value();
    } else if (name == "--set") {
      const std::string set = value();
      if (set.find('=') == std::string::npos) throw Failure{kExitUsage, "--set: not KEY=VALUE: " + set};
      options.sets.push_back(set);
    } else if (arg == "--dry-run") {
      options.dryRun = true;
    } else if (arg == "--all") {
      options.all = true;
    } else if (arg == "--show-secrets") {
      options.showSecrets = true;
    } else if (arg == "--include-secrets") {
      options.includeSecrets = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw Failure{kExitUsage, "unknown option: " + arg};
    } else {
      options.files.push_back(arg);
    }
  }
  return options;
}

void Need(const Options& o, std::size_t files, bool port) {
  if (port && o.com == 0) throw Failure{kExitUsage, o.command + ": --port COM<n> is required"};
  if (o.files.size() != files)
    throw Failure{kExitUsage, o.command + ": expects " + std::to_string(files) + " file argument(s)"};
}

ConfigRecord LoadSettings(const std::string& path) {
  const SettingsFileRead read = ReadSettingsFile(path);
  if (!read.record) throw Failure{kExitUsage, path + ": " + read.message + " (" + read.detail + ")"};
  return *read.record;
}

void OpenModem(ModemClient& modem, const Options& o) {
  if (o.trace) modem.SetTrafficTap(o.trace->TapFor(o.portName));
  if (const Result<void> opened = modem.Open(o.com); !opened) throw Failure{kExitModemFailed, OneLine(opened.failure())};
}

// A pulled adapter or a closed other end ends the command at once.
void FailIfDisconnected(const ModemClient& modem, const Options& o) {
  if (modem.Disconnected()) throw Failure{kExitModemFailed, o.portName + ": device disconnected"};
}

ConfigRecord ReadModem(ModemClient& modem, const Options& o) {
  Result<ConfigRecord> read = modem.Read();
  if (!read) throw Failure{kExitModemFailed, o.portName + ": " + OneLine(read.failure())};
  return read.value();
}

// Control characters from the modem's texts (escape sequences among them)
// never reach the terminal as they are.
std::string Printable(std::string_view text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void PrintLine(std::FILE* to, const std::string& line) { std::fprintf(to, "%s\n", Printable(line).c_str()); }

std::string DifferenceLine(const FieldDifference& d, bool showSecrets) {
  const bool masked = !showSecrets && IsSecretField(*d.field);
  return ProfileKeyOf(d) + ": " + (masked ? "\"****\"" : d.before) + " -> " + (masked ? "\"****\"" : d.after);
}

// ${NAME} comes from --set NAME=value first, then from the environment.
VariableLookup Variables(const Options& o) {
  std::map<std::string, std::string> values;
  for (const std::string& set : o.sets) {
    const std::string name = set.substr(0, set.find('='));
    if (name.find('.') == std::string::npos) values[name] = set.substr(set.find('=') + 1);
  }
  return [values](const std::string& name) -> std::optional<std::string> {
    if (const auto it = values.find(name); it != values.end()) return it->second;
    if (const char* env = std::getenv(name.c_str())) return std::string(env);
    return std::nullopt;
  };
}

// "FILE:LINE:COLUMN: key: problem"
std::string ProblemLine(const std::string& file, const ProfileProblem& p) {
  return file + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + ": " +
         (p.key.empty() ? std::string() : p.key + ": ") + p.problem;
}

// The profile with the dotted --set keys over it; problems of either as read.
ProfileRead ReadProfileWithSets(const Options& o, const std::string& path) {
  ProfileRead read = ReadProfileFile(path, Variables(o));
  for (const std::string& set : o.sets) {
    const std::string key = set.substr(0, set.find('='));
    if (key.find('.') == std::string::npos) continue;
    if (auto problem = AddSetting(read.profile, key, set.substr(set.find('=') + 1))) read.problems.push_back(*problem);
  }
  return read;
}

void FailOnProblems(const std::string& file, const std::vector<ProfileProblem>& problems, const std::string& what) {
  if (problems.empty()) return;
  for (const ProfileProblem& p : problems) PrintLine(stderr, ProblemLine(file, p));
  throw Failure{kExitUsage, file + ": " + std::to_string(problems.size()) + " problem(s); " + what};
}

Profile LoadProfile(const Options& o, const std::string& path) {
  ProfileRead read = ReadProfileWithSets(o, path);
  FailOnProblems(path, read.problems, "nothing done");
  return read.profile;
}

// A settings file as it is, or a profile over the factory settings.
ConfigRecord LoadRecord(const Options& o, const std::string& path) {
  if (!IsProfilePath(path)) return LoadSettings(path);
  ConfigRecord record;
  ApplyFactoryDefaults(record);
  FailOnProblems(path, MergeProfile(record, LoadProfile(o, path), true), "nothing done");
  return record;
}

void SaveProfile(const Options& o, const ConfigRecord& record) {
  ProfileWriteOptions options;
  options.toolVersion = TELVARO_VERSION;
  options.includeSecrets = o.includeSecrets;
  char readAt[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(readAt, sizeof readAt, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  options.source = ProfileSource{record.Get(field::me_type), record.Get(field::imei), readAt};
  const bool json = o.profile.size() > 5 && o.profile.compare(o.profile.size() - 5, 5, ".json") == 0;
  const std::string text = json ? WriteProfileJson(record, options) : WriteProfileYaml(record, options);
  // Saved as safely as a settings file; one with the secrets in it is
  // readable by its owner only.
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  const SettingsFileWrite saved = SaveFileSafely(o.profile, bytes, o.includeSecrets ? 0600 : 0644);
  if (!saved.ok()) throw Failure{kExitUsage, o.profile + ": cannot write the profile (" + saved.detail + ")"};
}

int Ports(const Options& o) {
  const PortListing listing = ListSerialPorts(ReadSystemPortTable(), 1, o.ports);
  if (!listing.message.empty()) std::fprintf(stderr, "%s\n", listing.message.c_str());
  for (const PortEntry& e : listing.entries)
    std::printf("%-8s %s%s%s\n", e.text.c_str(), e.devicePath.c_str(), e.description.empty() ? "" : "  ",
                e.description.c_str());
  return kExitOk;
}

int Read(const Options& o) {
  Need(o, 0, true);
  ModemClient modem(o.ports);
  OpenModem(modem, o);
  ConfigRecord record = ReadModem(modem, o);
  if (o.output == "-") {
    // The settings file's bytes, for a pipe: record and checksum.
    record.SetChecksum(RecordChecksum(record.Record()));
    const auto block = record.Block();
    if (std::fwrite(block.data(), 1, block.size(), stdout) != block.size() || std::fflush(stdout) != 0)
      throw Failure{kExitUsage, "standard output: " + std::string(kSettingsWriteFailed)};
    return kExitOk;
  }
  if (o.output.empty() && o.profile.empty()) {
    std::fputs(RecordAsText(record, o.showSecrets).c_str(), stdout);
    return kExitOk;
  }
  if (!o.profile.empty()) {
    SaveProfile(o, record);
    PrintLine(stdout, o.portName + ": profile of \"" + record.Get(field::device_name) +
                          "\" saved to " + o.profile);
    if (o.output.empty()) return kExitOk;
  }
  // The file holds exactly what the modem sent: record and checksum.
  if (const SettingsFileWrite written = WriteSettingsFile(o.output, record); !written.ok())
    throw Failure{kExitUsage, o.output + ": " + written.message + " (" + written.detail + ")"};
  PrintLine(stdout, o.portName + ": settings of \"" + record.Get(field::device_name) + "\" saved to " + o.output);
  return kExitOk;
}

// Every breach of the setting rules as "FILE: key: problem (rule)" on
// standard error; true when there was none.
bool ReportBreaches(const std::string& file, const ConfigRecord& record) {
  const std::vector<RecordBreach> breaches = CheckRecord(record);
  for (const RecordBreach& b : breaches)
    std::fprintf(stderr, "%s: %s: %s (%s)\n", file.c_str(), b.key.c_str(), b.problem.problem.c_str(),
                 b.problem.rule.c_str());
  return breaches.empty();
}

int Write(const Options& o) {
  Need(o, 1, true);
  const ConfigRecord file = LoadSettings(o.files[0]);  // refused before anything is sent
  // A record the pages would refuse is not sent either, unless forced.
  if (!ReportBreaches(o.files[0], file) && !o.force)
    throw Failure{kExitUsage, o.files[0] + ": breaks the setting rules; nothing sent (--force sends it anyway)"};
  ModemClient modem(o.ports);
  OpenModem(modem, o);
  // The modem's own device bytes are kept, as an import into the window does.
  ConfigRecord toSend = ReadModem(modem, o);
  toSend.ImportKeepingDeviceBytes(file.Block());
  const VerifiedWrite written = WriteAndVerify(modem, toSend);
  FailIfDisconnected(modem, o);
  if (!written.failure.empty()) throw Failure{kExitModemFailed, o.portName + ": " + written.failure};
  for (const FieldDifference& d : written.notHeld)
    std::fprintf(stderr, "not held by the modem: %s: sent %s, modem has %s\n", d.name.c_str(), d.before.c_str(),
                 d.after.c_str());
  if (!written.notHeld.empty())
    throw Failure{kExitModemFailed, std::to_string(written.notHeld.size()) + " setting(s) not held by the modem"};
  std::printf("%s: %s written and read back; the modem holds every setting (reboot for changes to take effect)\n",
              o.portName.c_str(), o.files[0].c_str());
  return kExitOk;
}

int Reboot(const Options& o) {
  Need(o, 0, true);
  ModemClient modem(o.ports);
  OpenModem(modem, o);
  if (const Result<void> rebooted = modem.Reboot(); !rebooted)
    throw Failure{kExitModemFailed, o.portName + ": " + OneLine(rebooted.failure())};
  std::printf("%s: reboot sent; the modem needs about 30 seconds\n", o.portName.c_str());
  return kExitOk;
}

int Upgrade(const Options& o) {
  Need(o, 1, true);
  // Judged before the port is opened: a file that cannot be sent whole never
  // puts the modem into its loader.
  const FirmwareImage loaded = UpgradeFlow::LoadImage(o.files[0]);
  if (!loaded.message.empty()) throw Failure{kExitUsage, o.files[0] + ": " + loaded.message};
  // A settings file given where the image belongs would be flashed as code.
  if (!o.force && IsSettingsFile(loaded.bytes))
    throw Failure{kExitUsage, NotAFirmwareImageText(o.files[0]) + " (--force sends it anyway)"};
  const std::vector<std::uint8_t>& image = loaded.bytes;
  ModemClient modem(o.ports);
  OpenModem(modem, o);
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
  const Result<int> upgraded = modem.Upgrade(image, hooks);
  if (terminal) std::fprintf(stderr, "\n");
  if (!upgraded) throw Failure{kExitModemFailed, o.portName + ": " + OneLine(upgraded.failure())};
  std::printf("%s: %s\n", o.portName.c_str(), std::string(UpgradeStatusText(upgraded.value())).c_str());
  return kExitOk;
}

// The ports named by --port, or every serial port of the system.
std::vector<UnitPort> PortsToUse(const Options& o, PortMap& ports) {
  std::vector<UnitPort> chosen;
  for (const std::string& text : o.portTexts) {
    const auto port = ResolvePort(text, ports);
    if (!port) throw Failure{kExitUsage, "--port: not a port: " + text};
    chosen.push_back(*port);
  }
  if (!o.portTexts.empty()) return chosen;
  for (const PortEntry& e : ListSerialPorts(ReadSystemPortTable(), 1, ports).entries)
    if (const auto port = ResolvePort(e.text, ports)) chosen.push_back(*port);
  return chosen;
}


// One "get_syspara" to each port at once, each bounded by the Read's own
// time-out; nothing else is sent.
int Detect(const Options& o) {
  Need(o, 0, false);
  PortMap ports = o.ports;
  const std::vector<UnitPort> chosen = PortsToUse(o, ports);
  struct Found {
    bool answered = false;
    std::string device, name, imei, model;
  };
  std::vector<Found> found(chosen.size());
  std::vector<int> coms;
  for (const UnitPort& port : chosen) coms.push_back(port.com);
  std::function<TrafficTap(std::size_t)> tapFor;
  if (o.trace) tapFor = [&](std::size_t i) { return o.trace->TapFor(chosen[i].name); };
  const std::vector<Result<ConfigRecord>> answers = DetectModems(coms, ports, tapFor);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    found[i].device = ports.PathFor(chosen[i].com).value_or("");
    if (!answers[i]) continue;
    const ConfigRecord& r = answers[i].value();
    found[i] = {true, found[i].device, r.Get(field::device_name), r.Get(field::imei), r.Get(field::me_type)};
  }
  nlohmann::json json = nlohmann::json::array();
  int answered = 0;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const Found& f = found[i];
    if (!f.answered) continue;
    ++answered;
    if (o.json) {
      // A modem's texts are 8-bit (Latin-1); JSON is UTF-8 and escapes controls itself.
      json.push_back({{"port", Latin1ToUtf8(chosen[i].name)}, {"device", Latin1ToUtf8(f.device)},
                      {"device_name", Latin1ToUtf8(f.name)}, {"imei", Latin1ToUtf8(f.imei)},
                      {"model", Latin1ToUtf8(f.model)}});
    } else {
      // A port named by its device path is printed once.
      const std::string where = chosen[i].name == f.device ? f.device : chosen[i].name + " " + f.device;
      std::printf("%-8s  \"%s\"  IMEI %s  %s\n", Printable(where).c_str(), Printable(f.name).c_str(),
                  Printable(f.imei).c_str(), Printable(f.model).c_str());
    }
  }
  if (o.json) std::printf("%s\n", json.dump(2).c_str());
  else std::fprintf(stderr, "%d of %zu port(s) answered\n", answered, chosen.size());
  return answered ? kExitOk : kExitModemFailed;
}

// Ctrl+C during apply: no further unit starts; those in flight finish and the
// report is written. A second Ctrl+C ends the tool at once.
std::atomic<bool> gStop{false};
extern "C" void OnInterrupt(int) { gStop = true; }

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// "Connect the next modem to COM100 and press Enter": false when Ctrl+C or the
// end of input came instead.
bool PromptForNextModem(const std::string& port) {
  std::fprintf(stderr, "Connect the next modem to %s and press Enter", port.c_str());
  std::fflush(stderr);
  for (;;) {
    if (gStop) return false;
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, 100) <= 0) continue;
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
  }
}


// What one unit is given besides the base: the profile read with the unit's
// columns without a dot filling ${NAME} before --set and the environment do,
// then --set's dotted keys, then the unit's dotted columns. A settings file
// as the base brings no profile of its own.
ProfileRead UnitSettings(const Options& o, const std::string& path, const UnitVariables& unit) {
  std::map<std::string, std::string> own;
  for (const auto& [name, value] : unit)
    if (name.find('.') == std::string::npos) own[name] = value;
  const VariableLookup common = Variables(o);
  ProfileRead read;
  if (IsProfilePath(path)) {
    read = ReadProfileFile(path, [&](const std::string& name) -> std::optional<std::string> {
      if (const auto it = own.find(name); it != own.end()) return it->second;
      return common(name);
    });
  }
  const auto set = [&read](const std::string& key, const std::string& value) {
    if (auto problem = AddSetting(read.profile, key, value)) read.problems.push_back(*problem);
  };
  for (const std::string& pair : o.sets)
    if (const std::string key = pair.substr(0, pair.find('=')); key.find('.') != std::string::npos)
      set(key, pair.substr(pair.find('=') + 1));
  for (const auto& [name, value] : unit)
    if (name.find('.') != std::string::npos) set(name, value);
  return read;
}

// A problem at its place in the profile, or by its key when the value came
// from the units file or --set.
std::string UnitProblemText(const std::string& path, const ProfileProblem& p) {
  return p.line ? ProblemLine(path, p) : (p.key.empty() ? std::string() : p.key + ": ") + p.problem;
}

// The record to write to a unit: a settings file's settings (the unit's own
// status and device bytes kept), or what the unit holds, with the unit's
// settings merged over it and the whole record checked by the setting rules.
// The changed keys are "page.key".
MergeStep UnitMerge(const Options& o, const std::string& path, const std::optional<ConfigRecord>& base) {
  return [o, path, base](const ConfigRecord& read, const UnitVariables& unit) {
    MergeOutcome out{read, {}, {}};
    if (base) {
      out.record.ImportKeepingDeviceBytes(base->Block());
      for (const FieldInfo* f : AllFields())
        if (IsDeviceReported(*f))
          for (std::size_t i = f->offset; i < f->offset + f->width; ++i) out.record.SetRawByte(i, read.RawByte(i));
    }
    const ProfileRead settings = UnitSettings(o, path, unit);
    std::vector<ProfileProblem> problems = settings.problems;
    if (problems.empty()) problems = MergeProfile(out.record, settings.profile, false);
    for (const ProfileProblem& p : problems) out.problems.push_back(UnitProblemText(path, p));
    for (const FieldDifference& d : SettingDifferences(read, out.record))
      out.changedKeys.push_back(ProfileKeyOf(d));
    return out;
  };
}

// Every unit's settings read and checked, as `check` does, before any port is
// opened: a typing error in the units file sends nothing to any unit.
void CheckUnits(const Options& o, const std::string& path, const std::optional<ConfigRecord>& base,
                const std::vector<Unit>& units) {
  std::size_t count = 0;
  for (const Unit& unit : units) {
    const ProfileRead read = UnitSettings(o, path, unit.variables);
    std::vector<ProfileProblem> problems = read.problems;
    if (problems.empty()) {
      ConfigRecord record;
      if (base) record = *base;
      else ApplyFactoryDefaults(record);
      problems = MergeProfile(record, read.profile, true);
    }
    for (const ProfileProblem& p : problems)
      PrintLine(stderr, "row " + std::to_string(unit.row) + ": " + UnitProblemText(path, p));
    count += problems.size();
  }
  if (count)
    throw Failure{kExitUsage, (o.units.empty() ? path : o.units) + ": " + std::to_string(count) + " problem(s); nothing sent"};
}

int ApplyToUnits(const Options& o) {
  Need(o, 1, false);
  if (o.units.empty() && o.portTexts.empty())
    throw Failure{kExitUsage, "apply: --units UNITS.csv or --port is required"};
  // With --units, --port only names devices (COM<n>=<path>) for the file's ports.
  const bool portsToo = std::any_of(o.portTexts.begin(), o.portTexts.end(),
                                    [](const std::string& p) { return p.find('=') == std::string::npos; });
  if (!o.units.empty() && portsToo)
    throw Failure{kExitUsage, "apply: the ports come from the units file; give --units or --port, not both"};
  if (!o.resume.empty() && !o.report.empty() && o.resume != o.report)
    throw Failure{kExitUsage, "apply: --resume adds to its own report; --report names another file"};
  const std::string reportPath = !o.resume.empty() ? o.resume : !o.report.empty() ? o.report : "REPORT.csv";

  FleetOptions fleet;
  fleet.ports = o.ports;
  std::vector<Unit> units;
  try {
    if (!o.units.empty()) {
      units = ReadUnitsFile(o.units, fleet.ports);
    } else {
      for (const UnitPort& port : PortsToUse(o, fleet.ports)) units.push_back({units.size() + 1, port, {}, {}});
    }
  } catch (const FleetFileError& error) {
    throw Failure{kExitUsage, error.what()};
  }
  std::optional<ConfigRecord> base;
  if (!IsProfilePath(o.files[0])) base = LoadSettings(o.files[0]);
  CheckUnits(o, o.files[0], base, units);
  const MergeStep merge = UnitMerge(o, o.files[0], base);

  std::vector<UnitResult> report;
  try {
    if (!o.resume.empty()) report = ReadReport(o.resume);
  } catch (const FleetFileError& error) {
    throw Failure{kExitUsage, error.what()};
  }
  std::vector<Unit> toRun;
  for (const Unit& unit : units) {
    if (AlreadyOk(unit, report))
      std::printf("%s row %zu: ok in %s, skipped\n", unit.port.name.c_str(), unit.row, o.resume.c_str());
    else
      toRun.push_back(unit);
  }
  std::fflush(stdout);

  fleet.jobs = o.jobs;
  fleet.reboot = o.reboot;
  fleet.backupDir = std::filesystem::absolute(reportPath).parent_path() / "backups";
  fleet.trace = o.trace.get();
  fleet.stopRequested = [] { return gStop.load(); };
  fleet.progress = [](const std::string& line) {
    std::printf("%s\n", Printable(line).c_str());
    std::fflush(stdout);
  };
  if (isatty(STDIN_FILENO)) fleet.waitForNextModem = PromptForNextModem;
  std::string reportFailure;
  fleet.finished = [&](const UnitResult& result) {
    report.push_back(result);
    try {
      WriteReport(reportPath, report);  // after every unit: an interrupted run keeps what ended
    } catch (const std::exception& error) {  // on a unit's thread: nothing may escape
      reportFailure = error.what();
    }
  };
  CatchInterrupt();
  const std::vector<UnitResult> results = RunFleet(toRun, merge, fleet);
  if (results.empty()) {
    try {
      WriteReport(reportPath, report);
    } catch (const FleetFileError& error) {
      reportFailure = error.what();
    }
  }

  const auto ok = static_cast<std::size_t>(std::count_if(results.begin(), results.end(), [](const UnitResult& r) { return r.ok; }));
  std::string summary = std::to_string(ok) + " ok, " + std::to_string(results.size() - ok) + " failed";
  if (toRun.size() != units.size()) summary += ", " + std::to_string(units.size() - toRun.size()) + " skipped (ok before)";
  if (results.size() < toRun.size())
    summary += ", " + std::to_string(toRun.size() - results.size()) + " not started (interrupted; --resume " + reportPath + ")";
  std::printf("%s\n", summary.c_str());
  if (!reportFailure.empty()) throw Failure{kExitModemFailed, reportFailure};
  return ok == toRun.size() ? kExitOk : kExitModemFailed;
}

int Dump(const Options& o) {
  Need(o, 1, false);
  const ConfigRecord record = LoadSettings(o.files[0]);
  std::fputs((o.json ? RecordAsJson(record, o.showSecrets) : RecordAsText(record, o.showSecrets)).c_str(), stdout);
  return kExitOk;
}

int Diff(const Options& o) {
  Need(o, 2, false);
  const ConfigRecord a = LoadRecord(o, o.files[0]);
  const ConfigRecord b = LoadRecord(o, o.files[1]);
  const std::vector<FieldDifference> differences = o.all ? DiffRecords(a, b) : SettingDifferences(a, b);
  for (const FieldDifference& d : differences) PrintLine(stdout, DifferenceLine(d, o.showSecrets));
  return differences.empty() ? kExitOk : kExitModemFailed;  // as diff(1): 1 when they differ
}

int Check(const Options& o) {
  Need(o, 1, false);
  ProfileRead read = ReadProfileWithSets(o, o.files[0]);
  ConfigRecord record;
  ApplyFactoryDefaults(record);
  std::vector<ProfileProblem> problems = read.problems;
  const std::vector<ProfileProblem> merged = MergeProfile(record, read.profile, true);
  problems.insert(problems.end(), merged.begin(), merged.end());
  std::stable_sort(problems.begin(), problems.end(), [](const ProfileProblem& a, const ProfileProblem& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  FailOnProblems(o.files[0], problems, "nothing may be applied");
  PrintLine(stdout, o.files[0] + ": " + std::to_string(read.profile.settings.size()) + " setting(s), no problems");
  return kExitOk;
}

int Apply(const Options& o) {
  // A units file, several ports or a report make it a run over many units.
  if (!o.units.empty() || o.portTexts.size() > 1 || !o.report.empty() || !o.resume.empty() || o.jobs || o.reboot)
    return ApplyToUnits(o);
  Need(o, 1, true);
  const Profile profile = LoadProfile(o, o.files[0]);  // refused before anything is sent
  ModemClient modem(o.ports);
  OpenModem(modem, o);
  ApplyOptions options;
  options.dryRun = o.dryRun;
  const ApplyResult result = ApplyProfile(modem, profile, options);
  FailIfDisconnected(modem, o);
  const std::string port = o.portName;
  using Outcome = ApplyResult::Outcome;
  if (result.outcome == Outcome::NoAnswer) throw Failure{kExitModemFailed, port + ": " + result.failure};
  if (result.outcome == Outcome::Refused) FailOnProblems(o.files[0], result.breaches, "nothing written");
  for (const FieldDifference& d : result.changes) PrintLine(stdout, DifferenceLine(d, o.showSecrets));
  if (result.outcome == Outcome::DryRun) {
    std::printf("%s: dry run: %zu change(s), nothing written\n", port.c_str(), result.changes.size());
    return kExitOk;
  }
  for (const FieldDifference& d : result.notHeld)
    PrintLine(stderr, "not held by the modem: " + DifferenceLine(d, o.showSecrets));
  if (result.outcome == Outcome::NotHeld)
    throw Failure{kExitModemFailed, std::to_string(result.notHeld.size()) + " setting(s) not held by the modem"};
  std::printf("%s: %zu change(s) written; the modem holds every setting of %s\n", port.c_str(), result.changes.size(),
              Printable(o.files[0]).c_str());
  return kExitOk;
}

int Verify(const Options& o) {
  Need(o, 1, true);
  const bool profileFile = IsProfilePath(o.files[0]);
  const Profile profile = profileFile ? LoadProfile(o, o.files[0]) : Profile{};
  const ConfigRecord file = profileFile ? ConfigRecord{} : LoadSettings(o.files[0]);
  ModemClient modem(o.ports);
  OpenModem(modem, o);
  const ConfigRecord held = ReadModem(modem, o);
  ConfigRecord expected = profileFile ? held : file;
  if (profileFile) FailOnProblems(o.files[0], MergeProfile(expected, profile, true), "nothing compared");
  const std::vector<FieldDifference> differences = SettingDifferences(expected, held);
  for (const FieldDifference& d : differences) PrintLine(stdout, "differs: " + DifferenceLine(d, o.showSecrets));
  if (!differences.empty())
    throw Failure{kExitModemFailed, std::to_string(differences.size()) + " setting(s) of " + o.files[0] + " not held"};
  std::printf("%s: the modem holds every setting of %s\n", o.portName.c_str(), Printable(o.files[0]).c_str());
  return kExitOk;
}

struct Command {
  std::string_view name;
  int (*run)(const Options&);
};
constexpr Command kCommands[] = {{"ports", Ports},     {"read", Read},     {"write", Write}, {"reboot", Reboot},
                                 {"upgrade", Upgrade}, {"detect", Detect}, {"check", Check}, {"apply", Apply},
                                 {"verify", Verify},   {"dump", Dump},     {"diff", Diff}};

// One command's lines of the usage, with the notes that follow the list.
std::string CommandUsage(std::string_view command) {
  const std::string_view usage(kUsage);
  const std::string key = "  " + std::string(command) + " ";
  const std::size_t start = usage.find(key);
  if (start == std::string_view::npos) return kUsage;
  std::size_t end = usage.find('\n', start) + 1;
  // Continuation lines are indented further than any command name.
  while (end < usage.size() && usage.substr(end, 10) == "          ") end = usage.find('\n', end) + 1;
  const std::size_t notes = usage.find("--port COM<n>=");
  return "usage: telvaro-cli " + std::string(usage.substr(start + 2, end - start - 2)) + std::string(usage.substr(notes));
}

// "did you mean read?" for "raed" or "rea"; nothing when no command is close.
std::string CloseMatch(std::string_view typed) {
  std::string best;
  std::size_t bestDistance = 3;
  for (const Command& c : kCommands) {
    const std::size_t distance = EditDistance(typed, c.name);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = c.name;
    }
  }
  return best.empty() ? std::string() : " (did you mean " + best + "?)";
}

bool IsCommand(std::string_view name) {
  for (const Command& c : kCommands)
    if (c.name == name) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h" ||
                   std::string_view(argv[1]) == "help")) {
    std::fputs(argc > 2 && IsCommand(argv[2]) ? CommandUsage(argv[2]).c_str() : kUsage, stdout);
    return kExitOk;
  }
  // "COMMAND --help" explains that command and does nothing else.
  if (argc > 1 && IsCommand(argv[1]))
    for (int i = 2; i < argc; ++i)
      if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
        std::fputs(CommandUsage(argv[1]).c_str(), stdout);
        return kExitOk;
      }
  if (argc > 1 && std::string_view(argv[1]) == "--version") {
    std::printf("telvaro-cli %s\n", TELVARO_VERSION);
    return kExitOk;
  }
  try {
    const Options options = ParseArguments(argc, argv);
    for (const Command& c : kCommands)
      if (c.name == options.command) return c.run(options);
    const std::string match = CloseMatch(options.command);
    throw ::Failure{kExitUsage, "unknown command: " + options.command + (match.empty() ? " (try --help)" : match)};
  } catch (const ::Failure& failure) {
    std::fprintf(stderr, "telvaro-cli: %s\n", failure.text.c_str());
    return failure.status;
  } catch (const std::exception& error) {
    // Nothing the operator passes may end the tool with an abort.
    std::fprintf(stderr, "telvaro-cli: %s\n", error.what());
    return kExitUsage;
  }
}
