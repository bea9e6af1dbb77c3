// The Wakeup page: what brings a modem in "Connect On Demand" mode online
// (daily times, a periodic interval, a call, an SMS with a password, serial
// data) and the bytes it sends to its serial port once online. Which sections
// are offered follows the GPRS page's connection control (SetWakeupMode); the
// Call and SMS boxes switch the Phone Book's wakeup columns.
#pragma once

#include <QString>
#include <cstdint>

#include "pages/config_page.h"
#include "pages/schedule_sections.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace telvaro {

class CWakeupPage : public ConfigPage {
  Q_OBJECT

 public:
  CWakeupPage(QWidget* parent, MessageSink* messages);

  void EnableByState() override;
  void DisableAll() override;
  // Serial Data Wakeup, the periodic settings and the output bytes keep their
  // values.
  void ClearForRead() override;

  // Mode 0: nothing offered; 1: everything; 2: everything but Call and SMS,
  // which are unticked. Any other value takes the page's settings away and
  // leaves the Call and SMS offer as it was.
  void SetWakeupMode(int mode);
  int WakeupMode() const { return wakeupMode_; }

  bool wakeupAvailable = false;
  bool callSmsAvailable = false;

  // Page values (the time block holds the three boxes and times).
  TimeBlock time;
  int callWakeup = 0;
  int callReplyEnable = 0;
  int smsWakeup = 0;
  int smsReplyEnable = 0;
  QString callReply;
  QString smsReply;
  QString smsPassword;
  int serialDataWakeup = 0;
  int periodicEnable = 0;
  QString output;
  std::int32_t interval = 5;

 private:
  void SetWakeupEnabled(bool on) const;

  int wakeupMode_ = -1;
  ReplySection call_;
  ReplySection sms_;
  QCheckBox* serialDataBox_;
  QCheckBox* periodicBox_;
  QLineEdit* intervalEdit_;
  QLineEdit* outputEdit_;
};

}  // namespace telvaro
