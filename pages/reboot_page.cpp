#include "pages/reboot_page.h"

namespace telvaro {

CRebootPage::CRebootPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CRebootPage"));
}

void CRebootPage::SetRebootAvailability(int available) {
  rebootAvailability_ = available;
  EnableByState();
}

}  // namespace telvaro
