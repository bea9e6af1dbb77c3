#include "app/message_owner.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QWidget>

#include "app/window_thread.h"

namespace telvaro {

MessageIcon IconForFailure(FailureKind kind) {
  return kind == FailureKind::Cancelled ? MessageIcon::Information : MessageIcon::Warning;
}

MessageOwner::MessageOwner(QWidget* window) : QObject(window), window_(window) {}

MessageAnswer MessageOwner::Show(const QString& text, const QString& caption, MessageButtons buttons) {
  return Show(MessageRequest{text, caption.isEmpty() ? QString(kDefaultCaption) : caption, buttons,
                             buttons == MessageButtons::YesNo ? MessageIcon::Question : MessageIcon::Warning, {}});
}

MessageAnswer MessageOwner::Ask(const QString& text, const QStringList& choices) {
  return Show(MessageRequest{text, kDefaultCaption, MessageButtons::YesNoCancel, MessageIcon::Question, choices});
}

void MessageOwner::ShowSuccess(const QString& text) {
  Show(MessageRequest{text, kDefaultCaption, MessageButtons::Ok, MessageIcon::Information, {}});
}

void MessageOwner::ShowFailure(const Failure& failure) {
  Show(MessageRequest{QString::fromStdString(OneLine(failure)), kDefaultCaption, MessageButtons::Ok,
                      IconForFailure(failure.kind), {}});
}

MessageAnswer MessageOwner::Show(const MessageRequest& request) {
  {
    std::lock_guard guard(historyLock_);
    history_.push_back(request);
  }
  MessageAnswer answer = MessageAnswer::Ok;
  RunOnWindowThread(this, [&] { answer = ShowOnWindowThread(request); });
  return answer;
}

MessageAnswer MessageOwner::ShowOnWindowThread(const MessageRequest& request) {
  if (responder_) return responder_(request);
  const QMessageBox::Icon icon = request.icon == MessageIcon::Information ? QMessageBox::Information
                                 : request.icon == MessageIcon::Question  ? QMessageBox::Question
                                                                          : QMessageBox::Warning;
  if (request.buttons == MessageButtons::YesNoCancel) {
    QMessageBox box(icon, request.caption, request.text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    window_);
    const QMessageBox::StandardButton order[] = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    for (int i = 0; i < 3 && i < request.choices.size(); ++i) box.button(order[i])->setText(request.choices[i]);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    const int chosen = box.exec();
    return chosen == QMessageBox::Yes ? MessageAnswer::Yes : chosen == QMessageBox::No ? MessageAnswer::No : MessageAnswer::Cancel;
  }
  if (request.buttons == MessageButtons::YesNo) {
    QMessageBox box(icon, request.caption, request.text, QMessageBox::Yes | QMessageBox::No, window_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  QMessageBox box(icon, request.caption, request.text, QMessageBox::Ok, window_);
  box.exec();
  return MessageAnswer::Ok;
}

void MessageOwner::SetResponder(Responder responder) { responder_ = std::move(responder); }

std::vector<MessageRequest> MessageOwner::History() const {
  std::lock_guard guard(historyLock_);
  return history_;
}

void MessageOwner::ClearHistory() {
  std::lock_guard guard(historyLock_);
  history_.clear();
}

}  // namespace telvaro
