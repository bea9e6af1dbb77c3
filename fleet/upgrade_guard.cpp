#include "fleet/upgrade_guard.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "fleet/fleet.h"
#include "fleet/verified_write.h"
#include "record/setting_rules.h"

namespace telvaro {
namespace {

using Clock = std::chrono::steady_clock;

bool Accepted(int code) { return code == 0 || code == 8; }

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

std::string Joined(const std::vector<SettingChange>& changes) {
  std::string text;
  for (const SettingChange& c : changes) text += (text.empty() ? "" : ", ") + c.key;
  return text;
}

// The settings of `backup` that `now` does not hold, by their profile keys;
// a differing setting byte no rule shows is named by its field.
std::vector<SettingChange> SettingsChanged(const ConfigRecord& backup, const ConfigRecord& now) {
  std::vector<SettingChange> changed = SettingChanges(backup, now, false);
  if (!changed.empty()) return changed;
  for (const FieldDifference& d : SettingsNotHeld(backup, now))
    changed.push_back(SettingChange{nullptr, 0, ProfileKeyOf(d), d.before, d.after});
  return changed;
}

}  // namespace

std::string FirmwareStepText(FirmwareStep step) {
  switch (step) {
    case FirmwareStep::NotStarted: return "not started";
    case FirmwareStep::Failed: return "failed";
    case FirmwareStep::NotBack: return "upgraded, not back";
    case FirmwareStep::Upgraded: return "upgraded";
  }
  return "";
}

std::string SettingsFateText(SettingsFate fate) {
  switch (fate) {
    case SettingsFate::Unchecked: return "";
    case SettingsFate::Kept: return "kept";
    case SettingsFate::Restored: return "restored";
    case SettingsFate::Lost: return "lost";
  }
  return "";
}

GuardedUpgrade UpgradeKeepingSettings(ModemClient& modem, std::span<const std::uint8_t> image,
                                      const UpgradeGuardOptions& options) {
  GuardedUpgrade out;
  const auto step = [&options](const std::string& line) {
    if (options.step) options.step(line);
  };
  const auto sleep = [&options](int ms) {
    if (options.sleep) {
      options.sleep(ms);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
  };
  const auto stopped = [&options] { return options.hooks.stop && options.hooks.stop(); };

  // 1. The settings as they are, kept in a file before anything is sent.
  const Result<ConfigRecord> first = options.read ? Result<ConfigRecord>(*options.read) : modem.Read();
  bool backedUp = false;
  if (first) {
    out.before = first.value();
    const BackupTaken backup = options.earlierBackup.empty()
                                   ? TakeBackup(options.backupDir, out.before, options.portName)
                                   : BackupTaken{options.earlierBackup, ""};
    if (!backup.failure.empty()) {
      out.failure = backup.failure + "; nothing sent";
      out.kind = FailureKind::File;
      return out;
    }
    out.backup = backup.path;
    backedUp = true;
    step("backup " + out.backup);
  } else if (options.keepSettings) {
    // A modem left in its loader by an earlier upgrade answers only packets.
    out.failure = "no answer to the read before the upgrade (" + OneLine(first.failure()) +
                  "); nothing sent";
    out.kind = first.failure().kind;
    return out;
  } else {
    step("no backup: " + OneLine(first.failure()));
  }

  // 2. The image. A transfer that did not end with the whole image taken
  // leaves the modem in its loader: nothing more is sent to it.
  // A stop ends the flow with the last answered packet's code: the image is
  // whole only when the last packet was the one answered.
  UpgradeHooks hooks = options.hooks;
  std::uint16_t lastIndex = 0, total = 0;
  hooks.progress = [&](std::uint16_t packets, std::uint16_t index) {
    total = packets;
    lastIndex = index;
    if (options.hooks.progress) options.hooks.progress(packets, index);
  };
  const Result<int> sent = modem.Upgrade(image, hooks);
  out.code = modem.LastUpgradeCode();
  if (!sent || !Accepted(out.code) || lastIndex != total) {
    out.firmware = FirmwareStep::Failed;
    out.failure = sent ? std::string(UpgradeStatusText(out.code)) : OneLine(sent.failure());
    out.kind = sent ? FailureKind::Refused : sent.failure().kind;
    if (stopped()) {
      out.failure = "interrupted at packet " + std::to_string(lastIndex) + "/" + std::to_string(total);
      out.kind = FailureKind::Cancelled;
    }
    return out;
  }
  out.firmware = FirmwareStep::NotBack;
  if (options.imageTaken) options.imageTaken(out.code);

  // 3. The restart: Read until the new firmware answers, within the bound.
  step("waiting for the modem to restart (at most " + std::to_string(options.restartWaitMs / 1000) + " s)");
  const auto began = Clock::now();
  const auto deadline = began + std::chrono::milliseconds(options.restartWaitMs);
  Result<ConfigRecord> back = Failure{FailureKind::NoAnswer, "", {}};
  for (;;) {
    if (stopped()) {
      out.failure = "interrupted while waiting for the modem to restart";
      out.kind = FailureKind::Cancelled;
      return out;
    }
    // A modem whose restart took its device away is opened again.
    if (options.com != 0 && (!modem.IsOpen() || modem.Disconnected())) {
      modem.Close();
      (void)modem.Open(options.com);
    }
    const auto attempt = Clock::now();
    if (modem.IsOpen() && !modem.Disconnected()) {
      back = modem.Read();
      if (back) break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      out.failure = "upgraded, not back within " + std::to_string(options.restartWaitMs / 1000) + " s";
      return out;
    }
    // A Read that waited out its time-out was the pause; one that ended at
    // once (the device away) is not asked again at once.
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - attempt).count();
    if (spent < options.pollGapMs)
      sleep(static_cast<int>(std::min<long long>(left, options.pollGapMs - spent)));
  }
  out.firmware = FirmwareStep::Upgraded;
  out.restartSeconds = std::chrono::duration<double>(Clock::now() - began).count();
  step("the modem answers again after " + Seconds(out.restartSeconds));
  if (!backedUp) return out;

  // 4. The settings compared; the backup written back when they differ.
  const ConfigRecord after = back.value();
  out.changed = SettingsChanged(out.before, after);
  if (out.changed.empty()) {
    out.settings = SettingsFate::Kept;
    return out;
  }
  step("the new firmware changed " + std::to_string(out.changed.size()) + " setting(s): " + Joined(out.changed));
  const bool restore = options.keepSettings && (!options.confirmRestore || options.confirmRestore(out.changed));
  out.settings = SettingsFate::Lost;
  if (!restore) return out;
  // The backup's settings, on the modem as it is now: its identity, status
  // and clock are its own, and every other byte goes back as it was read.
  ConfigRecord toSend = out.before;
  KeepDeviceBytes(toSend, after);
  const VerifiedWrite written = WriteAndVerify(modem, toSend);
  if (!written.failure.empty()) {
    out.failure = "settings not restored: " + written.failure;
    out.kind = modem.Disconnected() ? FailureKind::Disconnected : FailureKind::NoAnswer;
    return out;
  }
  if (!written.notHeld.empty()) {
    std::string names;
    for (const FieldDifference& d : written.notHeld) names += (names.empty() ? "" : ", ") + ProfileKeyOf(d);
    out.failure = "settings not restored: not held by the modem: " + names;
    out.kind = FailureKind::Refused;
    return out;
  }
  out.settings = SettingsFate::Restored;
  return out;
}

}  // namespace telvaro
