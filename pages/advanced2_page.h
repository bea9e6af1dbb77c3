// The Advanced 2 page: the modem's remaining advanced settings.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CAdvanced2Page : public ConfigPage {
  Q_OBJECT

 public:
  CAdvanced2Page(QWidget* parent, MessageSink* messages);
};

}  // namespace telvaro
