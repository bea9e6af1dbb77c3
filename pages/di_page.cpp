#include "pages/di_page.h"

namespace telvaro {

CDiPage::CDiPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CDiPage"));
}

void CDiPage::EnableByState() {
  TakeValues();  // a failure has shown its message; the values shown below stand
  SetInputsEnabled(ioPresent);
  ShowValues();
}

}  // namespace telvaro
