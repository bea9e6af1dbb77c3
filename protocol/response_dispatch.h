// Judges what the modem sent once the line has gone quiet. The whole
// ReceiveBuffer is taken as one candidate frame; markers must stand at its
// very start and very end. A parameter response is checked and accepted into
// the record; an upgrade status response sets the upgrade result. Everything
// else is dropped without a message. Runs on the window thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string_view>

#include "base/receive_buffer.h"
#include "base/session_events.h"
#include "base/traffic_tap.h"
#include "protocol/frame_codec.h"
#include "record/config_record.h"

namespace telvaro {

// The state that dispatch writes and the operations' worker threads poll.
struct ModemState {
  static constexpr int kNoAnswer = 1;  // upgrade result before any status arrived

  ConfigRecord record;  // record and checksum slot; written by dispatch only
  // Held while dispatch replaces the record. Another thread that must look at
  // the record as a whole (the command-line tool comparing what it sent)
  // takes RecordCopy, never the record itself, or a late answer could change
  // it half-way through the comparison.
  mutable std::mutex recordLock;
  ConfigRecord RecordCopy() const {
    std::lock_guard guard(recordLock);
    return record;
  }
  std::atomic<bool> responseReceived{false};
  std::atomic<int> upgradeResult{kNoAnswer};
  // The frame epoch (ReceiveBuffer::Epoch) of the answer last taken: set
  // before either value above, so a waiter can tell an answer to its own
  // frame from one to an earlier frame that was judged as its frame went out.
  std::atomic<std::uint64_t> answerEpoch{0};

  // Dispatch calls this after it has set either value; waiters wake at once.
  void AnswerArrived() {
    { std::lock_guard guard(answerLock_); }
    answered_.notify_all();
  }
  // Waits at most `ms` for `done` to hold, woken by AnswerArrived. `done` is
  // looked at under the lock, so an answer between the look and the wait is
  // never missed.
  template <typename Done>
  bool WaitForAnswer(int ms, Done done) {
    std::unique_lock lock(answerLock_);
    return answered_.wait_for(lock, std::chrono::milliseconds(ms), done);
  }

 private:
  std::mutex answerLock_;
  std::condition_variable answered_;
};

// Where an accepted parameter response is handed over: the main window.
// Calls arrive on the window thread, in the order they are declared here.
class DispatchHost : public MessageSink {
 public:
  // hw_options bit 1: stored as ioPresent of the DI, DO and Phone Group pages.
  virtual void SetIoPresent(bool present) = 0;
  // The Phone Group page enables all its controls, or disables them.
  virtual void SetGridEnabled(bool enabled) = 0;
  // Fills every page, the Networks page and the status bar from the record,
  // then updates the port state and refreshes the status bar.
  virtual void ShowRecordOnPages(const ConfigRecord& record) = 0;
};

class ResponseDispatcher {
 public:
  ResponseDispatcher(ReceiveBuffer& buffer, ModemState& state, DispatchHost& host)
      : buffer_(buffer), state_(state), host_(host) {}

  // Takes the buffer as one snapshot (leaving it empty) and judges it.
  void DispatchResponse();
  // Dispatches at once an answer that will be accepted standing at the start
  // of the buffer (CompleteAnswerLength), leaving what follows it; otherwise
  // leaves the buffer alone. True when it dispatched.
  bool DispatchIfComplete();
  // Judges one snapshot; exposed so a snapshot taken elsewhere can be judged.
  // It counts as received in the current frame epoch.
  void DispatchSnapshot(const std::uint8_t* snapshot, std::size_t len);
  // The same for bytes received in frame epoch `epoch`: when a frame has
  // started going out since, they answer an earlier frame and are dropped.
  void DispatchSnapshot(const std::uint8_t* snapshot, std::size_t len, std::uint64_t epoch);
  // body: the bytes between "MDM_STA" and "MDM_END".
  void AcceptParameters(const std::uint8_t* body, std::size_t n);
  // Shown every snapshot before it is judged; set before dispatch runs.
  void SetTrafficTap(TrafficTap tap) { tap_ = std::move(tap); }

 private:
  ReceiveBuffer& buffer_;
  ModemState& state_;
  DispatchHost& host_;
  TrafficTap tap_;
};

// Exactly one answer that would be accepted and nothing else: an upgrade
// status response with one status byte, or a parameter response with the
// whole record and a matching checksum. Such an answer needs no quiet period
// to be taken; anything else (a bad checksum included) waits for it.
bool IsCompleteAnswer(std::span<const std::uint8_t> bytes);
// The length of such an answer at the very start of `bytes`, whatever
// follows it (the start of a repeated answer); 0 when there is none.
std::size_t CompleteAnswerLength(std::span<const std::uint8_t> bytes);

// The operator's text for an upgrade status code.
std::string_view UpgradeStatusText(int code);
// Shows that text (default caption, OK button).
void ShowUpgradeStatus(MessageSink& sink, int code);

// "all_para", the 1628 record bytes and their checksum: the only body length
// accepted as a parameter response.
inline constexpr std::size_t kParametersBodySize = kParametersWord.size() + ConfigRecord::kBlockSize;

// Result of checking a parameter response body, without touching any state.
// A body of any other length is WrongLength and dropped without a message,
// like any malformed answer; the waiting operation then reports its failure.
struct ParameterCheck {
  enum Verdict { NotParameters, WrongLength, BadChecksum, Good } verdict = NotParameters;
  std::uint8_t computed = 0;  // checksum over the bytes after the word but the last
  std::uint8_t received = 0;  // the last byte of the body
};
ParameterCheck CheckParameters(const std::uint8_t* body, std::size_t n);

}  // namespace telvaro
