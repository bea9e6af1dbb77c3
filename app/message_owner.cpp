#include "app/message_owner.h"

#include <QMessageBox>
#include <QWidget>

#include "app/window_thread.h"

namespace telvaro {

MessageOwner::MessageOwner(QWidget* window) : QObject(window), window_(window) {}

MessageAnswer MessageOwner::Show(const QString& text, const QString& caption, MessageButtons buttons) {
  MessageRequest request{text, caption.isEmpty() ? QString(kDefaultCaption) : caption, buttons};
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
  if (request.buttons == MessageButtons::YesNo) {
    const auto choice = QMessageBox::question(window_, request.caption, request.text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return choice == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  QMessageBox::information(window_, request.caption, request.text);
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
