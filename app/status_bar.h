// The window's status bar: the port state icon, the port and its line,
// field 3, which shows the record's status text or a note (a timed one after
// a success, the busy text while the modem works), and the fourth field,
// where the progress bar lies and, at its right end, the count of changes
// not written (or, for a few seconds, how many a Write wrote).
#pragma once

#include <QStatusBar>
#include <QString>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QTimer;

namespace telvaro {

class StatusBar : public QStatusBar {
  Q_OBJECT

 public:
  // `refresh` fills the fields again from the window's state (Show); it is
  // called when a timed or busy note ends.
  StatusBar(QWidget* window, std::function<void()> refresh);

  // The fields as they are: the port state, "COM<n> <line>", field 3's own
  // text (the record's status text) and the pending count.
  void Show(bool open, int com, const QString& line, const QString& status, int pending);
  // The same with the port's own name: "COM3", or the network address a COM
  // number stands for.
  void Show(bool open, const QString& port, const QString& line, const QString& status, int pending);
  // The count of changes not written alone ("3 changes not written"; empty
  // at 0), unless a Write's note stands there.
  void ShowPending(int pending);
  // What a Write wrote ("Wrote N changes") in the count's place for 5 s.
  void ShowWritten(const QString& text);
  // A text in field 3 other than the record's status text.
  void ShowNote(const QString& text);
  // A note that gives way to the fields' own texts after 5 s.
  void ShowTimedNote(const QString& text);
  // While the modem is busy: the busy cursor over the window and what it is
  // doing in field 3; EndBusy gives both back.
  void ShowBusy(const QString& text);
  void EndBusy();
  // Field 3 shows its own text, not a note.
  bool ShowsOwnText() const { return ownText_; }

  // Any thread: does nothing if total or index is 0 or index is past total;
  // shows the percentage, and hides the bar at 100.
  void UpdateProgress(std::uint16_t total, std::uint16_t index);
  void HideProgress();

  QString Field(int field) const;  // 1..4; field 1 is the port state icon's name, 4 the count
  QLabel* TextField() const { return text_; }
  QLabel* PendingField() const { return pending_; }
  QProgressBar* Progress() const { return progress_; }

 private:
  std::function<void()> refresh_;
  QLabel* icon_;
  QLabel* port_;
  QLabel* text_;
  QProgressBar* progress_;
  QLabel* pending_;
  QTimer* noteTimer_;  // ends a timed note
  QTimer* writtenTimer_;  // ends "Wrote N changes"
  int pendingCount_ = 0;
  QString timedNote_;
  QString busyText_;
  bool ownText_ = true;
};

}  // namespace telvaro
