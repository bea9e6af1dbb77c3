// The one way to talk to a modem: the port session with its reader, response
// dispatch on a pump thread of its own, and the wait for an answer. The
// window, the command-line tool, the fleet runner, the benches and the tests
// all drive a modem through it; results come back as data.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/result.h"
#include "base/traffic_tap.h"
#include "link/port_session.h"
#include "operations/dispatch_timer.h"
#include "operations/upgrade_flow.h"
#include "protocol/response_dispatch.h"

namespace telvaro {

// What the owner of a client hears besides the results. Dispatch's calls come
// on the pump thread, DeviceDisconnected on the reader thread, the port's
// state on the thread that opens or closes; none of them may call back into
// the client. Every call has a default that ignores it.
class ModemEvents {
 public:
  virtual ~ModemEvents() = default;
  // A message dispatch raised ("bad chksum (..)"). The waiting operation
  // hears of it through its own result too.
  virtual void DispatchMessage(const std::string& text) { (void)text; }
  // An accepted parameter response, handed over before the operation waiting
  // for it is woken.
  virtual void RecordAccepted(const ConfigRecord& record) { (void)record; }
  virtual void PortStateChanged(bool open) { (void)open; }
  // The device hung up or vanished; every wait ends at its next poll.
  virtual void DeviceDisconnected() {}
};

class ModemClient final : private DispatchHost, private SessionEvents {
 public:
  static constexpr int kPollMs = 100;
  // One wait of at most `ms` for `answered` to hold; true when it does. The
  // default waits on ModemState's condition variable, woken by dispatch.
  using AnswerWait = std::function<bool(int ms, const std::function<bool()>& answered)>;

  explicit ModemClient(PortMap ports, ModemEvents* events = nullptr,
                       PortSession::DeviceFactory makeDevice = SerialDevice::Create);
  ~ModemClient() override;
  ModemClient(const ModemClient&) = delete;
  ModemClient& operator=(const ModemClient&) = delete;

  // Opens COM `com`. A failure is of kind Port: message "Can't open COM<n>",
  // reason "<device path>: <why>" when COM `com` names a device, so OneLine
  // gives the command line's one line. Dispatch runs on the client's pump
  // from construction on, so a session opened through Session() is served
  // too.
  Result<void> Open(int com);
  // Closes the port; a wait in progress ends at its next poll.
  void Close();
  // No dispatch from now on: for an owner going away while the client stays
  // to be asked about the port.
  void StopDispatch() { pump_.reset(); }

  // Sends "get_syspara" and waits for the answer to that frame; the record
  // the modem sent. `opening` (PortSession::OpenCount) ties the wait to the
  // port as it was then: closed, gone or reopened since, it ends without an
  // answer (Cancelled, or Disconnected).
  Result<ConfigRecord> Read(std::optional<unsigned> opening = std::nullopt);
  // Sends `record` with "set_syspara" and waits for the modem's echo, the
  // record it answered with.
  Result<ConfigRecord> Write(const ConfigRecord& record, std::optional<unsigned> opening = std::nullopt);
  // Write, then Read: the echo only says the modem took the frame, so the
  // record is read back once more. The read-back record; a read-back that
  // failed says so after its reason.
  Result<ConfigRecord> WriteAndReadBack(const ConfigRecord& record);
  // Sends "reboot" in its three pieces; no answer comes.
  Result<void> Reboot();
  // The firmware upgrade's packet flow. The final code when the modem took
  // the image (0 or 8); otherwise NoAnswer or Refused with the code's text,
  // or Disconnected. The code itself stays in State().upgradeResult.
  Result<int> Upgrade(std::span<const std::uint8_t> image, const UpgradeHooks& hooks = {});
  // The final code of the last Upgrade, whatever its result.
  int LastUpgradeCode() const { return lastUpgradeCode_.load(); }

  // Shows every frame sent and received to `tap`; set before Open.
  void SetTrafficTap(const TrafficTap& tap);
  // Replaces the wait of each poll (tests count polls with it).
  void SetAnswerWait(AnswerWait wait) { wait_ = std::move(wait); }

  bool IsOpen() const { return session_.IsOpen(); }
  // The device hung up or vanished while open.
  bool Disconnected() const { return session_.Disconnected(); }
  // A copy taken under dispatch's lock: an answer arriving meanwhile never
  // changes it half-way through a comparison.
  ConfigRecord Record() const { return state_.RecordCopy(); }
  // Messages dispatch raised so far.
  std::vector<std::string> Messages() const;

  PortSession& Session() { return session_; }
  const PortSession& Session() const { return session_; }
  ModemState& State() { return state_; }

 private:
  enum class Answer { Received, None, Abandoned };
  // Sends a command frame and waits for the answer to that frame only.
  Result<ConfigRecord> Exchange(const Bytes& frame, std::string_view word, std::optional<unsigned> opening);
  // The poll rule: the limit is compared before the count goes up, so with
  // the limit 40 there are 41 polls of 100 ms (about 4.1 s). A port closed,
  // gone or reopened meanwhile ends it; only an answer in `epoch` counts.
  Answer AwaitAnswer(std::uint64_t epoch, unsigned opens);
  Failure LineFailure(int sent) const;

  void ShowMessage(const std::string& text) override;
  void SetIoPresent(bool) override {}
  void SetGridEnabled(bool) override {}
  void ShowRecordOnPages(const ConfigRecord& record) override;
  void PortStateChanged(bool open) override;
  void DeviceDisconnected() override;

  ModemEvents* events_;
  ModemState state_;
  PortSession session_;
  ResponseDispatcher dispatcher_;
  DispatchTimer timer_;
  std::unique_ptr<DispatchPump> pump_;
  AnswerWait wait_;
  std::atomic<int> lastUpgradeCode_{ModemState::kNoAnswer};
  // While Open runs, what the session says on the opening thread is its open
  // failure, kept rather than told; dispatch on the pump may speak meanwhile.
  std::atomic<bool> opening_{false};
  std::thread::id openingThread_;
  std::string openFailure_;
  mutable std::mutex messagesLock_;
  std::vector<std::string> messages_;
};

// One "get_syspara" to each port at once, each on a client of its own and
// bounded by the Read's time-out; nothing else is sent. The record each port
// answered with, or why not, in the order of `coms`. `tapFor(i)` may give the
// i-th port's traffic tap.
std::vector<Result<ConfigRecord>> DetectModems(const std::vector<int>& coms, const PortMap& ports,
                                               const std::function<TrafficTap(std::size_t)>& tapFor = {});

}  // namespace telvaro
