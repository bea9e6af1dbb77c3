// A simulated modem on a pseudo-terminal pair. It behaves like the real modem
// on the wire: it answers "get_syspara" and "set_syspara" with parameter
// responses, goes silent after "reboot", and answers upgrade data frames with
// status responses. Fault options make it misbehave in the ways real devices
// and cables do. Every frame it receives is recorded so tests can check bytes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/frame_codec.h"
#include "record/config_record.h"

namespace telvaro::sim {

struct SimOptions {
  bool digitalIo = true;          // hw_options bit 1 set in the stored record
  bool silent = false;            // never answer anything
  bool badChecksum = false;       // parameter responses carry a wrong checksum
  bool strayByte = false;         // one stray byte before every response
  int pauseMidResponseMs = 0;     // pause this long half-way through a parameter response
  int delayMs = 0;                // wait this long before every answer
  bool flood = false;             // answer "get_syspara" with 3200 bytes and no pause
  bool wirePacing = false;        // send at 115200 baud wire speed instead of at once
  int rebootSilenceMs = 5000;     // silence after "reboot"
  int loaderStartMs = 0;          // silence after "reboot_ldrom" before the loader answers
  // Upgrade faults: answer packet index N with code C (refuseTimes times,
  // after that normally), and stop answering after packet N.
  std::map<int, int> packetCodes;  // index -> code
  int refuseTimes = 1;
  int stopAfterPacket = 0;         // 0: never stop
  // Every answer is sent a second time this long after the first (a line or
  // a modem that repeats itself); 0: never.
  int duplicateAnswerMs = 0;
  // Restart once an upgrade is complete (the last packet answered "finished"):
  // deaf for this long after that answer, then running the new firmware.
  // Negative: no restart, the modem answers at once as before.
  int restartAfterUpgradeMs = -1;
  // The new firmware starts with the factory settings (its device bytes,
  // identity and status kept), as one that resets the settings does.
  bool factoryAfterUpgrade = false;
  // As a real loader: from "reboot_ldrom" until an upgrade completes only
  // upgrade packets are answered, through a restart of the simulator too (a
  // modem left in its loader by a failed upgrade answers no Read).
  bool strictLoader = false;
  // "set_syspara" is echoed but not stored (the modem answers with the record
  // it was sent, and keeps its own).
  bool echoWithoutStoring = false;
  // Fields a written record cannot change (an older firmware that lacks
  // them): their bytes stay as the modem had them.
  std::vector<std::string> unheldFields;
  // Stepped: every answer waits for the test's go (Go) before it goes out,
  // and a parameter response paused half-way (pauseMidResponseMs) waits for
  // another before its second half, so a test decides when bytes arrive
  // instead of racing a clock.
  bool stepped = false;
};

enum class FrameKind { GetSysPara, SetSysPara, Reboot, RebootLdrom, UpgradeData, Unknown };

struct ReceivedFrame {
  FrameKind kind;
  Bytes bytes;                                    // the whole frame as received
  std::chrono::steady_clock::time_point when;     // when its last byte arrived
  // Upgrade data frames only.
  std::uint16_t total = 0;
  std::uint16_t index = 0;
};

class ModemSimulator {
 public:
  explicit ModemSimulator(SimOptions options = {});
  ~ModemSimulator();  // stops and closes the pseudo-terminal
  ModemSimulator(const ModemSimulator&) = delete;
  ModemSimulator& operator=(const ModemSimulator&) = delete;

  // Opens the pseudo-terminal pair and starts answering. False on failure.
  // The options are taken as they are now; later changes need a restart.
  bool Start();
  // Stops answering and closes both ends: to the tool the device vanishes.
  // Links made by CreateLink are removed as well. Start() may be called again
  // (a replugged device: a new device path, the stored record kept).
  void Stop();

  // The path a client opens (the pseudo-terminal's slave side).
  const std::string& DevicePath() const { return devicePath_; }
  // Makes a symbolic link at `linkPath` to the device path (replacing an old link).
  bool CreateLink(const std::string& linkPath);

  // The record the modem holds (and answers with).
  ConfigRecord StoredRecord() const;
  void SetStoredRecord(const ConfigRecord& record);
  // A realistic record: device name, APN, status texts, signal level, counters...
  static ConfigRecord RealisticRecord(bool digitalIo);

  std::vector<ReceivedFrame> Frames() const;
  void ClearFrames();
  // Waits up to `timeout` until at least `count` frames were received.
  bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
  // Bytes received that belonged to no recognised frame.
  std::size_t GarbageBytes() const;
  // Responses sent so far.
  int ResponsesSent() const { return responsesSent_.load(); }
  // Waits up to `timeout` until `count` responses are wholly on the line.
  bool WaitForResponsesWritten(int count, std::chrono::milliseconds timeout) const;
  // Stepped modem: lets `steps` more answers (or second halves) go out.
  void Go(int steps = 1);
  // Called on the simulator's reader thread for every frame as it is recorded.
  // Set before Start(); it must not call back into the simulator's Stop().
  void SetFrameObserver(std::function<void(const ReceivedFrame&)> observer);

  // Called on the simulator's reader thread with the record the modem holds
  // each time a written record has been stored (a state file keeps it).
  // Set before Start().
  void SetRecordObserver(std::function<void(const ConfigRecord&)> observer);

  // The image of the last complete upgrade, packet by packet as accepted:
  // the firmware the modem runs since its restart. Empty before any.
  Bytes Firmware() const;
  // Upgrades completed so far.
  int UpgradesCompleted() const;

  SimOptions& Options() { return options_; }  // change before Start()

 private:
  // implementation details are the simulator's own
  struct Impl;
  std::unique_ptr<Impl> impl_;
  SimOptions options_;
  std::string devicePath_;
  std::atomic<int> responsesSent_{0};
};

}  // namespace telvaro::sim
