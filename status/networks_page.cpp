#include "status/networks_page.h"

#include <QLabel>
#include <QLineEdit>

namespace telvaro {

CNetworksPage::CNetworksPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CNetworksPage"));
  auto* hint = new QLabel("*Click \"Read\" to refresh the status", this);
  hint->setGeometry(12, 8, 400, 18);
  auto* label = new QLabel("Update Frequency", this);
  label->setGeometry(12, 40, 110, 20);
  updateFrequencyEdit_ = new QLineEdit(this);
  updateFrequencyEdit_->setObjectName("updateFrequency");
  updateFrequencyEdit_->setGeometry(126, 40, 60, 20);
  auto* unit = new QLabel("Sec (recommand 30 seconds)", this);
  unit->setGeometry(192, 40, 200, 20);
  Exchange().Text(updateFrequencyEdit_, &updateFrequency, 0);
}

void CNetworksPage::ClearForRead() {
  updateFrequency.clear();
  ShowValues();
}

}  // namespace telvaro
