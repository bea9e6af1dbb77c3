#include "pages/config_page.h"

#include "link/session_events.h"

namespace telvaro {

namespace {
// Every page fills the same area inside the main window's tab control.
constexpr int kPageWidth = 430;
constexpr int kPageHeight = 380;
}  // namespace

ConfigPage::ConfigPage(QWidget* parent, MessageSink* messages) : QWidget(parent), messages_(messages), exchange_(messages) {
  setFixedSize(kPageWidth, kPageHeight);
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

int ConfigPage::Refuse(QWidget* control, const char* message, int code) {
  if (messages_ != nullptr) messages_->ShowMessage(message);
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
