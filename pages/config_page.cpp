#include "pages/config_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "base/session_events.h"

namespace telvaro {

namespace {
// Every page fills the same area inside the main window's tab control.
constexpr int kPageWidth = 430;
constexpr int kPageHeight = 380;
}  // namespace

ConfigPage::ConfigPage(QWidget* parent, MessageSink* messages) : QWidget(parent), messages_(messages), exchange_(messages) {
  setFixedSize(kPageWidth, kPageHeight);
  exchange_.SetPage(this);
}

std::vector<QWidget*> ConfigPage::InputControls() const {
  std::vector<QWidget*> controls = exchange_.Controls();
  controls.insert(controls.end(), extraControls_.begin(), extraControls_.end());
  return controls;
}

void ConfigPage::SetInputsEnabled(bool enabled) {
  for (QWidget* control : InputControls()) control->setEnabled(enabled);
}

void ConfigPage::ShowRecord(ConfigRecord& record) {
  exchange_.Load(record);
  ShowValues();
}

int ConfigPage::Validate(ConfigRecord& record) {
  // A breach of a page limit has shown its message: the Write stops there,
  // with the refused text left in its control for the operator to correct.
  if (!TakeValues()) return -1;
  return exchange_.Store(record);
}

namespace {

// Keeps the first refusal a quiet store meets.
class FirstMessage : public MessageSink {
 public:
  explicit FirstMessage(std::string* text) : text_(text) {}
  void ShowMessage(const std::string& text) override {
    if (text_ != nullptr && text_->empty()) *text_ = text;
  }

 private:
  std::string* text_;
};

}  // namespace

MessageSink* ConfigPage::Messages() const { return quietSink_ != nullptr ? quietSink_ : messages_; }

int ConfigPage::StoreQuietly(ConfigRecord& record, std::string* refusal) {
  FirstMessage sink(refusal);
  quietSink_ = &sink;
  exchange_.SetMessages(&sink);
  exchange_.SetQuiet(true);
  const int result = Validate(record);
  exchange_.SetQuiet(false);
  exchange_.SetMessages(messages_);
  quietSink_ = nullptr;
  return result;
}

namespace {

// The caption of a control laid out on the page's fixed grid: the nearest
// label that ends left of it on its line, passing over hints in brackets
// such as "(Hex)", unless another input stands between them.
const QLabel* CaptionOnTheLeft(const QWidget* control) {
  const QRect place = control->geometry();
  const QLabel* caption = nullptr;
  for (const QLabel* label : control->parentWidget()->findChildren<const QLabel*>(Qt::FindDirectChildrenOnly)) {
    const QRect at = label->geometry();
    if (std::abs(at.center().y() - place.center().y()) > place.height() / 2 || at.left() >= place.left()) continue;
    if (label->text().trimmed().startsWith(u'(')) continue;
    if (caption == nullptr || at.left() > caption->geometry().left()) caption = label;
  }
  if (caption == nullptr) return nullptr;
  // Another input between them owns the caption.
  for (const QWidget* other : control->parentWidget()->findChildren<const QWidget*>(Qt::FindDirectChildrenOnly)) {
    const bool input = qobject_cast<const QLineEdit*>(other) != nullptr ||
                       qobject_cast<const QComboBox*>(other) != nullptr ||
                       qobject_cast<const QCheckBox*>(other) != nullptr;
    const QRect at = other->geometry();
    if (input && other != control && std::abs(at.center().y() - place.center().y()) <= place.height() / 2 &&
        at.left() > caption->geometry().left() && at.left() < place.left())
      return nullptr;
  }
  return caption;
}

}  // namespace

QString ConfigPage::SettingName(const QWidget* control) const {
  const QWidget* parent = control->parentWidget();
  QString name = control->accessibleName();
  if (name.isEmpty() && parent != nullptr) {
    for (const QLabel* label : parent->findChildren<const QLabel*>(Qt::FindDirectChildrenOnly))
      if (label->buddy() == control) name = label->text();
  }
  if (name.isEmpty()) {
    // A box's own text ("Enable") says more after its line's caption
    // ("Delimiter 1").
    const auto* box = qobject_cast<const QCheckBox*>(control);
    const QString own = box != nullptr ? box->text() : QString();
    const QLabel* caption = parent != nullptr ? CaptionOnTheLeft(control) : nullptr;
    name = caption == nullptr ? own : own.isEmpty() ? caption->text() : caption->text().trimmed() + " " + own;
  }
  name = name.remove(u'&').simplified();
  if (name.isEmpty()) name = control->objectName();
  if (const auto* group = qobject_cast<const QGroupBox*>(parent)) name = group->title().trimmed() + ": " + name;
  return name;
}

int ConfigPage::Refuse(QWidget* control, const char* message, int code) {
  // Quietly stored, the message goes to the quiet sink.
  if (MessageSink* messages = Messages()) messages->ShowMessage(message);
  exchange_.MarkFailed(control);
  return code;
}

void ConfigPage::DisableAll() { SetInputsEnabled(false); }

void ConfigPage::EnableByState() {
  // A failed take has already shown its message; the page goes on with the
  // values it has, and showing them puts the last accepted ones back.
  TakeValues();
  SetInputsEnabled(true);
  ShowValues();
}

}  // namespace telvaro
