#include "pages/do_page.h"

namespace telvaro {

CDoPage::CDoPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CDoPage"));
}

void CDoPage::EnableByState() {
  TakeValues();  // a failure has shown its message; the values shown below stand
  SetInputsEnabled(ioPresent);
  ShowValues();
}

}  // namespace telvaro
