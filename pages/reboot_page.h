// The Reboot page: what reboots the modem (daily times, a call, an SMS with a
// password), each call or SMS optionally answered by an SMS reply. The GPRS
// page decides whether Call and SMS are offered (SetRebootAvailability); the
// Call and SMS boxes switch the Phone Book's reboot columns.
#pragma once

#include <QString>

#include "pages/config_page.h"
#include "pages/schedule_sections.h"

namespace telvaro {

class CRebootPage : public ConfigPage {
  Q_OBJECT

 public:
  CRebootPage(QWidget* parent, MessageSink* messages);

  void EnableByState() override;
  void DisableAll() override;
  void ClearForRead() override;

  // 0 offers Call and SMS, 1 (the GPRS page shuts the modem down when idle)
  // takes them away and unticks them; any other value changes nothing.
  void SetRebootAvailability(int available);
  // The last value SetRebootAvailability accepted (-1 before the first).
  int RebootAvailability() const { return rebootAvailability_; }

  bool callSmsAvailable = true;

  // Page values (the time block holds the three boxes and times).
  int callReboot = 0;
  int smsReboot = 0;
  QString smsPassword;
  int smsReplyEnable = 0;
  QString smsReply;
  int callReplyEnable = 0;
  QString callReply;
  TimeBlock time;

 private:
  int rebootAvailability_ = -1;
  ReplySection call_;
  ReplySection sms_;
};

}  // namespace telvaro
