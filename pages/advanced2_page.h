// The Advanced 2 page: the custom packets the modem exchanges with its server
// (login request and acknowledgement with retries, a periodic keep-alive, a
// logout), each block with its own "Enable".
#pragma once

#include <QString>
#include <cstdint>

#include "pages/config_page.h"

class QCheckBox;
class QLineEdit;

namespace telvaro {

class CAdvanced2Page : public ConfigPage {
  Q_OBJECT

 public:
  CAdvanced2Page(QWidget* parent, MessageSink* messages);

  void OnShow() override;
  void EnableByState() override;
  void ClearForRead() override;

  // Page values, in exchange order. A block whose "Enable" is not ticked
  // leaves its record fields as they are when stored.
  int keepaliveEnable = 0;
  std::int32_t keepaliveInterval = 40;
  QString keepaliveRequest;
  int logoutEnable = 0;
  int loginEnable = 0;
  QString keepaliveAck;
  QString loginAck;
  QString loginRequest;
  std::int32_t loginInterval = 60;
  std::int32_t loginMaxRetries = 0;
  QString logoutAck;
  QString logoutRequest;

 private:
  void SetStartValues();

  QCheckBox* keepaliveBox_;
  QLineEdit* keepaliveIntervalEdit_;
  QLineEdit* keepaliveRequestEdit_;
  QCheckBox* logoutBox_;
  QCheckBox* loginBox_;
  QLineEdit* keepaliveAckEdit_;
  QLineEdit* loginAckEdit_;
  QLineEdit* loginRequestEdit_;
  QLineEdit* loginIntervalEdit_;
  QLineEdit* loginMaxRetriesEdit_;
  QLineEdit* logoutAckEdit_;
  QLineEdit* logoutRequestEdit_;
};

}  // namespace telvaro
