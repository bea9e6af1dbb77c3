// The DO page: the modem's digital output, what may switch it and how.
#pragma once

#include <QString>
#include <cstdint>

#include "pages/config_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace telvaro {

class ConfigRecord;

class CDoPage : public ConfigPage {
  Q_OBJECT

 public:
  CDoPage(QWidget* parent, MessageSink* messages);

  void OnShow() override;
  // Nothing can be edited while the modem has no digital I/O.
  void EnableByState() override;
  int Validate(ConfigRecord& record) override;

  // Whether the modem has digital I/O; set from every accepted parameter
  // response.
  void SetIoPresent(bool present) { ioPresent = present; }
  bool ioPresent = false;

  // Page values, in exchange order.
  int diAlarm = 0;
  int phoneControl = 0;
  int smsControl = 0;
  std::uint32_t keepOn = 0;
  QString alarmOffText;
  QString alarmOnText;
  std::uint32_t pulseDelayMs = 0;
  std::uint32_t pulseHighMs = 1;
  std::uint32_t pulseLowMs = 1;
  std::uint32_t pulseCount = 1;
  int reportOverTcp = 0;
  int alwaysTrigger = 0;

 private:
  QComboBox* powerOnList_;
  QComboBox* onActionList_;
  QComboBox* offActionList_;
  QComboBox* phoneGroupList_;
  QCheckBox* diAlarmBox_;
  QCheckBox* phoneControlBox_;
  QCheckBox* smsControlBox_;
  QLineEdit* keepOnEdit_;
  QLineEdit* alarmOffEdit_;
  QLineEdit* alarmOnEdit_;
  QLineEdit* pulseDelayEdit_;
  QLineEdit* pulseHighEdit_;
  QLineEdit* pulseLowEdit_;
  QLineEdit* pulseCountEdit_;
  QCheckBox* overTcpBox_;
  QCheckBox* alwaysTriggerBox_;
};

}  // namespace telvaro
