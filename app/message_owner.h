// The main window's one owner of message boxes. Every message of the tool
// goes through it, from any thread: the box is shown on the window thread and
// the caller waits for the answer. Tests install a responder that reads each
// text and answers it without a person.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <vector>

#include "base/result.h"
#include "base/session_events.h"

class QWidget;

namespace telvaro {

// Act first lets the operator keep work before a command that would lose it:
// its first button acts (Write), the second goes on without (Discard), the
// third (the default, and Escape) cancels.
enum class MessageButtons { Ok, YesNo, ActFirst };
enum class MessageAnswer { Ok, Yes, No, Act, GoOn, Cancel };
// The icon a box carries: successes inform, questions ask, everything else
// is a failure or a refusal and warns.
enum class MessageIcon { Information, Warning, Question };

struct MessageRequest {
  QString text;
  QString caption;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::Warning;
  // A Yes/No question: the answer Enter gives.
  MessageAnswer defaultAnswer = MessageAnswer::Yes;
  // ActFirst: the captions of its three buttons.
  QString act{}, goOn{}, cancel{};
};

// The icon a failure's box carries, chosen by its kind: an operation the
// operator ended informs, every other failure warns.
MessageIcon IconForFailure(FailureKind kind);

class MessageOwner : public QObject, public MessageSink {
  Q_OBJECT

 public:
  // The caption plain messages carry: the application's title.
  static constexpr const char* kDefaultCaption = "Telvaro Pro";

  explicit MessageOwner(QWidget* window);

  // A question (Yes/No) asks; any other box is a failure or a refusal and
  // warns. Successes go through ShowSuccess, failures of the core through
  // ShowFailure: the icon is never guessed from the text.
  MessageAnswer Show(const QString& text, const QString& caption = QString(),
                     MessageButtons buttons = MessageButtons::Ok);
  // A Yes/No question whose Enter answers No: for what cannot be undone.
  MessageAnswer AskDefaultNo(const QString& text, const QString& caption);
  // A question before work is lost: act first, go on without, or cancel
  // (the default). Answers Act, GoOn or Cancel.
  MessageAnswer AskActFirst(const QString& text, const QString& caption, const QString& act, const QString& goOn,
                            const QString& cancel);
  void ShowSuccess(const QString& text);
  void ShowFailure(const Failure& failure);
  void ShowMessage(const std::string& text) override { Show(QString::fromStdString(text)); }

  using Responder = std::function<MessageAnswer(const MessageRequest&)>;
  void SetResponder(Responder responder);
  std::vector<MessageRequest> History() const;
  void ClearHistory();

 private:
  MessageAnswer Show(const MessageRequest& request);
  MessageAnswer ShowOnWindowThread(const MessageRequest& request);

  QWidget* window_;
  Responder responder_;  // window thread only
  mutable std::mutex historyLock_;
  std::vector<MessageRequest> history_;
};

}  // namespace telvaro
