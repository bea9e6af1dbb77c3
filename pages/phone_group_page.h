// The Phone Group page: its grid of phone groups, usable only on modems with
// digital I/O.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CPhoneGroupPage : public ConfigPage {
  Q_OBJECT

 public:
  CPhoneGroupPage(QWidget* parent, MessageSink* messages);

  // The grid stays as SetGridEnabled left it, and disabled without digital I/O.
  void EnableByState() override;

  // Whether the modem has digital I/O; set from every accepted parameter
  // response.
  void SetIoPresent(bool present) { ioPresent = present; }
  bool ioPresent = false;

  // Switches the grid; it only comes on while the modem has digital I/O.
  void SetGridEnabled(bool on);
  bool GridEnabled() const { return gridEnabled_; }

 private:
  bool gridEnabled_ = false;
};

}  // namespace telvaro
