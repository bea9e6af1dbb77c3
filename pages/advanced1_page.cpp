#include "pages/advanced1_page.h"

namespace telvaro {

CAdvanced1Page::CAdvanced1Page(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CAdvanced1Page"));
}

}  // namespace telvaro
