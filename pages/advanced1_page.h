// The Advanced 1 page: how serial data is packed into network packets, the
// SMS sent on coming online, international roaming with its PLMN choice, and
// CSD backup for incoming calls (which switches the Phone Book's CSD column).
#pragma once

#include <QString>
#include <cstdint>

#include "pages/config_page.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace telvaro {

class ConfigRecord;

class CAdvanced1Page : public ConfigPage {
  Q_OBJECT

 public:
  CAdvanced1Page(QWidget* parent, MessageSink* messages);

  void OnShow() override;
  void EnableByState() override;
  void ClearForRead() override;

  // The PLMN list follows the record's text ("Manual" when a preferred PLMN
  // is set), and the SIM's PLMN is shown beside it.
  void ShowRecord(ConfigRecord& record) override;
  // A preferred PLMN goes to the modem only while "Manual" is chosen;
  // otherwise the whole field is cleared.
  int Validate(ConfigRecord& record) override;

  // Page values, in exchange order (the two lists are their own values).
  std::int32_t intervalTimeout = 2;
  QString delimiter1 = QStringLiteral("00");
  QString delimiter2 = QStringLiteral("00");
  std::int32_t packetLength = 0;
  int delimiter1Enable = 0;
  int delimiter2Enable = 0;
  int onlineSmsEnable = 0;
  int roamingEnable = 0;
  QString preferredPlmn;
  std::int32_t txDelay = 6;
  int csdBackupEnable = 0;

 private:
  QComboBox* plmnList_;
  QComboBox* delimiterProcessList_;
  QLineEdit* intervalTimeoutEdit_;
  QLineEdit* delimiter1Edit_;
  QLineEdit* delimiter2Edit_;
  QLineEdit* packetLengthEdit_;
  QCheckBox* delimiter1Box_;
  QCheckBox* delimiter2Box_;
  QCheckBox* onlineSmsBox_;
  QCheckBox* roamingBox_;
  QLineEdit* preferredPlmnEdit_;
  QLineEdit* txDelayEdit_;
  QCheckBox* csdBackupBox_;
  QLabel* simPlmnValue_;
};

}  // namespace telvaro
