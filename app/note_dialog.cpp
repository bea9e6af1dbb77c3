#include "app/note_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace telvaro {

CNoteDlg::CNoteDlg(QWidget* parent, int tickMs, int lifeMs) : QDialog(parent) {
  setObjectName("CNoteDlg");
  setWindowTitle(tr("Note"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose, false);
  label_ = new QLabel(this);
  label_->setObjectName("noteText");
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  // OK hides the note early; its timers go on unseen until it is done.
  connect(ok, &QPushButton::clicked, this, &QWidget::hide);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(ok, 0, Qt::AlignHCenter);

  SetText("Restarting system, please wait 30 seconds...");
  countdown_ = kCountdownSeconds;
  lifeTimer_ = startTimer(lifeMs, Qt::PreciseTimer);
  tickTimer_ = startTimer(tickMs, Qt::PreciseTimer);
}

CNoteDlg::~CNoteDlg() = default;

QString CNoteDlg::Text() const { return label_->text(); }

void CNoteDlg::SetText(const QString& text) { label_->setText(text); }

void CNoteDlg::timerEvent(QTimerEvent* event) {
  if (event->timerId() == tickTimer_) {
    --countdown_;  // 8-bit, as the countdown is
    SetText(QString("Restarting system, please wait %1 seconds...").arg(countdown_));
  } else if (event->timerId() == lifeTimer_) {
    killTimer(lifeTimer_);
    killTimer(tickTimer_);
    lifeTimer_ = tickTimer_ = 0;
    finished_ = true;
    done(QDialog::Accepted);
    deleteLater();
  }
}

}  // namespace telvaro
