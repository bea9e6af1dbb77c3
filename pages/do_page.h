// The DO page: the modem's digital output.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CDoPage : public ConfigPage {
  Q_OBJECT

 public:
  CDoPage(QWidget* parent, MessageSink* messages);

  // Nothing is enabled while the modem has no digital I/O.
  void EnableByState() override;

  // Whether the modem has digital I/O; set from every accepted parameter
  // response.
  void SetIoPresent(bool present) { ioPresent = present; }
  bool ioPresent = false;
};

}  // namespace telvaro
