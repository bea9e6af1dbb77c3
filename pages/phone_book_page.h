// The Phone Book page: the phone numbers the modem knows and what each number
// may do (reboot or wake the modem by call or SMS, control it by SMS, CSD).
#pragma once

#include <array>
#include <cstddef>

#include "pages/config_page.h"

namespace telvaro {

class CPhoneBookPage : public ConfigPage {
  Q_OBJECT

 public:
  CPhoneBookPage(QWidget* parent, MessageSink* messages);

  void OnShow() override;

  // Switches one role column on or off; sent by the pages whose settings
  // give the column its meaning (Reboot, Wakeup, Advanced 1).
  void SetPhoneBookColumn(PhoneBookColumn column, bool on);
  bool ColumnOn(PhoneBookColumn column) const { return columns_[static_cast<std::size_t>(column)]; }

  bool callRebootAvailable = false;
  bool callWakeupAvailable = false;
  bool csdAvailable = false;

 private:
  std::array<bool, 6> columns_{};
};

}  // namespace telvaro
