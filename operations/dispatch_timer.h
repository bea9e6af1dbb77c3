// Decides when the modem has finished answering. A buffer that holds exactly
// one answer that will be accepted is dispatched at once; anything else is
// dispatched as one frame once the line has been quiet for 200 ms since the
// last received byte. The owner calls Service when the reader reports bytes
// and again when the time it returned has passed: the window from a
// single-shot timer on its own thread, the command-line tool from a thread of
// its own (DispatchPump).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/port_session.h"
#include "protocol/response_dispatch.h"

namespace telvaro {

class DispatchTimer {
 public:
  using Clock = PortSession::Clock;
  static constexpr auto kQuiet = std::chrono::milliseconds(200);

  DispatchTimer(PortSession& session, ResponseDispatcher& dispatcher)
      : session_(session), dispatcher_(dispatcher) {}

  // Dispatches what is due at `now`. Returns the milliseconds after which it
  // should be called again (the end of the quiet period), or -1 when the
  // buffer is empty and only the next received bytes matter.
  int Service(Clock::time_point now);
  int Service() { return Service(Clock::now()); }

  PortSession& Session() { return session_; }

 private:
  PortSession& session_;
  ResponseDispatcher& dispatcher_;
};

// Runs a DispatchTimer on its own thread until destroyed, woken by the
// session's received bytes and by the end of each quiet period; for owners
// without a window. The dispatcher's host is then called on that thread.
// It takes the session's receive notifier for as long as it lives.
class DispatchPump {
 public:
  explicit DispatchPump(DispatchTimer& timer);
  ~DispatchPump();
  DispatchPump(const DispatchPump&) = delete;
  DispatchPump& operator=(const DispatchPump&) = delete;

 private:
  void Wake();

  DispatchTimer& timer_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool run_ = true;
  std::thread thread_;
};

}  // namespace telvaro
