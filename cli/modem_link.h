// Everything the command-line tool needs to talk to one modem: the port
// session, the response dispatcher driven on a thread of its own, and the same
// waiting rule as the window (a complete answer counts at once, anything else
// once the line has been quiet for 200 ms; at most 40 waits of 100 ms).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/port_session.h"
#include "operations/dispatch_timer.h"
#include "operations/upgrade_flow.h"
#include "protocol/response_dispatch.h"

namespace telvaro {

class ModemLink final : private DispatchHost, private SessionEvents {
 public:
  explicit ModemLink(PortMap ports);
  ~ModemLink() override;

  // Opens COM `com`. On failure prints nothing (the caller says it) and puts
  // the reason on one line into `failure`: "Can't open COM<n>: <path>: <reason>".
  bool Open(int com, std::string* failure = nullptr);
  // Sends "get_syspara" and waits for an accepted answer; the record is then
  // Record(). False when the frame could not be sent or no answer came;
  // Failure() then says why on one line.
  bool Read();  // also false at once when the device is gone
  // Sends the record with "set_syspara" and waits for the modem's answer,
  // which replaces Record(). False as Read.
  bool Write(const ConfigRecord& record);
  // Sends "reboot" as three writes; false, with Failure(), when a piece could
  // not be sent (and the rest then is not).
  bool Reboot();
  // The firmware upgrade's packet flow; returns the final status code.
  int Upgrade(std::span<const std::uint8_t> image, const UpgradeHooks& hooks);

  // Shows every frame sent and received to `tap`; set before Open.
  void SetTrafficTap(const TrafficTap& tap);

  // A copy of the record taken under dispatch's lock: an answer arriving
  // meanwhile never changes it half-way through a comparison.
  ConfigRecord Record() const { return state_.RecordCopy(); }
  // The device hung up or vanished while open: every wait ends at once.
  bool Disconnected() const { return session_.Disconnected(); }
  // Why the last Read, Write or Reboot failed, in a few words for the line
  // "<port>: <failure>": "the line does not take data", "device
  // disconnected", "the modem did not answer \"get_syspara\"", or that its
  // answer was damaged ("bad chksum (..)"). Empty after a success.
  const std::string& Failure() const { return failure_; }
  // Messages the modem's answers caused (for example "bad chksum (..)").
  std::vector<std::string> Messages() const;

 private:
  // Sends a command frame and waits for the answer to that frame only.
  bool Exchange(const Bytes& frame, std::string_view word);
  bool AwaitResponse(std::uint64_t epoch);
  // DispatchHost and SessionEvents: the tool has no pages to fill.
  void ShowMessage(const std::string& text) override;
  void SetIoPresent(bool) override {}
  void SetGridEnabled(bool) override {}
  void ShowRecordOnPages(const ConfigRecord&) override {}
  void PortStateChanged(bool) override {}

  ModemState state_;
  PortSession session_;
  ResponseDispatcher dispatcher_;
  DispatchTimer timer_;
  std::unique_ptr<DispatchPump> pump_;
  std::atomic<bool> opening_{false};  // the session's open failure is kept, not printed
  std::string openFailure_;
  std::string failure_;
  mutable std::mutex messagesLock_;
  std::vector<std::string> messages_;
};

}  // namespace telvaro
