#include "pages/do_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

namespace {

using namespace layout;

constexpr int kActionOn = 1;
constexpr int kActionPulse = 2;
constexpr int kActionNull = 3;

constexpr int kCaptionX = 14;
constexpr int kCaptionWidth = 140;
constexpr int kListX = kCaptionX + kCaptionWidth + 2;
constexpr int kRightCaptionX = 232;
constexpr int kRightListX = 334;
constexpr int kSubCaptionX = 112;  // rows under "Pulse Mode:" and "SMS Control:"
constexpr int kSubFieldX = 160;

}  // namespace

CDoPage::CDoPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CDoPage"));
  QGroupBox* group = Group(this, tr("DO Config"), 8, 8, 414, 332);

  Label(group, tr("Alarm Source:"), kCaptionX, 20, 94);
  diAlarmBox_ = Check(group, tr("DI Alarm"), "diAlarmBox", 108, 20, 86);
  smsControlBox_ = Check(group, tr("SMS Control"), "smsControlBox", 198, 20, 98);
  phoneControlBox_ = Check(group, tr("Phone Control"), "phoneControlBox", 298, 20, 110);

  Label(group, tr("Alarm On Action"), kCaptionX, 48, kCaptionWidth);
  onActionList_ = List(group, "onActionList", kListX, 48, 64);
  Label(group, tr("Alarm Off Action"), kRightCaptionX, 48, 100);
  offActionList_ = List(group, "offActionList", kRightListX, 48, 64);
  Label(group, tr("Status When Power On"), kCaptionX, 76, kCaptionWidth);
  powerOnList_ = List(group, "powerOnList", kListX, 76, 64);
  Label(group, tr("Phone Group"), kRightCaptionX, 76, 100);
  phoneGroupList_ = List(group, "phoneGroupList", kRightListX, 76, 64);

  Label(group, tr("Keep On"), kCaptionX, 104, kCaptionWidth);
  keepOnEdit_ = Edit(group, "keepOnEdit", kListX, 104, 60);
  Label(group, tr("(0 - 255) sec"), kListX + 66, 104, 120);

  Label(group, tr("Pulse Mode:"), kCaptionX, 132, 94);
  struct PulseRow {
    const char* caption;
    const char* name;
    const char* note;
    QLineEdit** edit;
  };
  const PulseRow pulseRows[] = {{QT_TR_NOOP("Low"), "pulseLowEdit", QT_TR_NOOP("(1 - 30000) ms"), &pulseLowEdit_},
                                {QT_TR_NOOP("High"), "pulseHighEdit", QT_TR_NOOP("(1 - 30000) ms"), &pulseHighEdit_},
                                {QT_TR_NOOP("Delay"), "pulseDelayEdit", QT_TR_NOOP("(0 - 30000) ms"), &pulseDelayEdit_},
                                {QT_TR_NOOP("Output"), "pulseCountEdit", QT_TR_NOOP("(0 - 30000) pulses"), &pulseCountEdit_}};
  int y = 132;
  for (const PulseRow& row : pulseRows) {
    Label(group, tr(row.caption), kSubCaptionX, y, 44);
    *row.edit = Edit(group, row.name, kSubFieldX, y, 60);
    Label(group, tr(row.note), kSubFieldX + 66, y, 130);
    y += 26;
  }

  Label(group, tr("SMS Control:"), kCaptionX, 240, 94);
  Label(group, tr("Triggering Alarm"), kSubCaptionX, 240, 110);
  alarmOnEdit_ = Edit(group, "alarmOnEdit", 226, 240, 180);
  Label(group, tr("Recovering Alarm"), kSubCaptionX, 266, 110);
  alarmOffEdit_ = Edit(group, "alarmOffEdit", 226, 266, 180);

  overTcpBox_ = Check(group, tr("DO over TCP"), "overTcpBox", kCaptionX, 298, 150);
  alwaysTriggerBox_ = Check(group, tr("Always Trigger"), "alwaysTriggerBox", kRightCaptionX, 298, 150);

  FillList(powerOnList_, items::DoPowerOnState);
  FillList(onActionList_, items::DoAction);
  FillList(offActionList_, items::DoAction);
  FillList(phoneGroupList_, items::PhoneGroup);

  ValueExchange& x = Exchange();
  x.List(powerOnList_).Link(field::do_power_on_state);
  x.List(onActionList_).Link(field::do_alarm_on_action);
  x.List(offActionList_).Link(field::do_alarm_off_action);
  x.List(phoneGroupList_).Link(field::do_phone_group);
  // Each box is its own bit: the bits the page has no box for stay as the
  // modem sent them.
  x.Check(diAlarmBox_, &diAlarm).LinkBit(field::do_alarm_source, kDiAlarm);
  x.Check(phoneControlBox_, &phoneControl).LinkBit(field::do_alarm_source, kPhoneControlAlarm);
  x.Check(smsControlBox_, &smsControl).LinkBit(field::do_alarm_source, kSmsControlAlarm);
  x.Unsigned(keepOnEdit_, &keepOn, RangeOf(field::do_keep_on)).Link(field::do_keep_on);
  x.Text(alarmOffEdit_, &alarmOffText, TextLimit(field::do_alarm_off_text)).Link(field::do_alarm_off_text);
  x.Text(alarmOnEdit_, &alarmOnText, TextLimit(field::do_alarm_on_text)).Link(field::do_alarm_on_text);
  x.Unsigned(pulseDelayEdit_, &pulseDelayMs, RangeOf(field::do_pulse_delay_ms)).Link(field::do_pulse_delay_ms);
  x.Unsigned(pulseHighEdit_, &pulseHighMs, RangeOf(field::do_pulse_high_ms)).Link(field::do_pulse_high_ms);
  x.Unsigned(pulseLowEdit_, &pulseLowMs, RangeOf(field::do_pulse_low_ms)).Link(field::do_pulse_low_ms);
  x.Unsigned(pulseCountEdit_, &pulseCount, RangeOf(field::do_pulse_count)).Link(field::do_pulse_count);
  x.Check(overTcpBox_, &reportOverTcp).Link(field::do_report_over_tcp);
  x.Check(alwaysTriggerBox_, &alwaysTrigger).Link(field::do_always_trigger);

  // The operator's own changes re-run the rule ("DI Alarm" switches nothing);
  // a record being shown must not take values half-way.
  connect(phoneControlBox_, &QCheckBox::clicked, this, [this] { EnableByState(); });
  connect(smsControlBox_, &QCheckBox::clicked, this, [this] { EnableByState(); });
  connect(onActionList_, &QComboBox::activated, this, [this] { EnableByState(); });
  connect(offActionList_, &QComboBox::activated, this, [this] { EnableByState(); });
  // The first show, as a created page has it: on show starts by taking
  // values, and the edits must hold numbers by then.
  ShowValues();
}

void CDoPage::OnShow() {
  TakeValues();
  SelectIndex(powerOnList_, 0);
  SelectIndex(onActionList_, kActionNull);
  SelectIndex(offActionList_, kActionNull);
  SelectIndex(phoneGroupList_, 0);
  diAlarm = phoneControl = smsControl = 0;
  keepOn = 0;
  alarmOffText.clear();
  alarmOnText.clear();
  pulseDelayMs = 0;
  pulseHighMs = pulseLowMs = pulseCount = 1;
  reportOverTcp = alwaysTrigger = 0;
  ShowValues();
}

void CDoPage::EnableByState() {
  if (!ioPresent) {
    // Also after a modem with digital I/O answered on this same port: the
    // output it offered is gone, so nothing stays editable. The page cannot
    // have been edited while disabled, so nothing is taken.
    DisableAll();
    ShowValues();
    return;
  }
  TakeValues();  // a failure has shown its message; the values shown below stand
  for (QWidget* control : {static_cast<QWidget*>(diAlarmBox_), static_cast<QWidget*>(phoneControlBox_),
                           static_cast<QWidget*>(smsControlBox_), static_cast<QWidget*>(offActionList_),
                           static_cast<QWidget*>(onActionList_), static_cast<QWidget*>(powerOnList_),
                           static_cast<QWidget*>(overTcpBox_), static_cast<QWidget*>(alwaysTriggerBox_)})
    control->setEnabled(true);
  // The alarm texts go out by SMS; the phone group is whom they go to, or who
  // may call.
  const bool sms = smsControl == 1;
  phoneGroupList_->setEnabled(sms || phoneControl == 1);
  alarmOffEdit_->setEnabled(sms);
  alarmOnEdit_->setEnabled(sms);
  const int onAction = onActionList_->currentIndex();
  const int offAction = offActionList_->currentIndex();
  const bool pulse = onAction == kActionPulse || offAction == kActionPulse;
  for (QLineEdit* edit : {pulseHighEdit_, pulseLowEdit_, pulseDelayEdit_, pulseCountEdit_}) edit->setEnabled(pulse);
  keepOnEdit_->setEnabled(onAction == kActionOn || offAction == kActionOn);
  ShowValues();
}

int CDoPage::Validate(ConfigRecord& record) {
  // Without digital I/O the controls are disabled and show exactly the page
  // values: taking them again could only raise a range message about a
  // control the operator cannot reach.
  if (ioPresent && !TakeValues()) return -1;
  return Exchange().Store(record);
}

}  // namespace telvaro
