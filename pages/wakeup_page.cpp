#include "pages/wakeup_page.h"

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

CWakeupPage::CWakeupPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  using namespace layout;
  setObjectName(QStringLiteral("CWakeupPage"));

  QGroupBox* group = Group(this, tr("Wakeup"), 8, 8, 414, 312);
  time.Build(group, "wakeup", 22);
  periodicBox_ = Check(group, tr("Periodically Connect Interval (min)"), "wakeupPeriodicBox", 14, 68, 232);
  intervalEdit_ = Edit(group, "wakeupIntervalEdit", 248, 68, 56);
  intervalEdit_->setAccessibleName(periodicBox_->text());  // the box before it is its caption
  Label(group, tr("(1 - 1800)"), 310, 68, 90);
  call_.Build(group, tr("Call"), "wakeupCall", 14, 100, false);
  sms_.Build(group, tr("SMS"), "wakeupSms", 14, 160, true);
  serialDataBox_ = Check(group, tr("Serial Data Wakeup"), "wakeupSerialDataBox", 14, 220, 200);
  Label(group, tr("Output (0x)"), 14, 250, 72);
  outputEdit_ = Edit(group, "wakeupOutputEdit", 88, 250, 180);
  Label(group, tr("to COM After Online"), 274, 250, 134);
  Label(group, tr("*Set phone NO. in Phone Book->Call Wakeup, SMS Wakeup"), 14, 284, 390, 18);

  ValueExchange& x = Exchange();
  x.Check(time.boxes[0], &time.enable[0]).Link(field::wakeup_time_enable, 0);
  x.Check(time.boxes[1], &time.enable[1]).Link(field::wakeup_time_enable, 1);
  x.Check(time.boxes[2], &time.enable[2]).Link(field::wakeup_time_enable, 2);
  // Every time is checked on Write, whether or not its box is ticked.
  x.Text(time.edits[0], &time.times[0], 0).LinkScheduleTime(field::wakeup_times, 0, MessageOf(field::wakeup_times, 0)).Rank(1);
  x.Text(time.edits[1], &time.times[1], 0).LinkScheduleTime(field::wakeup_times, 1, MessageOf(field::wakeup_times, 1)).Rank(1);
  x.Text(time.edits[2], &time.times[2], 0).LinkScheduleTime(field::wakeup_times, 2, MessageOf(field::wakeup_times, 2)).Rank(1);
  x.Check(call_.mainBox, &callWakeup).Link(field::wakeup_by_call);
  x.Check(call_.replyBox, &callReplyEnable).Link(field::wakeup_call_reply_enable);
  x.Check(sms_.mainBox, &smsWakeup).Link(field::wakeup_by_sms);
  x.Check(sms_.replyBox, &smsReplyEnable).Link(field::wakeup_sms_reply_enable);
  x.Text(call_.replyEdit, &callReply, TextLimit(field::wakeup_call_reply_text)).Link(field::wakeup_call_reply_text);
  // Typing stops at 20 characters; only a record from the modem can hold more.
  x.Text(sms_.replyEdit, &smsReply, TextLimit(field::wakeup_sms_reply_text))
      .Link(field::wakeup_sms_reply_text)
      .StoreLimit(TextLimit(field::wakeup_sms_reply_text), MessageOf(field::wakeup_sms_reply_text), -2)
      .Rank(2);
  x.Text(sms_.passwordEdit, &smsPassword, TextLimit(field::wakeup_sms_password)).Link(field::wakeup_sms_password);
  x.Check(serialDataBox_, &serialDataWakeup).Link(field::serial_data_wakeup);
  x.Check(periodicBox_, &periodicEnable).Link(field::periodic_wakeup_enable);
  // Sent to the serial port whatever any box says, so it is always checked.
  x.Text(outputEdit_, &output, TextLimit(field::online_output)).LinkHexPacket(field::online_output, MessageOf(field::online_output)).Rank(3);
  x.Signed(intervalEdit_, &interval, RangeOf(field::periodic_wakeup_interval)).Link(field::periodic_wakeup_interval);

  for (QCheckBox* box : {time.boxes[0], time.boxes[1], time.boxes[2], call_.mainBox, sms_.mainBox, call_.replyBox,
                         sms_.replyBox, periodicBox_})
    connect(box, &QCheckBox::clicked, this, [this] { EnableByState(); });
  // A click of Serial Data Wakeup changes no other control.

  // Nothing is offered before the window opens the port.
  DisableAll();
  ShowValues();
}

void CWakeupPage::SetWakeupMode(int mode) {
  wakeupMode_ = mode;
  switch (mode) {
    case 0:
      wakeupAvailable = false;
      callSmsAvailable = false;
      break;
    case 1:
      wakeupAvailable = true;
      callSmsAvailable = true;
      break;
    case 2:
      wakeupAvailable = true;
      callSmsAvailable = false;
      // The boxes are unticked on screen too, so that the take of
      // EnableByState reads them as off while keeping whatever the operator
      // has typed elsewhere on the page.
      callWakeup = 0;
      smsWakeup = 0;
      call_.mainBox->setChecked(false);
      sms_.mainBox->setChecked(false);
      break;
    default:
      wakeupAvailable = false;
      break;
  }
  EnableByState();
}

void CWakeupPage::SetWakeupEnabled(bool on) const {
  time.SetEnabled(on);
  periodicBox_->setEnabled(on);
  intervalEdit_->setEnabled(on);
  call_.SetEnabled(on);
  sms_.SetEnabled(on);
  serialDataBox_->setEnabled(on);
  outputEdit_->setEnabled(on);
}

void CWakeupPage::EnableByState() {
  // A failed take has shown its message; the rules go on with the values kept.
  TakeValues();
  if (wakeupAvailable) {
    time.ApplyEnabling();
    periodicBox_->setEnabled(true);
    intervalEdit_->setEnabled(periodicEnable == 1);
    if (callSmsAvailable) {
      call_.mainBox->setEnabled(true);
      call_.ApplyEnabling(callWakeup, callReplyEnable);
      sms_.mainBox->setEnabled(true);
      sms_.ApplyEnabling(smsWakeup, smsReplyEnable);
    } else {
      // Offered no longer, but the ticks stay as they are.
      call_.SetEnabled(false);
      sms_.SetEnabled(false);
    }
    serialDataBox_->setEnabled(true);
    outputEdit_->setEnabled(true);
  } else {
    SetWakeupEnabled(false);
  }
  // Sent also while the page is disabled: a ticked Call keeps its Phone Book
  // column usable.
  if (MainDlg() != nullptr) {
    MainDlg()->SetPhoneBookColumn(PhoneBookColumn::CallWakeup, callWakeup == 1);
    MainDlg()->SetPhoneBookColumn(PhoneBookColumn::SmsWakeup, smsWakeup == 1);
  }
  ShowValues();
}

void CWakeupPage::DisableAll() { SetWakeupEnabled(false); }

void CWakeupPage::ClearForRead() {
  time.Clear();
  callWakeup = 0;
  smsWakeup = 0;
  callReplyEnable = 0;
  smsReplyEnable = 0;
  callReply.clear();
  smsReply.clear();
  smsPassword.clear();
  ShowValues();
}

}  // namespace telvaro
