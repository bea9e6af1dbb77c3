// apply: one modem brought to a profile, or many units (the fleet): each
// backed up, merged with its own values, written and read back, with a report.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <memory>

#include "cli/cmd_shared.h"
#include "cli/console.h"
#include "fleet/fleet_files.h"
#include "fleet/profile_apply.h"
#include "fleet/unit_plan.h"
#include "record/factory_defaults.h"

namespace telvaro::cli {
namespace {

struct ApplyCommandOptions {
  std::string file;
  PortOptions port;
  std::vector<std::string> sets;
  bool dryRun = false;
  bool showSecrets = false;
  std::string units;
  std::string report;
  std::string resume;
  std::size_t jobs = 0;
  bool reboot = false;
  std::string backup;  // --backup DIR
  bool verbose = false;
  std::vector<std::string> allowEmpty;  // ${NAME}s whose cell may be empty
};

// Ctrl+C during apply: no further unit starts; those in flight finish and the
// report is written. A second Ctrl+C ends the tool at once, once the report
// holds every unit that finished before it (a watcher thread writes it).
std::atomic<bool> gStop{false};
std::atomic<bool> gEndNow{false};
extern "C" void OnInterrupt(int) {
  if (gStop.exchange(true)) gEndNow = true;
}

void CatchInterrupt() { CatchStopRequests(OnInterrupt, false, false); }

// "Connect the next modem to COM100 and press Enter": false when Ctrl+C or the
// end of input came instead.
bool PromptForNextModem(const std::string& port) {
  std::fprintf(stderr, "Connect the next modem to %s and press Enter", port.c_str());
  std::fflush(stderr);
  for (;;) {
    if (gStop) return false;
    char c = 0;
    const int got = ReadInputByte(c, 100);
    if (got < 0) continue;
    if (got == 0) return false;
    if (c == '\n') return true;
  }
}

// What every unit is given: the profile or settings file, --set, --allow-empty.
UnitSource SourceOf(const ApplyCommandOptions& o, const std::optional<ConfigRecord>& base) {
  return UnitSource{o.file, base, o.sets, o.allowEmpty, o.showSecrets};
}

// Every unit's settings read and checked, as `check` does, before any port is
// opened: a typing error in the units file sends nothing to any unit.
void CheckUnits(const ApplyCommandOptions& o, const std::optional<ConfigRecord>& base, const std::vector<Unit>& units) {
  std::vector<std::string> columns;
  if (!units.empty())
    for (const auto& [name, value] : units.front().variables) columns.push_back(name);
  if (const std::vector<std::string> unknown = UnknownColumns(o.file, columns); !unknown.empty()) {
    for (const std::string& problem : unknown) PrintLine(stderr, o.units + ": " + problem);
    Fail(FailureKind::Input, o.units + ": " + std::to_string(unknown.size()) + " problem(s); nothing sent");
  }
  const UnitSource source = SourceOf(o, base);
  std::size_t count = 0;
  for (const Unit& unit : units) {
    const std::vector<std::string> problems = UnitProblems(source, unit.variables);
    for (const std::string& p : problems) PrintLine(stderr, "row " + std::to_string(unit.row) + ": " + p);
    count += problems.size();
  }
  if (count)
    Fail(FailureKind::Input,
         (o.units.empty() ? o.file : o.units) + ": " + std::to_string(count) + " problem(s); nothing sent");
}

// The device a unit's port opens: two names of one device are one port.
std::string DeviceOf(const UnitPort& port, const PortMap& ports) {
  const std::optional<std::string> path = ports.PathFor(port.com);
  if (!path) return port.name;
  std::error_code error;
  const std::filesystem::path device = std::filesystem::weakly_canonical(*path, error);
  return error ? *path : device.string();
}

// Every unit of one device opened under one port, so one queue serves them.
// Units from --port naming a device twice are one unit; rows of a units file
// sharing a device run one after the other only with a terminal to ask for
// the next modem: otherwise one modem would be written twice.
void OnePortPerDevice(std::vector<Unit>& units, const PortMap& ports, bool fromPorts, bool prompt) {
  std::map<std::string, const Unit*> first;
  std::vector<Unit> kept;
  for (Unit& unit : units) {
    const auto [it, added] = first.emplace(DeviceOf(unit.port, ports), &unit);
    if (added) {
      kept.push_back(unit);
      continue;
    }
    if (fromPorts) continue;
    if (!prompt)
      Fail(FailureKind::Usage, "rows " + std::to_string(it->second->row) + " and " + std::to_string(unit.row) +
                                   " are on one port (" + it->second->port.name +
                                   "), and there is no terminal to ask for the next modem; nothing sent");
    unit.port = it->second->port;
    kept.push_back(unit);
  }
  if (fromPorts)
    for (std::size_t i = 0; i < kept.size(); ++i) kept[i].row = i + 1;
  units = std::move(kept);
}

int ApplyToUnits(const ApplyCommandOptions& o) {
  if (o.units.empty() && o.port.texts.empty()) Fail(FailureKind::Usage, "apply: --units UNITS.csv or --port is required");
  UnitsCommand c;
  c.name = "apply";
  c.port = o.port;
  c.units = o.units;
  c.report = o.report;
  c.resume = o.resume;
  c.backup = o.backup;
  c.jobs = o.jobs;
  c.dryRun = o.dryRun;
  c.inputs = {{o.file, "the profile"}, {o.units, "the units file"}};
  auto base = std::make_shared<std::optional<ConfigRecord>>();
  c.check = [&o, base](const std::vector<Unit>& units) {
    if (!IsProfilePath(o.file)) *base = LoadSettings(o.file);
    CheckUnits(o, *base, units);
  };
  c.configure = [&o, base](FleetOptions& fleet) {
    fleet.reboot = o.reboot;
    fleet.verbose = o.verbose;
    fleet.dryRun = o.dryRun;
  };
  c.merge = [&o, base](const ConfigRecord& read, const UnitVariables& unit) { return UnitMerge(SourceOf(o, *base))(read, unit); };
  return RunUnits(c);
}

}  // namespace

CLI::Validator JobsCount() {
  return CLI::Validator(
      [](std::string& jobs) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(jobs.c_str(), &end, 10);
        if (jobs.empty() || *end || n == 0 || n > 1000 || jobs[0] == '-') return "not a number of ports: " + jobs;
        jobs = std::to_string(n);  // decimal, as written: "010" is ten
        return std::string();
      },
      "");
}

int RunUnits(const UnitsCommand& c) {
  // With --units, --port only names devices (COM<n>=<path>) for the file's ports.
  const bool portsToo = std::any_of(c.port.texts.begin(), c.port.texts.end(),
                                    [](const std::string& p) { return p.find('=') == std::string::npos; });
  if (!c.units.empty() && portsToo)
    Fail(FailureKind::Usage, c.name + ": the ports come from the units file; give --units or --port, not both");
  if (!c.resume.empty() && !c.report.empty() && c.resume != c.report)
    Fail(FailureKind::Usage, c.name + ": --resume adds to its own report; --report names another file");
  const std::string reportPath = !c.resume.empty() ? c.resume : !c.report.empty() ? c.report : "REPORT.csv";
  RefuseOutputOver(!c.resume.empty() ? "--resume" : "--report", reportPath, c.inputs);
  std::vector<NamedFile> used = c.inputs;
  used.push_back({reportPath, "the report"});
  // The report's place is judged before any modem is written.
  if (!c.dryRun)
    if (const std::string problem = ReportDestinationProblem(reportPath); !problem.empty())
      Fail(FailureKind::File, reportPath + ": " + problem + "; nothing sent");

  Ports ports = ResolvePorts(c.port, used);
  FleetOptions fleet;
  fleet.ports = ports.map;
  const bool prompt = IsTerminal(stdin);
  std::vector<Unit> units;
  try {
    if (!c.units.empty()) {
      units = ReadUnitsFile(c.units, fleet.ports);
    } else {
      for (const UnitPort& port : PortsToUse(c.port.texts, fleet.ports)) units.push_back({units.size() + 1, port, {}, {}, false, {}, {}});
    }
  } catch (const FleetFileError& error) {
    Fail(FailureKind::Input, error.what());
  }
  if (c.check) c.check(units);
  OnePortPerDevice(units, fleet.ports, c.units.empty(), prompt);

  std::vector<UnitResult> report;
  try {
    if (!c.resume.empty()) report = ReadReport(c.resume);
  } catch (const FleetFileError& error) {
    Fail(FailureKind::Input, error.what());
  }
  // An apply's "ok" says nothing of a firmware, nor a campaign's of settings.
  const bool firmwareReport =
      std::any_of(report.begin(), report.end(), [](const UnitResult& r) { return !r.firmware.empty(); });
  if (!report.empty() && firmwareReport != c.firmware)
    Fail(FailureKind::Input, c.resume + ": a report of telvaro-cli " + (firmwareReport ? "upgrade" : "apply") +
                                 ", not of " + c.name + "; nothing sent");
  // A report is resumed only for the units it was made of.
  if (const std::string mismatch = ReportMismatch(units, report); !mismatch.empty())
    Fail(FailureKind::Input, c.resume + ": not a report of these units: " + mismatch + "; nothing sent");
  for (Unit& unit : units) {
    if (const UnitResult* before = OkBefore(unit, report)) {
      unit.resumed = true;
      unit.resumedImei = before->imei;
    }
    // The backup of this unit's last failed upgrade, should it answer no Read.
    for (const UnitResult& r : report)
      if (c.firmware && !unit.resumed && !r.ok && r.row == unit.row && r.port == unit.port.name &&
          r.firmware == FirmwareStepText(FirmwareStep::Failed) && !r.backup.empty())
        unit.earlierBackup = r.backup;
  }
  // An earlier report is kept under its time, never overwritten by a new run.
  if (c.resume.empty() && !c.dryRun) {
    try {
      if (const std::string kept = KeepEarlierReport(reportPath); !kept.empty())
        std::printf("earlier report kept as %s\n", Printable(kept).c_str());
    } catch (const FleetFileError& error) {
      Fail(FailureKind::File, error.what());
    }
  }
  std::fflush(stdout);

  fleet.jobs = c.jobs;
  fleet.dryRun = c.dryRun;
  fleet.backupDir = !c.backup.empty() ? std::filesystem::path(c.backup)
                                      : std::filesystem::absolute(reportPath).parent_path() / "backups";
  fleet.trace = ports.trace.get();
  fleet.stopRequested = [] { return gStop.load(); };
  fleet.progress = [](const std::string& line) {
    std::printf("%s\n", Printable(line).c_str());
    std::fflush(stdout);
  };
  if (prompt) fleet.waitForNextModem = PromptForNextModem;
  if (c.configure) c.configure(fleet);
  std::mutex reportLock;  // the report as units end, and as a second Ctrl+C ends the run
  std::string reportFailure;
  const auto saveReport = [&] {
    if (c.dryRun) return;  // a dry run leaves no report a later --resume would trust
    try {
      WriteReport(reportPath, report);
    } catch (const std::exception& error) {  // on a unit's thread: nothing may escape
      reportFailure = error.what();
    }
  };
  fleet.finished = [&](const UnitResult& result) {
    if (result.skipped) return;  // its line in the report stays as it was
    std::lock_guard guard(reportLock);
    report.push_back(result);
    saveReport();  // after every unit: an interrupted run keeps what ended
  };
  CatchInterrupt();
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    while (!done) {
      if (gEndNow) {
        std::lock_guard guard(reportLock);
        saveReport();
        std::fprintf(stderr, "telvaro-cli: interrupted again: the units in flight are left as they are; %s holds the "
                     "units that ended\n", reportPath.c_str());
        std::_Exit(130);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const std::vector<UnitResult> results = RunFleet(units, c.merge, fleet);
  done = true;
  watcher.join();
  if (results.empty()) saveReport();

  const auto count = [&](auto pick) {
    return static_cast<std::size_t>(std::count_if(results.begin(), results.end(), pick));
  };
  const std::size_t skipped = count([](const UnitResult& r) { return r.skipped; });
  const std::size_t ok = count([](const UnitResult& r) { return r.ok && !r.skipped; });
  const std::size_t failed = results.size() - ok - skipped;
  std::string summary = std::to_string(ok) + (c.dryRun ? " read" : " ok") + ", " + std::to_string(failed) + " failed";
  if (skipped) summary += ", " + std::to_string(skipped) + " skipped (ok before)";
  if (results.size() < units.size())
    summary += ", " + std::to_string(units.size() - results.size()) + " not started (interrupted; --resume " +
               reportPath + ")";
  if (c.dryRun) summary += "; dry run: nothing written";
  std::printf("%s\n", summary.c_str());
  // The units were served; a report that could not be kept fails the run as
  // a unit that did not end ok does.
  if (!reportFailure.empty()) {
    PrintFailure(Failure{FailureKind::File, reportFailure, {}});
    return 1;
  }
  return failed == 0 && results.size() == units.size() ? 0 : 1;
}

void AddUnitsOptions(CLI::App& command, std::string& units, std::size_t& jobs, std::string& report,
                     std::string& resume) {
  command.add_option("--units", units, "the units: a port column and each unit's values")->type_name("UNITS.csv");
  command.add_option("--jobs", jobs, "at most N ports served at once (default: all)")
      ->type_name("N")
      ->check(JobsCount());
  command.add_option("--report", report, "where the report goes (default REPORT.csv; JSON for .json)")
      ->type_name("REPORT");
  command.add_option("--resume", resume, "skip the units REPORT lists as ok and add to it")->type_name("REPORT");
}

namespace {

int Apply(const ApplyCommandOptions& o) {
  // A units file, several ports or a report make it a run over many units;
  // --reboot, --jobs and --backup do not.
  if (!o.units.empty() || o.port.texts.size() > 1 || !o.report.empty() || !o.resume.empty()) return ApplyToUnits(o);
  const Ports ports = ResolvePorts(o.port, {{o.file, "the profile"}});
  if (ports.com == 0) Fail(FailureKind::Usage, "apply: --port COM<n> is required");
  const Profile profile = LoadProfile(o.sets, o.file);  // refused before anything is sent
  ModemClient modem(ports.map);
  OpenModem(modem, ports);
  ApplyOptions options;
  options.dryRun = o.dryRun;
  options.backupDir = o.backup;
  options.portName = ports.name;
  const ApplyResult result = ApplyProfile(modem, profile, options);
  FailIfDisconnected(modem, ports);
  using Outcome = ApplyResult::Outcome;
  if (result.outcome == Outcome::NoAnswer) Fail(FailureKind::NoAnswer, ports.name + ": " + result.failure);
  if (result.outcome == Outcome::NoBackup) Fail(FailureKind::File, result.failure + "; nothing written");
  if (result.outcome == Outcome::Refused) FailOnProblems(o.file, result.breaches, "nothing written");
  PrintChanges(result.before, result.sent, o.showSecrets, result.normalised);
  if (result.outcome == Outcome::DryRun) {
    std::printf("%s: dry run: %zu change(s), nothing written\n", ports.name.c_str(), result.changes.size());
    return 0;
  }
  if (!result.backup.empty()) PrintLine(stdout, ports.name + ": backup " + result.backup);
  for (const FieldDifference& d : result.notHeld)
    PrintLine(stderr, "not held by the modem: " + DifferenceLine(d, o.showSecrets));
  if (result.outcome == Outcome::NotHeld)
    Fail(FailureKind::Refused, std::to_string(result.notHeld.size()) + " setting(s) not held by the modem");
  std::printf("%s: %zu change(s) written; the modem holds every setting of %s\n", ports.name.c_str(),
              result.changes.size(), Printable(o.file).c_str());
  if (o.reboot && !o.dryRun) {
    if (const Result<void> rebooted = modem.Reboot(); !rebooted)
      Fail(rebooted.failure().kind, ports.name + ": reboot: " + OneLine(rebooted.failure()));
    std::printf("%s: reboot sent; the modem needs about 30 seconds\n", ports.name.c_str());
  }
  return 0;
}

}  // namespace

void AddAllowEmptyOption(CLI::App& command, std::vector<std::string>& names) {
  command.add_option("--allow-empty", names, "a units file's empty cell for ${NAME} is meant (repeatable)")
      ->type_name("NAME")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

int CheckUnitsFile(const std::string& file, const std::vector<std::string>& sets, const std::string& unitsPath,
                   const std::vector<std::string>& allowEmpty) {
  ApplyCommandOptions o;
  o.file = file;
  o.sets = sets;
  o.units = unitsPath;
  o.allowEmpty = allowEmpty;
  Ports ports = ResolvePorts(o.port);
  std::vector<Unit> units;
  try {
    units = ReadUnitsFile(o.units, ports.map);
  } catch (const FleetFileError& error) {
    Fail(FailureKind::Input, error.what());
  }
  std::optional<ConfigRecord> base;
  if (!IsProfilePath(o.file)) base = LoadSettings(o.file);
  CheckUnits(o, base, units);
  PrintLine(stdout, o.file + " with " + o.units + ": " + std::to_string(units.size()) + " unit(s), no problems");
  return 0;
}

void AddApplyCommands(CLI::App& app, CommandTable& commands) {
  auto apply = std::make_shared<ApplyCommandOptions>();
  CLI::App* command = AddCommand(app, "apply",
                                 "bring the modem to the profile's settings; with --units, several --port, --report "
                                 "or --resume: many modems, each unit backed up, merged with its row, written and "
                                 "read back, and a report");
  AddFileArgument(*command, "PROFILE", apply->file, "the profile (or a settings file for many modems)");
  AddPortOption(*command, apply->port, false,
                "the modem's port; repeated: one unit on each (COM<n>=<device path> names a device; tcp://HOST:PORT or rfc2217://HOST:PORT a network port)");
  AddSetOption(*command, apply->sets);
  command->add_flag("--dry-run", apply->dryRun, "print the changes; write nothing");
  AddShowSecretsOption(*command, apply->showSecrets);
  command->add_option("--units", apply->units, "the units: a port column and each unit's values")
      ->type_name("UNITS.csv");
  command->add_option("--jobs", apply->jobs, "at most N ports served at once (default: all)")
      ->type_name("N")
      ->check(JobsCount());
  command->add_option("--report", apply->report, "where the report goes (default REPORT.csv; JSON for .json)")
      ->type_name("REPORT");
  command->add_flag("--reboot", apply->reboot, "reboot each unit (or the one modem) that ended ok");
  command->add_flag("-v,--verbose", apply->verbose, "many modems: each unit's changes with their values");
  AddAllowEmptyOption(*command, apply->allowEmpty);
  command->add_option("--backup", apply->backup,
                      "back up each modem's record into DIR before writing (many modems: default backups/ "
                      "beside the report)")
      ->type_name("DIR");
  command->add_option("--resume", apply->resume, "skip the units REPORT lists as ok and add to it")
      ->type_name("REPORT");
  AddTraceOption(*command, apply->port);
  commands[command] = [apply] { return Apply(*apply); };
}

}  // namespace telvaro::cli
