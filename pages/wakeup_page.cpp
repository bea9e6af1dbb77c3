#include "pages/wakeup_page.h"

namespace telvaro {

CWakeupPage::CWakeupPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CWakeupPage"));
}

void CWakeupPage::SetWakeupMode(int mode) {
  wakeupMode_ = mode;
  EnableByState();
}

}  // namespace telvaro
