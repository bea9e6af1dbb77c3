// The Com page: the modem's own serial interface settings.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CComPage : public ConfigPage {
  Q_OBJECT

 public:
  CComPage(QWidget* parent, MessageSink* messages);
};

}  // namespace telvaro
