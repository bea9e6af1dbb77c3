#include "pages/phone_group_page.h"

namespace telvaro {

CPhoneGroupPage::CPhoneGroupPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CPhoneGroupPage"));
}

void CPhoneGroupPage::EnableByState() {
  TakeValues();  // a failure has shown its message; the values shown below stand
  SetInputsEnabled(ioPresent && gridEnabled_);
  ShowValues();
}

void CPhoneGroupPage::SetGridEnabled(bool on) {
  gridEnabled_ = on;
  SetInputsEnabled(on && ioPresent);
}

}  // namespace telvaro
