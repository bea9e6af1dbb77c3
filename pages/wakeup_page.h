// The Wakeup page: how the modem is woken from idle by call, SMS or schedule.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CWakeupPage : public ConfigPage {
  Q_OBJECT

 public:
  CWakeupPage(QWidget* parent, MessageSink* messages);

  // The wakeup mode (0, 1 or 2) that the GPRS page's connection settings
  // allow; the page re-enables itself for it at once.
  void SetWakeupMode(int mode);
  int WakeupMode() const { return wakeupMode_; }

 private:
  int wakeupMode_ = 0;
};

}  // namespace telvaro
