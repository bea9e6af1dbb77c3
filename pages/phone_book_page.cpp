#include "pages/phone_book_page.h"

namespace telvaro {

CPhoneBookPage::CPhoneBookPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CPhoneBookPage"));
}

void CPhoneBookPage::OnShow() {
  callRebootAvailable = false;
  callWakeupAvailable = false;
  csdAvailable = false;
}

void CPhoneBookPage::SetPhoneBookColumn(PhoneBookColumn column, bool on) {
  columns_[static_cast<std::size_t>(column)] = on;
}

}  // namespace telvaro
