#include "app/status_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "app/pending_changes.h"
#include "app/window_thread.h"
#include "widgets/icons.h"

namespace telvaro {
namespace {

// Field 3's width; it widens only while it shows a note.
constexpr int kTextWidth = 160;
constexpr int kSuccessNoteMs = 5000;

}  // namespace

StatusBar::StatusBar(QWidget* window, std::function<void()> refresh)
    : QStatusBar(window), refresh_(std::move(refresh)) {
  setObjectName("statusBar");
  setSizeGripEnabled(false);
  // Fields end at 40, 180 and 340 pixels; the last runs to the window's edge.
  icon_ = new QLabel(this);
  icon_->setFixedWidth(40);
  icon_->setAlignment(Qt::AlignCenter);  // clear of the window's edge
  icon_->setAccessibleDescription(tr("Whether the serial port to the modem is open"));
  port_ = new QLabel(this);
  port_->setObjectName("statusPort");
  port_->setTextFormat(Qt::PlainText);
  port_->setFixedWidth(140);
  // Operators took this for the modem's data port: it is not.
  port_->setToolTip("The PC's link to the modem in configuration mode (always 115200,n,8,1).\n"
                    "The Com page sets the modem's data port, not this link.");
  text_ = new QLabel(this);
  text_->setObjectName("statusText");
  text_->setTextFormat(Qt::PlainText);  // the modem's own text, never markup
  text_->setFixedWidth(kTextWidth);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("progressBar");
  progress_->setRange(0, 100);
  progress_->hide();
  // The count keeps the right end of the fourth field: field 3 stays the
  // modem's own status text.
  pending_ = new QLabel(this);
  pending_->setObjectName("statusPending");
  pending_->setTextFormat(Qt::PlainText);
  pending_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* fourth = new QWidget(this);
  auto* fourthLayout = new QHBoxLayout(fourth);
  fourthLayout->setContentsMargins(0, 0, 0, 0);
  fourthLayout->addWidget(progress_, 1);
  fourthLayout->addWidget(pending_);
  addWidget(icon_);
  addWidget(port_);
  addWidget(text_);
  addWidget(fourth, 1);

  noteTimer_ = new QTimer(this);
  noteTimer_->setSingleShot(true);
  connect(noteTimer_, &QTimer::timeout, this, [this] {
    if (text_->text() == timedNote_) refresh_();
  });
  writtenTimer_ = new QTimer(this);
  writtenTimer_->setSingleShot(true);
  connect(writtenTimer_, &QTimer::timeout, this, [this] { ShowPending(pendingCount_); });
}

void StatusBar::Show(bool open, int com, const QString& line, const QString& status, int pending) {
  Show(open, QString("COM%1").arg(com), line, status, pending);
}

void StatusBar::Show(bool open, const QString& port, const QString& line, const QString& status, int pending) {
  icon_->setPixmap(icons::PortState(open).pixmap(16, 16));
  icon_->setObjectName(open ? "portOpenIcon" : "portClosedIcon");
  icon_->setAccessibleName(open ? tr("Port open") : tr("Port closed"));
  port_->setText(QString("%1 %2").arg(port, line));
  text_->setFixedWidth(kTextWidth);
  text_->setText(status);
  ownText_ = true;
  ShowPending(pending);
}

void StatusBar::ShowPending(int pending) {
  pendingCount_ = pending;
  if (writtenTimer_->isActive()) return;
  // A click on the count lists the changes.
  pending_->setText(pending > 0 ? PendingCountText(pending) : QString());
  pending_->setToolTip(pending > 0 ? tr("Click to list the changes") : QString());
}

void StatusBar::ShowWritten(const QString& text) {
  pending_->setText(text);
  pending_->setToolTip(QString());
  writtenTimer_->start(kSuccessNoteMs);
}

void StatusBar::ShowNote(const QString& text) {
  // Field 3 keeps its place and takes the room the note needs; the next
  // Show gives it its own width and the record's text back.
  text_->setMinimumWidth(kTextWidth);
  text_->setMaximumWidth(QWIDGETSIZE_MAX);
  text_->setText(text);
  ownText_ = false;
}

void StatusBar::ShowTimedNote(const QString& text) {
  ShowNote(text);
  timedNote_ = text;
  noteTimer_->start(kSuccessNoteMs);
}

void StatusBar::ShowBusy(const QString& text) {
  window()->setCursor(Qt::BusyCursor);
  busyText_ = text;
  ShowNote(text);
}

void StatusBar::EndBusy() {
  window()->unsetCursor();
  // Unless something newer stands there (the record's status text after an
  // answer, "device disconnected"), the busy note goes.
  if (!busyText_.isEmpty() && text_->text() == busyText_) refresh_();
  busyText_.clear();
}

void StatusBar::UpdateProgress(std::uint16_t total, std::uint16_t index) {
  if (total == 0 || index == 0 || index > total) return;
  const int percent = index * 100 / total;
  RunOnWindowThread(this, [this, percent] {
    if (percent > 0) {
      progress_->show();
      progress_->setValue(percent);
    }
    if (percent == 100) progress_->hide();
  });
}

void StatusBar::HideProgress() { progress_->hide(); }

QString StatusBar::Field(int field) const {
  switch (field) {
    case 1:
      return icon_->objectName();
    case 2:
      return port_->text();
    case 3:
      return text_->text();
    case 4:
      return pending_->text();
    default:
      return QString();
  }
}

}  // namespace telvaro
