// The Networks page: the modem's live status (signal, registration, operator,
// GPRS and TCP state, counters). Its one input is the "Update Frequency" edit.
#pragma once

#include <QString>

#include "pages/config_page.h"

class QLineEdit;

namespace telvaro {

class CNetworksPage : public ConfigPage {
  Q_OBJECT

 public:
  CNetworksPage(QWidget* parent, MessageSink* messages);

  // Empties what the coming parameter response refills.
  void ClearForRead() override;

  QString updateFrequency;  // seconds, as text

 private:
  QLineEdit* updateFrequencyEdit_;
};

}  // namespace telvaro
