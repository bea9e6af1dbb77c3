// The wait that follows a Read or a Write: poll the response-received flag
// every 100 ms up to the response wait limit, then report success or a
// time-out. The window runs it on a worker thread; every hook that touches
// the window is carried out on the window thread by the window.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace telvaro {

inline constexpr const char* kOperationSucceeded = "Operation succeed!";
inline constexpr const char* kWriteSucceeded = "       Operation succeed!\nReboot for changes to take effect";
inline constexpr const char* kOperationTimedOut = "Failed: timeout";
inline constexpr const char* kPortNotOpen = "Failed:Comm is not opened";

// Flags of the window that Read and Write set before they send.
struct OperationFlags {
  std::atomic<bool> userRead{false};      // a time-out is reported only then
  std::atomic<bool> writePending{false};  // selects the Write success text
};

struct OperationWaitHooks {
  std::function<bool()> readerRunning;             // cleared: end at once, silently, buttons back
  std::function<void(bool)> setCommandButtonsEnabled;
  std::function<void()> disableAllPages;           // after a time-out
  std::function<void(const std::string&)> showMessage;  // waits until answered
  std::function<void(int ms)> sleep;               // the real clock when empty
  // Whether the answer now held answers this operation's own frame (not a
  // late duplicate of an earlier one); the response-received flag alone when
  // empty.
  std::function<bool()> answered;
};

enum class OperationOutcome { Succeeded, TimedOut, Abandoned };

OperationOutcome OperationWait(std::atomic<bool>& responseReceived, OperationFlags& flags, int waitLimit,
                               const OperationWaitHooks& hooks);

}  // namespace telvaro
