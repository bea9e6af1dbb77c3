#include "pages/reboot_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

namespace {
}  // namespace

CRebootPage::CRebootPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  using namespace layout;
  setObjectName(QStringLiteral("CRebootPage"));

  QGroupBox* group = Group(this, tr("Reboot Mode"), 8, 8, 414, 224);
  time.Build(group, "reboot", 22);
  call_.Build(group, tr("Call "), "rebootCall", 14, 70, false);
  sms_.Build(group, tr("SMS"), "rebootSms", 14, 130, true);
  Label(group, tr("*Set phone NO. in Phone Book->Call Reboot, SMS Reboot"), 14, 194, 390, 18);

  ValueExchange& x = Exchange();
  x.Check(call_.mainBox, &callReboot).Link(field::reboot_by_call);
  x.Check(sms_.mainBox, &smsReboot).Link(field::reboot_by_sms);
  x.Text(sms_.passwordEdit, &smsPassword, TextLimit(field::reboot_sms_password)).Link(field::reboot_sms_password);
  x.Check(time.boxes[0], &time.enable[0]).Link(field::reboot_time_enable, 0);
  // Every time is checked on Write, whether or not its box is ticked.
  x.Text(time.edits[0], &time.times[0], 0).LinkScheduleTime(field::reboot_times, 0, MessageOf(field::reboot_times, 0)).Rank(1);
  x.Check(sms_.replyBox, &smsReplyEnable).Link(field::reboot_sms_reply_enable);
  // Typing stops at 20 characters; only a record from the modem can hold more.
  x.Text(sms_.replyEdit, &smsReply, TextLimit(field::reboot_sms_reply_text))
      .Link(field::reboot_sms_reply_text)
      .StoreLimit(TextLimit(field::reboot_sms_reply_text), MessageOf(field::reboot_sms_reply_text), -2)
      .Rank(2);
  x.Text(time.edits[1], &time.times[1], 0).LinkScheduleTime(field::reboot_times, 1, MessageOf(field::reboot_times, 1)).Rank(1);
  x.Text(time.edits[2], &time.times[2], 0).LinkScheduleTime(field::reboot_times, 2, MessageOf(field::reboot_times, 2)).Rank(1);
  x.Check(time.boxes[1], &time.enable[1]).Link(field::reboot_time_enable, 1);
  x.Check(time.boxes[2], &time.enable[2]).Link(field::reboot_time_enable, 2);
  x.Check(call_.replyBox, &callReplyEnable).Link(field::reboot_call_reply_enable);
  x.Text(call_.replyEdit, &callReply, TextLimit(field::reboot_call_reply_text)).Link(field::reboot_call_reply_text);

  for (QCheckBox* box : {call_.mainBox, sms_.mainBox, time.boxes[0], time.boxes[1], time.boxes[2], call_.replyBox,
                         sms_.replyBox})
    connect(box, &QCheckBox::clicked, this, [this] { EnableByState(); });

  // Nothing is offered before the window opens the port.
  DisableAll();
  ShowValues();
}

void CRebootPage::SetRebootAvailability(int available) {
  if (available != 0 && available != 1) return;
  rebootAvailability_ = available;
  callSmsAvailable = available == 0;
  EnableByState();
}

void CRebootPage::EnableByState() {
  // A failed take has shown its message; the rules go on with the values kept.
  TakeValues();
  // The times do not depend on the GPRS settings.
  time.ApplyEnabling();
  if (callSmsAvailable) {
    sms_.mainBox->setEnabled(true);
    sms_.ApplyEnabling(smsReboot, smsReplyEnable);
    call_.mainBox->setEnabled(true);
    call_.ApplyEnabling(callReboot, callReplyEnable);
  } else {
    callReboot = 0;
    smsReboot = 0;
    call_.SetEnabled(false);
    sms_.SetEnabled(false);
  }
  if (MainDlg() != nullptr) {
    MainDlg()->SetPhoneBookColumn(PhoneBookColumn::CallReboot, callReboot == 1);
    MainDlg()->SetPhoneBookColumn(PhoneBookColumn::SmsReboot, smsReboot == 1);
  }
  ShowValues();
}

void CRebootPage::DisableAll() {
  time.SetEnabled(false);
  call_.SetEnabled(false);
  sms_.SetEnabled(false);
}

void CRebootPage::ClearForRead() {
  time.Clear();
  callReboot = 0;
  smsReboot = 0;
  smsReplyEnable = 0;
  callReplyEnable = 0;
  smsPassword.clear();
  smsReply.clear();
  callReply.clear();
  ShowValues();
}

}  // namespace telvaro
