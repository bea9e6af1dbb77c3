#include "app/live_monitor.h"

#include <QTimer>
#include <algorithm>

namespace telvaro {

LiveMonitor::LiveMonitor(QObject* parent, int intervalMs, std::function<bool()> mayPoll, std::function<void()> poll)
    : QObject(parent),
      timer_(new QTimer(this)),
      intervalMs_(std::max(intervalMs, kLeastIntervalMs)),
      mayPoll_(std::move(mayPoll)),
      poll_(std::move(poll)) {
  timer_->setInterval(intervalMs_);
  connect(timer_, &QTimer::timeout, this, &LiveMonitor::Tick);
}

void LiveMonitor::SetOn(bool on) {
  if (on == on_) return;
  on_ = on;
  if (on) {
    timer_->start();
  } else {
    timer_->stop();
  }
  emit switched(on);
}

void LiveMonitor::Tick() {
  // One poll at a time; a tick that finds the modem busy is simply skipped.
  if (polling_ || !mayPoll_()) return;
  polling_ = true;
  poll_();
}

}  // namespace telvaro
