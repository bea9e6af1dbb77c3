#include "pages/com_page.h"

namespace telvaro {

CComPage::CComPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CComPage"));
}

}  // namespace telvaro
