// CNoteDlg: the small modeless note that counts down the 30 seconds the modem
// needs to restart after a Reboot. It closes itself when the time is up; OK
// only hides it early.
#pragma once

#include <QDialog>

class QBasicTimer;
class QLabel;

namespace telvaro {

class CNoteDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCountdownSeconds = 30;
  static constexpr int kTickMs = 1000;    // timer 1003: one second less
  static constexpr int kLifeMs = 30000;   // timer 1002: the note closes

  // The periods can be shortened for tests; the operator always gets the above.
  explicit CNoteDlg(QWidget* parent, int tickMs = kTickMs, int lifeMs = kLifeMs);
  ~CNoteDlg() override;

  QString Text() const;
  int Countdown() const { return countdown_; }
  bool Finished() const { return finished_; }

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void SetText(const QString& text);

  QLabel* label_;
  std::uint8_t countdown_ = kCountdownSeconds;
  bool finished_ = false;
  int tickTimer_ = 0;
  int lifeTimer_ = 0;
};

}  // namespace telvaro
