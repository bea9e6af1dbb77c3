#include "status/networks_page.h"

namespace telvaro {

CNetworksPage::CNetworksPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CNetworksPage"));
}

}  // namespace telvaro
