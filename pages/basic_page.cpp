#include "pages/basic_page.h"

namespace telvaro {

CBasicPage::CBasicPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CBasicPage"));
}

}  // namespace telvaro
