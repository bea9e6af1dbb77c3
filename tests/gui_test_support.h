// What the GUI tests share: waiting for a condition while the window's
// events (timer, worker calls) are served.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace telvaro {

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(5);
  }
  return true;
}

}  // namespace telvaro
