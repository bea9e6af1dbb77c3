// The GPRS page: the dial-up account and DNS servers, how the modem reaches
// its server, and when it stays online. Its connection control decides what
// the Wakeup and Reboot pages offer.
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

class CGprsPage : public ConfigPage {
  Q_OBJECT

 public:
  CGprsPage(QWidget* parent, MessageSink* messages);

  void OnShow() override;
  void DisableAll() override;
  void EnableByState() override;
  void ClearForRead() override;

  // The DNS list follows the record's texts: "Manual" as soon as either DNS
  // server is set.
  void ShowRecord(ConfigRecord& record) override;

  // Page values, in exchange order (the four lists are their own values).
  QString apn;
  QString user;
  QString password;
  QString serverAddress;
  std::int32_t port = 8888;
  std::int32_t inactivityTime = 2;
  QString dns1;
  std::int32_t connectInterval = 60;
  std::int32_t maxRetries = 5;
  QString dns2;
  int shutdownWhenIdle = 0;
  int modbusOverTcp = 0;
  std::int32_t idleTimeout = 180;

 private:
  QComboBox* pppList_;
  QComboBox* dnsList_;
  QComboBox* connectionModeList_;
  QComboBox* socketModeList_;
  QLineEdit* apnEdit_;
  QLineEdit* userEdit_;
  QLineEdit* passwordEdit_;
  QLineEdit* serverAddressEdit_;
  QLineEdit* portEdit_;
  QLineEdit* inactivityTimeEdit_;
  QLineEdit* dns1Edit_;
  QLineEdit* connectIntervalEdit_;
  QLineEdit* maxRetriesEdit_;
  QLineEdit* dns2Edit_;
  QCheckBox* shutdownBox_;
  QLabel* shutdownText_;
  QCheckBox* modbusBox_;
  QLineEdit* idleTimeoutEdit_;
};

}  // namespace telvaro
