#include "cli/cmd_shared.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <filesystem>

#include "cli/console.h"
#include "fleet/profile_apply.h"
#include "link/port_discovery.h"
#include "operations/settings_file.h"
#include "operations/traffic_log.h"
#include "record/factory_defaults.h"

namespace telvaro::cli {

void Fail(FailureKind kind, std::string message) { throw CommandFailure{Failure{kind, std::move(message), {}}}; }

void PrintFailure(const Failure& failure) { std::fprintf(stderr, "telvaro-cli: %s\n", OneLine(failure).c_str()); }

CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& help) {
  CLI::App* command = app.add_subcommand(name, help);
  // Whatever the command does not take is reported by main, with the
  // command's own words: see UnknownArgumentText.
  command->allow_extras();
  return command;
}

void AddFileArgument(CLI::App& command, const std::string& name, std::string& file, const std::string& help) {
  command.add_option(name, file, help);
}

std::set<const CLI::Option*>& OptionalArguments() {
  static std::set<const CLI::Option*> optional;
  return optional;
}

void AddOptionalArgument(CLI::App& command, const std::string& name, std::string& value, const std::string& help) {
  OptionalArguments().insert(command.add_option(name, value, help));
}

bool IsOptionalArgument(const CLI::Option* option) { return OptionalArguments().count(option) > 0; }

void AddPortOption(CLI::App& command, PortOptions& options, bool required, const std::string& help) {
  CLI::Option* port = command.add_option("--port", options.texts, help)
                          ->type_name("COM<n>")
                          ->expected(1)
                          ->allow_extra_args(false)
                          ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  port->required(required);
}

void AddTraceOption(CLI::App& command, PortOptions& options) {
  command.add_option("--trace", options.trace, "write every frame sent and received to FILE (secrets masked)")
      ->type_name("FILE");
}

void AddSetOption(CLI::App& command, std::vector<std::string>& sets) {
  command
      .add_option("--set", sets, "set a profile key (gprs.apn=internet), or ${NAME} for a name without a dot")
      ->type_name("KEY=VALUE")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(CLI::Validator(
          [](std::string& set) { return set.find('=') == std::string::npos ? "not KEY=VALUE: " + set : std::string(); },
          ""));
}

void AddShowSecretsOption(CLI::App& command, bool& showSecrets) {
  command.add_flag("--show-secrets", showSecrets, "print secrets as they are, not as \"****\"");
}

namespace {

// --trace FILE: every frame of every port, as it passes, to FILE.
std::shared_ptr<TrafficLog> OpenTrace(const std::string& path) {
  // Its owner's only: the frames it holds name the modem and its settings.
  std::FILE* file = OpenPrivateText(path);
  if (!file) Fail(FailureKind::File, "--trace: " + path + ": cannot be written");
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

}  // namespace

void RefuseOutputOver(const std::string& option, const std::string& output, const std::vector<NamedFile>& files) {
  namespace fs = std::filesystem;
  if (output.empty() || output == "-") return;
  std::error_code error;
  const fs::path written = fs::weakly_canonical(fs::absolute(output, error), error);
  for (const NamedFile& file : files) {
    if (file.path.empty() || file.path == "-") continue;
    std::error_code e;
    const bool same = fs::equivalent(output, file.path, e) ||
                      written == fs::weakly_canonical(fs::absolute(file.path, e), e);
    if (same)
      Fail(FailureKind::Usage, option + ": " + output + " is " + file.role + "; it would be overwritten; nothing done");
  }
}

Ports ResolvePorts(const PortOptions& options, const std::vector<NamedFile>& files) {
  RefuseOutputOver("--trace", options.trace, files);
  Ports ports;
  if (const std::string bad = ports.map.AddPairsFromEnvironment(); !bad.empty())
    Fail(FailureKind::Usage, "TELVARO_PORTS: not a COM<n>=<path> pair: " + bad);
  ports.texts = options.texts;
  for (const std::string& port : options.texts) {
    if (port.find('/') != std::string::npos && port.find('=') == std::string::npos) {
      ports.com = ComForDevice(ports.map, port);
      ports.name = port;
      continue;
    }
    if (port.find('=') != std::string::npos && !ports.map.AddPair(port))
      Fail(FailureKind::Usage, "--port: not a COM<n>=<device path> pair: " + port);
    const auto com = ParseComName(port.substr(0, port.find('=')));
    if (!com) Fail(FailureKind::Usage, "--port: not a COM<n> port: " + port);
    ports.com = *com;
    ports.name = "COM" + std::to_string(*com);
  }
  if (!options.trace.empty()) ports.trace = OpenTrace(options.trace);
  return ports;
}

std::vector<UnitPort> PortsToUse(const std::vector<std::string>& texts, PortMap& ports) {
  std::vector<UnitPort> chosen;
  for (const std::string& text : texts) {
    const auto port = ResolvePort(text, ports);
    if (!port) Fail(FailureKind::Usage, "--port: not a port: " + text);
    chosen.push_back(*port);
  }
  if (!texts.empty()) return chosen;
  for (const PortEntry& e : ListSerialPorts(ReadSystemPortTable(), 1, ports).entries)
    if (const auto port = ResolvePort(e.text, ports)) chosen.push_back(*port);
  return chosen;
}

ProfileRead ReadProfileWithSets(const std::vector<std::string>& sets, const std::string& path) {
  ProfileRead read = ReadProfileFile(path, Variables(sets));
  for (const std::string& set : sets) {
    const std::string key = set.substr(0, set.find('='));
    if (key.find('.') == std::string::npos) continue;
    if (auto problem = AddSetting(read.profile, key, set.substr(set.find('=') + 1))) read.problems.push_back(*problem);
  }
  return read;
}

void FailOnProblems(const std::string& file, const std::vector<ProfileProblem>& problems, const std::string& what) {
  if (problems.empty()) return;
  for (const ProfileProblem& p : problems) PrintLine(stderr, ProblemLine(file, p));
  Fail(FailureKind::Input, file + ": " + std::to_string(problems.size()) + " problem(s); " + what);
}

ConfigRecord FactoryRecord() {
  ConfigRecord record;
  ApplyFactoryDefaults(record);
  return record;
}

std::vector<ProfileProblem> ProfileProblems(const ProfileRead& read) {
  std::vector<ProfileProblem> problems = read.problems;
  ConfigRecord record = FactoryRecord();
  const std::vector<ProfileProblem> merged = MergeProfile(record, read.profile, true);
  for (const ProfileProblem& p : merged)
    if (std::none_of(problems.begin(), problems.end(), [&](const ProfileProblem& q) { return q.key == p.key; }))
      problems.push_back(p);
  std::stable_sort(problems.begin(), problems.end(), [](const ProfileProblem& a, const ProfileProblem& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  return problems;
}

Profile LoadProfile(const std::vector<std::string>& sets, const std::string& path) {
  ProfileRead read = ReadProfileWithSets(sets, path);
  const std::vector<ProfileProblem> problems = ProfileProblems(read);
  if (std::any_of(problems.begin(), problems.end(), [](const ProfileProblem& p) { return !p.gated; }))
    FailOnProblems(path, problems, "nothing done");
  return read.profile;
}

ConfigRecord LoadSettings(const std::string& path) {
  const SettingsFileRead read = ReadSettingsFile(path);
  if (!read.record) Fail(FailureKind::Input, path + ": " + read.message + " (" + read.detail + ")");
  return *read.record;
}

ConfigRecord LoadRecord(const std::vector<std::string>& sets, const std::string& path) {
  if (path == kFactoryName && !std::filesystem::exists(path)) return FactoryRecord();
  if (!IsProfilePath(path)) return LoadSettings(path);
  ConfigRecord record = FactoryRecord();
  FailOnProblems(path, MergeProfile(record, LoadProfile(sets, path), true), "nothing done");
  return record;
}

void OpenModem(ModemClient& modem, const Ports& ports) {
  if (ports.trace) modem.SetTrafficTap(ports.trace->TapFor(ports.name));
  if (const Result<void> opened = modem.Open(ports.com); !opened) Fail(FailureKind::Port, OneLine(opened.failure()));
}

void FailIfDisconnected(const ModemClient& modem, const Ports& ports) {
  if (modem.Disconnected()) Fail(FailureKind::Disconnected, ports.name + ": " + modem.Session().DisconnectedText());
}

ConfigRecord ReadModem(ModemClient& modem, const Ports& ports) {
  Result<ConfigRecord> read = modem.Read();
  if (!read) Fail(read.failure().kind, ports.name + ": " + OneLine(read.failure()));
  return std::move(read.value());
}

std::string Printable(std::string_view text) {
  std::string out;
  const auto escape = [&out](unsigned char c) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    out += escaped;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
      escape(c);  // a lone C1 byte: a modem's 8-bit text
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      escape(c);  // C1 written as UTF-8
      escape(next);
      ++i;
    } else if (c >= 0xC2 && c <= 0xF4 && next >= 0x80 && next <= 0xBF) {
      // A UTF-8 sequence (a file name, say): its continuation bytes stay.
      const std::size_t length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      std::size_t n = 1;
      while (n < length && i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
      if (n == length) {
        out.append(text.substr(i, n));
        i += n - 1;
      } else {
        out += static_cast<char>(c);  // 8-bit text: the next byte is judged on its own
      }
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

void PrintNormalisations(const std::string& file, const std::vector<Normalisation>& normalised) {
  for (const Normalisation& n : normalised)
    PrintLine(stdout, file + ": stored as written: " + n.key + ": " + n.before + " -> " + n.after + " (" + n.reason + ")");
}

void PrintChanges(const ConfigRecord& from, const ConfigRecord& to, bool showSecrets,
                  const std::vector<Normalisation>& normalised) {
  for (const SettingChange& c : SettingChanges(from, to, showSecrets)) PrintLine(stdout, ChangeLine(c, normalised));
}

}  // namespace telvaro::cli
