// The GPRS page: how the modem gets online over GPRS and when it stays online.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CGprsPage : public ConfigPage {
  Q_OBJECT

 public:
  CGprsPage(QWidget* parent, MessageSink* messages);
};

}  // namespace telvaro
