// What a page may ask of the main window: the cross-page entry points (each
// passes the call on to one page, which acts on it before the call returns)
// and the window's one owner of message boxes.
#pragma once

#include "base/session_events.h"

namespace telvaro {

// Columns of the Phone Book page's role grid.
enum class PhoneBookColumn { CallReboot = 0, CallWakeup = 1, SmsReboot = 2, SmsWakeup = 3, SmsControl = 4, Csd = 5 };

class PageHost {
 public:
  virtual ~PageHost() = default;
  // Wakeup mode 0, 1 or 2 to the Wakeup page. Sent by the GPRS page.
  virtual void SetWakeupMode(int mode) = 0;
  // 1 when the GPRS page's shut-down-when-idle box is checked, to the Reboot page.
  virtual void SetRebootAvailability(int available) = 0;
  // One role column of the Phone Book page on or off.
  virtual void SetPhoneBookColumn(PhoneBookColumn column, bool on) = 0;
};

}  // namespace telvaro
