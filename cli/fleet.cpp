#include "cli/fleet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include "cli/record_text.h"
#include "cli/verified_write.h"
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

// Letters, digits and '-' only: the IMEI comes from the modem and names a file.
std::string FileSafe(const std::string& text) {
  std::string safe;
  for (const char c : text)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-') safe += c;
  return safe.empty() ? "unknown" : safe;
}

// backups/<IMEI>-<UTC time>.bin, never replacing an earlier backup.
std::filesystem::path BackupPath(const std::filesystem::path& dir, const std::string& imei) {
  const std::string stem = FileSafe(imei) + "-" + UtcText("%04d%02u%02uT%02d%02d%02dZ");
  std::filesystem::path path = dir / (stem + ".bin");
  for (int n = 2; std::filesystem::exists(path); ++n) path = dir / (stem + "-" + std::to_string(n) + ".bin");
  return path;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// One unit from open to close. Fills `result` as it goes, so a failure keeps
// what was learnt before it; returns the failure's reason or "".
std::string RunUnitSteps(const Unit& unit, const MergeStep& merge, const FleetOptions& options, UnitResult& result) {
  ModemClient modem(options.ports);
  if (options.trace) modem.SetTrafficTap(options.trace->TapFor(unit.port.name));
  if (const Result<void> opened = modem.Open(unit.port.com); !opened) return OneLine(opened.failure());
  const Result<ConfigRecord> answer = modem.Read();
  if (!answer) return OneLine(answer.failure());
  const ConfigRecord read = answer.value();
  result.imei = read.Get(field::imei);
  result.deviceName = read.Get(field::device_name);
  if (!unit.expectedImei.empty() && unit.expectedImei != result.imei)
    return "this is modem " + result.imei + ", not the unit's " + unit.expectedImei;

  std::error_code error;
  std::filesystem::create_directories(options.backupDir, error);
  {
    // Units of the same modem type may back up in the same second: the name
    // is chosen and the file made under one lock.
    static std::mutex backupLock;
    std::lock_guard guard(backupLock);
    const std::filesystem::path backup = BackupPath(options.backupDir, result.imei);
    ConfigRecord kept = read;
    if (const SettingsFileWrite written = WriteSettingsFile(backup.string(), kept); !written.ok())
      return "backup " + backup.string() + ": " + written.message + " (" + written.detail + ")";
    result.backup = backup.string();
  }

  MergeOutcome merged = merge(read, unit.variables);
  if (!merged.problems.empty()) return Joined(merged.problems, "; ");
  result.changedKeys = merged.changedKeys;
  result.changes = merged.changes;
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
  if (r.ok)
    return line + ": ok, " + std::to_string(r.changedKeys.size()) +
           (r.changedKeys.size() == 1 ? " setting" : " settings") + " changed" +
           (r.changedKeys.empty() ? "" : " (" + Joined(r.changedKeys, ", ") + ")") + ", " + seconds;
  return line + ": failed: " + r.reason + ", " + seconds;
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
        }
        UnitResult result = RunUnit(unit, merge, options);
        std::lock_guard guard(lock);
        say(UnitEndLine(result));
        if (options.verbose && result.ok)
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
