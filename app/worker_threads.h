// The window's worker threads (operation waits, upgrades). They end by
// themselves; the window waits for the rest when it closes, still serving
// the calls they hand to the window thread meanwhile.
#pragma once

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <thread>

namespace telvaro {

class WorkerThreads {
 public:
  ~WorkerThreads() { JoinAll(); }

  void Start(std::function<void()> body) {
    Reap();
    auto worker = std::make_unique<Worker>();
    Worker* w = worker.get();
    w->thread = std::thread([w, body = std::move(body)] {
      body();
      w->finished.store(true, std::memory_order_release);
    });
    workers_.push_back(std::move(worker));
  }

  // Waits for every worker, processing the window's events so that a worker
  // waiting for a call on the window thread can finish.
  void JoinAll() {
    while (!workers_.empty()) {
      Reap();
      if (workers_.empty()) break;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  int Running() {
    Reap();
    return static_cast<int>(workers_.size());
  }

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> finished{false};
  };
  void Reap() {
    for (auto it = workers_.begin(); it != workers_.end();) {
      if ((*it)->finished.load(std::memory_order_acquire)) {
        (*it)->thread.join();
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  std::list<std::unique_ptr<Worker>> workers_;
};

}  // namespace telvaro
