// The DI page: the modem's digital inputs.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CDiPage : public ConfigPage {
  Q_OBJECT

 public:
  CDiPage(QWidget* parent, MessageSink* messages);

  // Nothing is enabled while the modem has no digital I/O.
  void EnableByState() override;

  // Whether the modem has digital I/O; set from every accepted parameter
  // response.
  void SetIoPresent(bool present) { ioPresent = present; }
  bool ioPresent = false;
};

}  // namespace telvaro
