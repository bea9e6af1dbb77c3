// The Networks page: the modem's live status (signal, registration, operator, GPRS and TCP state, counters).
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CNetworksPage : public ConfigPage {
  Q_OBJECT

 public:
  CNetworksPage(QWidget* parent, MessageSink* messages);
};

}  // namespace telvaro
