#include "operations/dispatch_timer.h"

namespace telvaro {

int DispatchTimer::Service(Clock::time_point now) {
  ReceiveBuffer& buffer = session_.Received();
  if (buffer.FillCount() == 0) return -1;
  if (dispatcher_.DispatchIfComplete()) {
    // An answer repeated at once follows the first one; other bytes that
    // came after it start a quiet period of their own.
    while (dispatcher_.DispatchIfComplete()) {
    }
    if (buffer.FillCount() == 0) return -1;
  }
  const auto quietFor = now - session_.LastReceived();
  if (quietFor >= kQuiet) {
    dispatcher_.DispatchResponse();
    return -1;
  }
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(kQuiet - quietFor).count();
  return static_cast<int>(left < 1 ? 1 : left);
}

DispatchPump::DispatchPump(DispatchTimer& timer)
    : timer_(timer), thread_([this] {
        std::unique_lock lock(lock_);
        while (run_) {
          woken_ = false;
          lock.unlock();
          const int next = timer_.Service();
          lock.lock();
          const auto woken = [this] { return woken_ || !run_; };
          if (next < 0) {
            wake_.wait(lock, woken);
          } else {
            wake_.wait_for(lock, std::chrono::milliseconds(next), woken);
          }
        }
      }) {
  timer_.Session().SetReceiveNotifier([this] { Wake(); });
  Wake();  // bytes that came before the notifier was set
}

DispatchPump::~DispatchPump() {
  timer_.Session().SetReceiveNotifier({});
  {
    std::lock_guard guard(lock_);
    run_ = false;
  }
  wake_.notify_all();
  thread_.join();
}

void DispatchPump::Wake() {
  {
    std::lock_guard guard(lock_);
    woken_ = true;
  }
  wake_.notify_all();
}

}  // namespace telvaro
