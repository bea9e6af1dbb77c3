// The 10 ms timer that decides when the modem has finished answering: after
// 20 ticks without received bytes, whatever the buffer holds is dispatched as
// one frame. The window runs it on its own thread from a window timer; the
// command-line tool runs it on a thread of its own (DispatchPump).
#pragma once

#include <atomic>
#include <thread>

#include "link/port_session.h"
#include "protocol/response_dispatch.h"

namespace telvaro {

class DispatchTimer {
 public:
  static constexpr int kPeriodMs = 10;
  static constexpr int kQuietTicks = 20;  // dispatch after this many quiet ticks
  static constexpr int kClockTicks = 65;  // advance the displayed clock every 65 ticks

  DispatchTimer(PortSession& session, ResponseDispatcher& dispatcher)
      : session_(session), dispatcher_(dispatcher) {}

  // One timer message: counts silence and clock ticks; when silence reaches
  // 20 it starts again from 0 and dispatches the buffer if it holds anything.
  // Returns true when the displayed clock is due to advance by one second.
  bool Tick();

 private:
  PortSession& session_;
  ResponseDispatcher& dispatcher_;
  int clockTicks_ = 0;
};

// Runs a DispatchTimer on its own thread every 10 ms until destroyed; for
// owners without a window. The dispatcher's host is then called on that thread.
class DispatchPump {
 public:
  explicit DispatchPump(DispatchTimer& timer);
  ~DispatchPump();
  DispatchPump(const DispatchPump&) = delete;
  DispatchPump& operator=(const DispatchPump&) = delete;

 private:
  DispatchTimer& timer_;
  std::atomic<bool> run_{true};
  std::thread thread_;
};

}  // namespace telvaro
