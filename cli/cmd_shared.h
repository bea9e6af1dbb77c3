// What telvaro-cli's command groups share: how a command is declared and
// run, how it fails, the options every modem command takes (--port, --trace),
// --set and --show-secrets, and the steps several commands take (loading a
// settings file or profile, opening and reading a modem).
#pragma once

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "fleet/fleet.h"
#include "operations/modem_client.h"
#include "fleet/record_text.h"
#include "fleet/unit_plan.h"
#include "link/port_map.h"
#include "profile/profile.h"
#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

class TrafficLog;

namespace cli {

// What a declared command does once its options are parsed: its exit status
// (0, or 1 for an outcome such as "the files differ"). A failure is thrown.
using CommandRun = std::function<int()>;
// Each group adds its subcommands to the app and their runs to the table.
using CommandTable = std::map<const CLI::App*, CommandRun>;

void AddFileCommands(CLI::App& app, CommandTable& commands);   // check, dump, diff, backups
void AddModemCommands(CLI::App& app, CommandTable& commands);  // ports, read, write, verify, reboot, upgrade, detect
void AddApplyCommands(CLI::App& app, CommandTable& commands);  // apply, one modem or many

// --allow-empty NAME (repeatable), for apply and check with a units file.
void AddAllowEmptyOption(CLI::App& command, std::vector<std::string>& names);
// check PROFILE --units UNITS.csv: every row checked as apply checks it
// before any port is opened; no port is opened.
int CheckUnitsFile(const std::string& file, const std::vector<std::string>& sets, const std::string& units,
                   const std::vector<std::string>& allowEmpty);

// A failure that ends the command; main turns its kind into the exit status.
struct CommandFailure {
  Failure failure;
};
[[noreturn]] void Fail(FailureKind kind, std::string message);
// "telvaro-cli: <message>" on standard error: every error is this one line.
void PrintFailure(const Failure& failure);

// A new subcommand, with the help text its usage line shows.
CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& help);
// A positional argument: a file the command takes.
void AddFileArgument(CLI::App& command, const std::string& name, std::string& file, const std::string& help);
// The same, left out when its default serves (keys [PAGE], backups [DIR]).
void AddOptionalArgument(CLI::App& command, const std::string& name, std::string& value, const std::string& help);
bool IsOptionalArgument(const CLI::Option* option);

// --port and --trace as given; resolved when the command runs.
struct PortOptions {
  std::vector<std::string> texts;  // every --port, in order
  std::string trace;               // --trace FILE
};
// --port (repeatable); `required` for a command that talks to one modem.
void AddPortOption(CLI::App& command, PortOptions& options, bool required, const std::string& help);
void AddTraceOption(CLI::App& command, PortOptions& options);

// The ports of a command: the COM map (TELVARO_PORTS, then the pairs given),
// the one modem named last, and the trace.
struct Ports {
  PortMap map;
  int com = 0;
  std::string name;  // "COM<n>", or the device path given, for messages
  std::vector<std::string> texts;
  std::shared_ptr<TrafficLog> trace;
};
// A file a command reads or writes besides the output being checked.
struct NamedFile {
  std::string path;
  std::string role;  // "the profile", "the units file"...
};
// An output that is one of `files` (the same path, or a link to it) is
// refused before anything is opened or sent: it would destroy that file.
void RefuseOutputOver(const std::string& option, const std::string& output, const std::vector<NamedFile>& files);
// The trace is opened only once it is known not to be one of `files`.
Ports ResolvePorts(const PortOptions& options, const std::vector<NamedFile>& files = {});
// The ports named by --port, or every serial port of the system.
std::vector<UnitPort> PortsToUse(const std::vector<std::string>& texts, PortMap& ports);

// A run over many units, apply's or upgrade's: the ports from a units file
// or from --port, one queue per device, each unit through the fleet runner,
// the report after every unit, Ctrl+C and --resume. The command fills in
// what it does to a unit.
struct UnitsCommand {
  std::string name;  // "apply", "upgrade": its messages say it
  PortOptions port;
  std::string units;   // --units
  std::string report;  // --report
  std::string resume;  // --resume
  std::string backup;  // --backup DIR; default backups/ beside the report
  std::size_t jobs = 0;
  bool dryRun = false;
  bool firmware = false;  // a campaign's report (firmware columns): resumed only by a campaign
  std::vector<NamedFile> inputs;  // the command's own input files
  // Every unit checked before any port is opened; fails the command (a
  // Failure thrown) on a problem. May be empty.
  std::function<void(const std::vector<Unit>& units)> check;
  // What the command sets in the runner's options: its merge, or its image.
  std::function<void(FleetOptions& fleet)> configure;
  MergeStep merge;
};
int RunUnits(const UnitsCommand& command);
// --jobs N: a number of ports from 1 to 1000.
CLI::Validator JobsCount();
// --units, --jobs, --report and --resume as upgrade declares them.
void AddUnitsOptions(CLI::App& command, std::string& units, std::size_t& jobs, std::string& report,
                     std::string& resume);


// --set KEY=VALUE (repeatable) and --show-secrets.
void AddSetOption(CLI::App& command, std::vector<std::string>& sets);
void AddShowSecretsOption(CLI::App& command, bool& showSecrets);

// The profile with the dotted --set keys over it; problems of either as read.
ProfileRead ReadProfileWithSets(const std::vector<std::string>& sets, const std::string& path);
// Every problem on standard error, then an Input failure "FILE: n problem(s); <what>".
void FailOnProblems(const std::string& file, const std::vector<ProfileProblem>& problems, const std::string& what);
// Every problem of a profile as `check` finds them: as read, and each
// setting by its rule over the factory settings; in the order of the file.
std::vector<ProfileProblem> ProfileProblems(const ProfileRead& read);
// The profile, or a failure listing every problem `check` would list. Only a
// setting left out that a gate asks for (the PIN of a PIN lock) lets it pass:
// the modem's record, merged later, may hold it.
Profile LoadProfile(const std::vector<std::string>& sets, const std::string& path);
ConfigRecord LoadSettings(const std::string& path);
// What `diff` and `verify` take for FILE: "factory" names the factory settings.
inline constexpr const char* kFactoryName = "factory";
ConfigRecord FactoryRecord();
// A settings file as it is, a profile over the factory settings, or "factory".
ConfigRecord LoadRecord(const std::vector<std::string>& sets, const std::string& path);

void OpenModem(ModemClient& modem, const Ports& ports);
// A pulled adapter or a closed other end ends the command at once.
void FailIfDisconnected(const ModemClient& modem, const Ports& ports);
ConfigRecord ReadModem(ModemClient& modem, const Ports& ports);

// Control characters from the modem's texts (escape sequences among them)
// never reach the terminal as they are: C0 and DEL, and C1 (0x80 to 0x9F,
// 0x9B a terminal's CSI) whether as a lone byte or UTF-8.
std::string Printable(std::string_view text);
void PrintLine(std::FILE* to, const std::string& line);
// "page.key: before -> after" of every field, secrets masked unless shown
// (diff --all, settings not held).
std::string DifferenceLine(const FieldDifference& difference, bool showSecrets);
// "FILE: stored as written: key: before -> after (why)" for each correction
// Write makes on its own, on standard output.
void PrintNormalisations(const std::string& file, const std::vector<Normalisation>& normalised);
// Each setting change on its own line, page order, with why when Write
// makes it on its own.
void PrintChanges(const ConfigRecord& from, const ConfigRecord& to, bool showSecrets,
                  const std::vector<Normalisation>& normalised = {});

}  // namespace cli
}  // namespace telvaro
