// The Basic page: the modem's general settings and its clock.
#pragma once

#include <QString>

#include "pages/config_page.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace telvaro {

class ConfigRecord;

class CBasicPage : public ConfigPage {
  Q_OBJECT

 public:
  CBasicPage(QWidget* parent, MessageSink* messages);

  void OnShow() override;
  void EnableByState() override;
  void DisableAll() override;
  void ClearForRead() override;

  // Drops "RS485" from Com Type Selection, for a modem without that interface.
  // Items are added only on show, so the item stays gone until restart.
  void RemoveRs485();

  // Shows a received record. Changes the record too: a PIN lock index above 2
  // becomes 0, and rtc_set becomes 0 (synchronising is a one-shot request).
  void ShowRecord(ConfigRecord& record) override;
  // Stores the page; "Synchronize with PC" also puts the PC's clock into the
  // record with the request to set it.
  int Validate(ConfigRecord& record) override;

  // The device clock beside "Synchronize with PC".
  void SetClockText(const QString& text);

  // Page values, in exchange order.
  QString deviceName;
  int syncWithPc = 0;
  int changePin = 0;
  QString newPinCode;
  QString pinCode;
  QString initCommand;
  QString smsPassword;
  int debugOutput = 0;

 private:
  QComboBox* pinLockList_;
  QComboBox* comTypeList_;
  QLineEdit* deviceNameEdit_;
  QCheckBox* syncWithPcBox_;
  QCheckBox* changePinBox_;
  QLineEdit* newPinCodeEdit_;
  QLineEdit* pinCodeEdit_;
  QLineEdit* initCommandEdit_;
  QLineEdit* smsPasswordEdit_;
  QCheckBox* debugOutputBox_;
  QLabel* meTypeValue_;
  QLabel* imeiValue_;
  QLabel* clockValue_;
};

}  // namespace telvaro
