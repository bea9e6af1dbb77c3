// The Reboot page: when the modem reboots itself, on schedule, call or SMS.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CRebootPage : public ConfigPage {
  Q_OBJECT

 public:
  CRebootPage(QWidget* parent, MessageSink* messages);

  // 1 when the GPRS page lets the modem shut down when idle, else 0; the
  // page re-enables itself for it at once.
  void SetRebootAvailability(int available);
  int RebootAvailability() const { return rebootAvailability_; }

 private:
  int rebootAvailability_ = 0;
};

}  // namespace telvaro
