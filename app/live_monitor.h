// View > Monitor: while on, the modem's live status is asked for at a fixed
// interval whenever no command of the operator's is running. It decides only
// when to poll; the window says whether it may and what a poll does.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QTimer;

namespace telvaro {

class LiveMonitor : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDefaultIntervalMs = 2000;
  static constexpr int kLeastIntervalMs = 100;

  // `mayPoll` says whether a poll may go out now (port open, nothing else
  // talking to the modem); `poll` starts one, which ends with PollEnded.
  LiveMonitor(QObject* parent, int intervalMs, std::function<bool()> mayPoll, std::function<void()> poll);

  bool IsOn() const { return on_; }
  void SetOn(bool on);
  int IntervalMs() const { return intervalMs_; }
  // A poll ended (answered or not); the next one follows at the next tick.
  void PollEnded() { polling_ = false; }
  bool Polling() const { return polling_; }

 signals:
  void switched(bool on);

 private:
  void Tick();

  QTimer* timer_;
  int intervalMs_;
  std::function<bool()> mayPoll_;
  std::function<void()> poll_;
  bool on_ = false;
  bool polling_ = false;
};

}  // namespace telvaro
