#include "pages/gprs_page.h"

namespace telvaro {

CGprsPage::CGprsPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CGprsPage"));
}

}  // namespace telvaro
