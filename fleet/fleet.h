// One configuration given to many modems: each unit is opened, read, backed
// up, merged with its own values, checked, written, read back and compared,
// optionally rebooted, and closed. Units on different ports run side by side
// (at most `jobs` at once); units on one port run one after the other, so
// that one adapter can serve a queue of modems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fleet/upgrade_guard.h"
#include "link/port_map.h"
#include "record/config_record.h"

namespace telvaro {

class TrafficLog;

// A port as the operator named it: "COM100", or a device path.
struct UnitPort {
  std::string name;  // as shown in progress and report
  int com = 0;       // the number the session opens it by
};

// "COM<n>", "COM<n>=<path>" or a device path. A path the port map gives no
// number is mapped to a free number above any real one. Nothing for text
// that is none of these.
std::optional<UnitPort> ResolvePort(const std::string& text, PortMap& ports);

// A unit's own values: every column of its row but "port", in column order.
using UnitVariables = std::vector<std::pair<std::string, std::string>>;

struct Unit {
  std::size_t row = 0;  // 1 for the first unit
  UnitPort port;
  UnitVariables variables;
  std::string expectedImei;  // from an "imei" column: the unit must be that modem
  // Listed as ok by the report resumed: skipped unless it answers now as
  // another modem than the report's `resumedImei`.
  bool resumed = false;
  std::string resumedImei;
  // A campaign resumed: the backup this unit's failed upgrade left. A unit
  // that answers no Read (still in its loader) is upgraded from it.
  std::string earlierBackup;
};

// What to write to one unit, from the record read and the unit's values.
struct MergeOutcome {
  ConfigRecord record;                    // the record to write
  std::vector<std::string> changedKeys;   // the settings it changes, for the report
  std::vector<std::string> changes;       // "key: modem's value -> new value", for -v and dry runs
  std::vector<std::string> problems;      // not empty: nothing is written
};
using MergeStep = std::function<MergeOutcome(const ConfigRecord& read, const UnitVariables& variables)>;

struct UnitResult {
  std::size_t row = 0;
  std::string port;
  std::string imei;
  std::string deviceName;
  bool ok = false;
  std::vector<std::string> changedKeys;
  std::vector<std::string> changes;  // with their values; not in the report
  std::string reason;  // why it failed
  std::string backup;  // the backup file, when one was made
  std::string start;   // UTC, "2026-12-08T06:40:12Z"
  double seconds = 0;
  bool skipped = false;  // ok in the report resumed, and still that modem
  bool dryRun = false;   // read and merged; nothing written
  // A firmware campaign's unit: how far the firmware got (FirmwareStepText)
  // and what became of its settings (SettingsFateText); changedKeys are the
  // settings the new firmware did not keep. Empty for a run that writes.
  std::string firmware;
  std::string settings;
};

struct FleetOptions {
  PortMap ports;
  std::size_t jobs = 0;  // ports served at once; 0: all
  bool reboot = false;
  bool dryRun = false;  // read, merge, check and say the changes; no backup, nothing sent
  bool verbose = false;  // each unit's changes under its end line
  std::filesystem::path backupDir;
  TrafficLog* trace = nullptr;
  // Asked before each but the first unit of a port; returns false to stop
  // that port's queue. Empty: the next unit starts at once.
  std::function<bool(const std::string& port)> waitForNextModem;
  // True once no further unit may start (Ctrl+C); units in flight finish.
  std::function<bool()> stopRequested;
  // Lines for the operator, as units start and end; called from any thread,
  // one call at a time.
  std::function<void(const std::string& line)> progress;
  // Each unit as it starts, and its result as it ends; called one at a time.
  std::function<void(const Unit& unit)> started;
  std::function<void(const UnitResult& result)> finished;
  // A firmware campaign: each unit is given this image through the settings
  // guard (backup, upgrade, restart, compare, write-back) instead of the
  // merge and write; the merge step is not called. Empty: units are written.
  std::vector<std::uint8_t> firmware;
  // The guard's options for every unit (restart wait, keep settings, packet
  // gap); the backup folder, the port and the record read are the unit's.
  UpgradeGuardOptions guard;
};

// Runs the units; returns the results of the units that ran, in the order
// they ended. Units not started because of a stop have no result.
std::vector<UnitResult> RunFleet(const std::vector<Unit>& units, const MergeStep& merge, const FleetOptions& options);

// "COM101 356938035643809 SITE-07: ok, 2 settings changed (basic.device_name, gprs.apn), 0.9 s"
std::string UnitEndLine(const UnitResult& result);

// The current time in UTC as "2026-12-08T06:40:12Z".
std::string UtcNow();

// A backup of `record` in `dir`, named <IMEI>-<device name>-<port>-<UTC>.bin
// (each part made safe for a file name; a modem without an IMEI is named by
// the rest). Created exclusively: never over an earlier file or through a
// symbolic link; a taken name gets "-2", "-3"... Returns the path, or the
// reason it could not be made.
struct BackupTaken {
  std::string path;
  std::string failure;
};
BackupTaken TakeBackup(const std::filesystem::path& dir, const ConfigRecord& record, const std::string& port);

// The backups in a folder: each settings file there with what its name and
// record say.
struct BackupInfo {
  std::string file;  // the name in the folder
  std::string imei;
  std::string deviceName;
  std::string port;  // as made safe for the name
  std::string time;  // UTC, "2026-12-08T06:40:12Z"
  std::uintmax_t size = 0;
};
std::vector<BackupInfo> ListBackups(const std::filesystem::path& dir);

}  // namespace telvaro
