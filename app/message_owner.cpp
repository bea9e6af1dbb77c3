#include "app/message_owner.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "app/window_thread.h"

namespace telvaro {

MessageIcon IconForFailure(FailureKind kind) {
  return kind == FailureKind::Cancelled ? MessageIcon::Information : MessageIcon::Warning;
}

namespace {

MessageRequest Request(const QString& text, const QString& caption, MessageButtons buttons, MessageIcon icon) {
  MessageRequest request;
  request.text = text;
  request.caption = caption;
  request.buttons = buttons;
  request.icon = icon;
  return request;
}

}  // namespace

MessageOwner::MessageOwner(QWidget* window) : QObject(window), window_(window) {}

MessageAnswer MessageOwner::Show(const QString& text, const QString& caption, MessageButtons buttons) {
  return Show(Request(text, caption.isEmpty() ? QString(kDefaultCaption) : caption, buttons,
                             buttons == MessageButtons::YesNo ? MessageIcon::Question : MessageIcon::Warning));
}

MessageAnswer MessageOwner::AskDefaultNo(const QString& text, const QString& caption) {
  MessageRequest request = Request(text, caption, MessageButtons::YesNo, MessageIcon::Question);
  request.defaultAnswer = MessageAnswer::No;
  return Show(request);
}

MessageAnswer MessageOwner::AskActFirst(const QString& text, const QString& caption, const QString& act,
                                        const QString& goOn, const QString& cancel) {
  MessageRequest request = Request(text, caption.isEmpty() ? QString(kDefaultCaption) : caption,
                                   MessageButtons::ActFirst, MessageIcon::Question);
  request.defaultAnswer = MessageAnswer::Cancel;
  request.act = act;
  request.goOn = goOn;
  request.cancel = cancel;
  return Show(request);
}

void MessageOwner::ShowSuccess(const QString& text) {
  Show(Request(text, kDefaultCaption, MessageButtons::Ok, MessageIcon::Information));
}

void MessageOwner::ShowFailure(const Failure& failure) {
  Show(Request(QString::fromStdString(OneLine(failure)), kDefaultCaption, MessageButtons::Ok,
               IconForFailure(failure.kind)));
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
  if (request.buttons == MessageButtons::YesNo) {
    QMessageBox box(icon, request.caption, request.text, QMessageBox::Yes | QMessageBox::No, window_);
    box.setDefaultButton(request.defaultAnswer == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  if (request.buttons == MessageButtons::ActFirst) {
    QMessageBox box(icon, request.caption, request.text, QMessageBox::NoButton, window_);
    QPushButton* act = box.addButton(request.act, QMessageBox::AcceptRole);
    QPushButton* goOn = box.addButton(request.goOn, QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(request.cancel, QMessageBox::RejectRole);
    // Enter keeps the work; Escape and the close box cancel too.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == act) return MessageAnswer::Act;
    if (box.clickedButton() == goOn) return MessageAnswer::GoOn;
    return MessageAnswer::Cancel;
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
