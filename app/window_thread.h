// Carries out a call on the window thread and waits until it is done, the
// way a window call from a worker thread is handed to the thread that owns
// the window. Called on the window thread itself, it runs at once.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

namespace telvaro {

template <typename Fn>
void RunOnWindowThread(QObject* window, Fn&& fn) {
  if (QThread::currentThread() == window->thread()) {
    fn();
  } else {
    QMetaObject::invokeMethod(window, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
  }
}

}  // namespace telvaro
