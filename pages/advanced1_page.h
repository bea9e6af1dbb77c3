// The Advanced 1 page: further connection settings, among them the CSD backup.
#pragma once

#include "pages/config_page.h"

namespace telvaro {

class CAdvanced1Page : public ConfigPage {
  Q_OBJECT

 public:
  CAdvanced1Page(QWidget* parent, MessageSink* messages);
};

}  // namespace telvaro
