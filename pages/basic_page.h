// The Basic page: the modem's general settings and its clock.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CBasicPage : public ConfigPage {
  Q_OBJECT

 public:
  CBasicPage(QWidget* parent, MessageSink* messages);
};

}  // namespace telvaro
