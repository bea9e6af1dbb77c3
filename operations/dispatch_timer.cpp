#include "operations/dispatch_timer.h"

#include <chrono>

namespace telvaro {

bool DispatchTimer::Tick() {
  const int silence = session_.AddSilenceTick();

  const bool clockDue = ++clockTicks_ >= kClockTicks;
  if (clockDue) clockTicks_ = 0;

  if (silence >= kQuietTicks) {
    // The quiet count starts over whether or not anything is dispatched, so
    // an idle line is looked at every 20 ticks.
    session_.ResetSilenceTicks();
    if (session_.Received().FillCount() > 0) dispatcher_.DispatchResponse();
  }
  return clockDue;
}

DispatchPump::DispatchPump(DispatchTimer& timer)
    : timer_(timer), thread_([this] {
        while (run_.load(std::memory_order_acquire)) {
          // The displayed clock has no one to show it here; only the
          // dispatch side of the tick matters.
          timer_.Tick();
          std::this_thread::sleep_for(std::chrono::milliseconds(DispatchTimer::kPeriodMs));
        }
      }) {}

DispatchPump::~DispatchPump() {
  run_.store(false, std::memory_order_release);
  thread_.join();
}

}  // namespace telvaro
