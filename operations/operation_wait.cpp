#include "operations/operation_wait.h"

#include <chrono>
#include <thread>

namespace telvaro {

OperationOutcome OperationWait(std::atomic<bool>& responseReceived, OperationFlags& flags, int waitLimit,
                               const OperationWaitHooks& hooks) {
  auto sleep = [&](int ms) {
    if (hooks.sleep) {
      hooks.sleep(ms);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
  };
  hooks.setCommandButtonsEnabled(false);
  // A closed port (or a vanished device) ends the wait without a word, but
  // never leaves the window busy: no later answer would free the buttons.
  const auto abandon = [&] {
    flags.writePending.store(false);
    hooks.setCommandButtonsEnabled(true);
    return OperationOutcome::Abandoned;
  };

  const auto received = [&] {
    return responseReceived.load(std::memory_order_acquire) && (!hooks.answered || hooks.answered());
  };
  bool answered = received();
  for (int i = 0; !answered;) {
    if (!hooks.readerRunning()) return abandon();
    // The limit is compared before the count goes up: with 40 the loop
    // sleeps 41 times, about 4.1 s.
    if (i > waitLimit) break;
    ++i;
    sleep(100);
    answered = received();
  }

  if (answered) {
    if (!hooks.readerRunning()) return abandon();
    hooks.setCommandButtonsEnabled(true);
    hooks.showMessage(flags.writePending.load() ? kWriteSucceeded : kOperationSucceeded);
    flags.writePending.store(false);
    return OperationOutcome::Succeeded;
  }

  hooks.setCommandButtonsEnabled(true);
  flags.writePending.store(false);
  hooks.disableAllPages();
  if (flags.userRead.load()) hooks.showMessage(kOperationTimedOut);
  return OperationOutcome::TimedOut;
}

}  // namespace telvaro
