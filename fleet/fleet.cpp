#include "fleet/fleet.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include "fleet/record_text.h"
#include "fleet/verified_write.h"
#include "operations/settings_file.h"
#include "operations/traffic_log.h"

namespace telvaro {
namespace {

using Clock = std::chrono::steady_clock;

// Device paths without a number of their own are opened by numbers from here.
constexpr int kFirstPathNumber = 10000;

std::string UtcText(const char* format) {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date(day);
  const hh_mm_ss time(now - day);
  char text[32];
  std::snprintf(text, sizeof text, format, static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
  return text;
}

// A modem's text or a port as part of a file name: letters and digits kept,
// `keep` too, anything else (a '/', a space, a control byte) as '_'; nothing
// but '_' is nothing.
std::string FileSafe(const std::string& text, const std::string& keep) {
  std::string safe;
  for (const char c : text) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    safe += plain || keep.find(c) != std::string::npos ? c : '_';
  }
  const std::size_t first = safe.find_first_not_of('_');
  return first == std::string::npos ? std::string() : safe.substr(first);
}

// "20261208T064012Z": the time part of a backup's name.
bool IsCompactUtc(const std::string& text) {
  if (text.size() != 16 || text[8] != 'T' || text[15] != 'Z') return false;
  for (std::size_t i = 0; i < 15; ++i)
    if (i != 8 && (text[i] < '0' || text[i] > '9')) return false;
  return true;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// A campaign's unit, read and known: the image through the settings guard.
// A unit whose image was not taken whole is never written to.
std::string UpgradeUnit(ModemClient& modem, const Unit& unit, const ConfigRecord& read, const FleetOptions& options,
                        UnitResult& result, const std::string& earlierBackup = {}) {
  UpgradeGuardOptions guard = options.guard;
  guard.read = read;
  guard.earlierBackup = earlierBackup;
  guard.backupDir = options.backupDir;
  guard.portName = unit.port.name;
  guard.com = unit.port.com;
  const GuardedUpgrade upgraded = UpgradeKeepingSettings(modem, options.firmware, guard);
  result.firmware = FirmwareStepText(upgraded.firmware);
  result.settings = SettingsFateText(upgraded.settings);
  result.backup = upgraded.backup;
  for (const SettingChange& c : upgraded.changed) result.changedKeys.push_back(c.key);
  if (upgraded.settings == SettingsFate::Restored) result.deviceName = modem.Record().Get(field::device_name);
  return upgraded.failure;
}

// One unit from open to close. Fills `result` as it goes, so a failure keeps
// what was learnt before it; returns the failure's reason or "".
std::string RunUnitSteps(const Unit& unit, const MergeStep& merge, const FleetOptions& options, UnitResult& result) {
  ModemClient modem(options.ports);
  if (options.trace) modem.SetTrafficTap(options.trace->TapFor(unit.port.name));
  // A unit ok in the report resumed that does not answer now is still the
  // one the report lists: skipped.
  if (const Result<void> opened = modem.Open(unit.port.com); !opened) {
    result.skipped = unit.resumed;
    return unit.resumed ? "" : OneLine(opened.failure());
  }
  const Result<ConfigRecord> answer = modem.Read();
  if (!answer && !options.firmware.empty() && !unit.earlierBackup.empty()) {
    // Left in its loader by the failed upgrade the report lists: the image
    // goes to it again, its settings coming from that upgrade's backup.
    const SettingsFileRead saved = ReadSettingsFile(unit.earlierBackup);
    if (!saved.record)
      return OneLine(answer.failure()) + "; the earlier backup " + unit.earlierBackup + " cannot be read";
    result.imei = saved.record->Get(field::imei);
    result.deviceName = saved.record->Get(field::device_name);
    if (!unit.expectedImei.empty() && unit.expectedImei != result.imei)
      return "the earlier backup is of modem " + result.imei + ", not the unit's " + unit.expectedImei;
    return UpgradeUnit(modem, unit, *saved.record, options, result, unit.earlierBackup);
  }
  if (!answer) {
    result.skipped = unit.resumed;
    return unit.resumed ? "" : OneLine(answer.failure());
  }
  const ConfigRecord read = answer.value();
  result.imei = read.Get(field::imei);
  result.deviceName = read.Get(field::device_name);
  if (!unit.expectedImei.empty() && unit.expectedImei != result.imei)
    return "this is modem " + result.imei + ", not the unit's " + unit.expectedImei;

  if (unit.resumed && result.imei == unit.resumedImei) {
    result.skipped = true;
    return "";
  }

  if (!options.firmware.empty()) return UpgradeUnit(modem, unit, read, options, result);
  MergeOutcome merged = merge(read, unit.variables);
  if (!merged.problems.empty()) return Joined(merged.problems, "; ");
  result.changedKeys = merged.changedKeys;
  result.changes = merged.changes;
  if (options.dryRun) {
    result.dryRun = true;
    return "";
  }
  const BackupTaken backup = TakeBackup(options.backupDir, read, unit.port.name);
  if (!backup.failure.empty()) return backup.failure;
  result.backup = backup.path;
  const VerifiedWrite written = WriteAndVerify(modem, merged.record);
  if (!written.failure.empty()) return written.failure;
  result.deviceName = modem.Record().Get(field::device_name);
  std::vector<std::string> notHeld;
  for (const FieldDifference& d : written.notHeld) notHeld.push_back(d.name);
  if (!notHeld.empty()) return "not held by the modem: " + Joined(notHeld, ", ");
  if (options.reboot) {
    if (const Result<void> rebooted = modem.Reboot(); !rebooted) return "reboot: " + OneLine(rebooted.failure());
  }
  return "";
}

UnitResult RunUnit(const Unit& unit, const MergeStep& merge, const FleetOptions& options) {
  UnitResult result;
  result.row = unit.row;
  result.port = unit.port.name;
  result.start = UtcNow();
  const auto began = Clock::now();
  result.reason = RunUnitSteps(unit, merge, options, result);
  result.ok = result.reason.empty();
  if (!options.firmware.empty() && !result.ok && result.firmware.empty())
    result.firmware = FirmwareStepText(FirmwareStep::NotStarted);
  result.seconds = std::chrono::duration<double>(Clock::now() - began).count();
  return result;
}

}  // namespace

std::optional<UnitPort> ResolvePort(const std::string& text, PortMap& ports) {
  const std::size_t equals = text.find('=');
  if (const auto com = ParseComName(text.substr(0, equals))) {
    if (equals != std::string::npos && !ports.AddPair(text)) return std::nullopt;
    return UnitPort{"COM" + std::to_string(*com), *com};
  }
  if (text.empty() || equals != std::string::npos) return std::nullopt;
  // The number the device has, unless a pair gives that number to another.
  if (const auto com = ports.ComFor(text); com && ports.PathFor(*com) == text) return UnitPort{text, *com};
  int com = kFirstPathNumber;
  while (ports.ExplicitPairs().count(com)) ++com;
  ports.AddPair("COM" + std::to_string(com) + "=" + text);
  return UnitPort{text, com};
}

std::string UtcNow() { return UtcText("%04d-%02u-%02uT%02d:%02d:%02dZ"); }

std::string UnitEndLine(const UnitResult& r) {
  std::string line = r.port + (r.imei.empty() ? "" : " " + r.imei) + (r.deviceName.empty() ? "" : " " + r.deviceName);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", r.seconds);
  if (r.skipped) return line + " row " + std::to_string(r.row) + ": ok before, skipped";
  if (!r.firmware.empty()) {
    // "ok, upgraded, settings restored (basic.device_name), 9.1 s"
    std::string end = r.settings.empty() ? "" : ", settings " + r.settings;
    if (!r.settings.empty() && !r.changedKeys.empty()) end += " (" + Joined(r.changedKeys, ", ") + ")";
    if (!r.ok && !r.backup.empty()) end += ", backup " + r.backup;
    return line + (r.ok ? ": ok, " + r.firmware : ": failed: " + r.reason) + end + ", " + seconds;
  }
  if (r.ok && r.dryRun)
    return line + ": dry run, " + std::to_string(r.changedKeys.size()) +
           (r.changedKeys.size() == 1 ? " setting" : " settings") + " would change, nothing written";
  if (r.ok)
    return line + ": ok, " + std::to_string(r.changedKeys.size()) +
           (r.changedKeys.size() == 1 ? " setting" : " settings") + " changed" +
           (r.changedKeys.empty() ? "" : " (" + Joined(r.changedKeys, ", ") + ")") + ", " + seconds;
  return line + ": failed: " + r.reason + ", " + seconds;
}

BackupTaken TakeBackup(const std::filesystem::path& dir, const ConfigRecord& record, const std::string& port) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  std::string stem;
  for (const std::string& part : {FileSafe(record.Get(field::imei), ""), FileSafe(record.Get(field::device_name), "-_"),
                                  FileSafe(port, "")})
    if (!part.empty()) stem += part + "-";
  stem += UtcText("%04d%02u%02uT%02d%02d%02dZ");
  for (int n = 1; n < 1000; ++n) {
    const std::filesystem::path path = dir / (stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".bin");
    ConfigRecord kept = record;
    const SettingsFileWrite written = CreateSettingsFile(path.string(), kept);
    if (written.ok()) return {path.string(), ""};
    if (written.error != EEXIST) return {"", "backup " + path.string() + ": " + written.message + " (" + written.detail + ")"};
  }
  return {"", "backup " + (dir / stem).string() + ": no free name"};
}

std::vector<BackupInfo> ListBackups(const std::filesystem::path& dir) {
  std::vector<BackupInfo> found;
  std::error_code error;
  for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::path& path = it->path();
    if (path.extension() != ".bin" || !it->is_regular_file(error)) continue;
    const SettingsFileRead read = ReadSettingsFile(path.string());
    if (!read.record) continue;
    BackupInfo info;
    info.file = path.filename().string();
    info.imei = read.record->Get(field::imei);
    info.deviceName = read.record->Get(field::device_name);
    info.size = it->file_size(error);
    // ...-<port>-<UTC>[-n]: the parts from the right, as the name was made.
    std::vector<std::string> parts;
    const std::string stem = path.stem().string();
    for (std::size_t at = 0, dash; at <= stem.size(); at = dash + 1) {
      dash = std::min(stem.find('-', at), stem.size());
      parts.push_back(stem.substr(at, dash - at));
    }
    for (std::size_t i = parts.size(); i-- > 0;) {
      if (!IsCompactUtc(parts[i])) continue;
      const std::string& t = parts[i];
      info.time = t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + "T" + t.substr(9, 2) + ":" +
                  t.substr(11, 2) + ":" + t.substr(13, 2) + "Z";
      if (i > 0) info.port = parts[i - 1];
      break;
    }
    found.push_back(std::move(info));
  }
  std::sort(found.begin(), found.end(), [](const BackupInfo& a, const BackupInfo& b) { return a.file < b.file; });
  return found;
}

std::vector<UnitResult> RunFleet(const std::vector<Unit>& units, const MergeStep& merge, const FleetOptions& options) {
  // The queues, one per port, in the order their ports first appear. A port
  // named twice ("COM100" and "/dev/ttyUSB0") is still one queue.
  std::vector<std::vector<const Unit*>> queues;
  std::map<int, std::size_t> queueOf;
  for (const Unit& unit : units) {
    const auto [it, added] = queueOf.emplace(unit.port.com, queues.size());
    if (added) queues.emplace_back();
    queues[it->second].push_back(&unit);
  }

  std::mutex lock;        // results and progress
  std::mutex promptLock;  // one prompt on the terminal at a time
  std::vector<UnitResult> results;
  std::atomic<std::size_t> nextQueue{0};
  const auto stopping = [&] { return options.stopRequested && options.stopRequested(); };
  const auto say = [&](const std::string& line) {
    if (options.progress) options.progress(line);
  };
  const auto serve = [&] {
    for (std::size_t q = nextQueue++; q < queues.size(); q = nextQueue++) {
      for (std::size_t i = 0; i < queues[q].size() && !stopping(); ++i) {
        const Unit& unit = *queues[q][i];
        if (i > 0 && options.waitForNextModem) {
          std::lock_guard guard(promptLock);
          if (!options.waitForNextModem(unit.port.name) || stopping()) break;
        }
        {
          std::lock_guard guard(lock);
          say(unit.port.name + " row " + std::to_string(unit.row) + ": started");
          if (options.started) options.started(unit);
        }
        UnitResult result = RunUnit(unit, merge, options);
        std::lock_guard guard(lock);
        say(UnitEndLine(result));
        // A dry run always says what would change; -v says what did.
        if (result.dryRun || (options.verbose && result.ok))
          for (const std::string& change : result.changes) say("  " + change);
        if (options.finished) options.finished(result);
        results.push_back(std::move(result));
      }
    }
  };
  const std::size_t workers = std::min(options.jobs == 0 ? queues.size() : options.jobs, queues.size());
  std::vector<std::thread> threads;
  for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(serve);
  serve();
  for (std::thread& t : threads) t.join();
  return results;
}

}  // namespace telvaro
