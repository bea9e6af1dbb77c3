#include "pages/advanced2_page.h"

namespace telvaro {

CAdvanced2Page::CAdvanced2Page(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CAdvanced2Page"));
}

}  // namespace telvaro
