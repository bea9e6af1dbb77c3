#include "pages/di_page.h"

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

constexpr int kModeEventCounter = 3;
constexpr int kModeNull = 4;

constexpr int kCaptionX = 14;
constexpr int kCaptionWidth = 110;
constexpr int kFieldX = kCaptionX + kCaptionWidth;
constexpr int kRightCaptionX = 250;
constexpr int kRightFieldX = 334;
constexpr int kBlockX = 8;
constexpr int kBlockY = 8;
constexpr int kBlockWidth = 414;
constexpr int kBlockHeight = 252;

// Object names carry the input's number: "modeList0", "modeList1", ...
QByteArray Name(const char* stem, int index) { return QByteArray(stem) + QByteArray::number(index); }

}  // namespace

CDiPage::CDiPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CDiPage"));

  BuildBlock(Group(this, tr("DI_0 Config"), kBlockX, kBlockY, kBlockWidth, kBlockHeight), 0);
  // Input 1 is configured through the record only: its block is never shown.
  QGroupBox* hidden = Group(this, tr("DI_1 Config"), kBlockX, kBlockY, kBlockWidth, kBlockHeight);
  hidden->setObjectName(QStringLiteral("di1Block"));
  hidden->hide();
  BuildBlock(hidden, 1);

  const Controls& d0 = controls_[0];
  const Controls& d1 = controls_[1];
  Input& v0 = input[0];
  Input& v1 = input[1];
  ValueExchange& x = Exchange();
  x.List(d1.phoneGroup).Link(field::di_phone_group, 1);
  x.List(d0.phoneGroup).Link(field::di_phone_group, 0);
  x.List(d1.counterEdge).Link(field::di_counter_edge, 1);
  x.List(d0.counterEdge).Link(field::di_counter_edge, 0);
  x.List(d1.mode).Link(field::di_mode, 1);
  x.List(d0.mode).Link(field::di_mode, 0);
  x.Check(d0.counterAtPowerOn, &v0.counterAtPowerOn).Link(field::di_counter_at_power_on, 0);
  x.Check(d1.counterAtPowerOn, &v1.counterAtPowerOn).Link(field::di_counter_at_power_on, 1);
  x.Unsigned(d0.countTrigger, &v0.countTrigger, RangeOf(field::di_count_trigger)).Link(field::di_count_trigger, 0);
  x.Unsigned(d1.countTrigger, &v1.countTrigger, RangeOf(field::di_count_trigger)).Link(field::di_count_trigger, 1);
  x.Unsigned(d0.filter, &v0.filterMs, RangeOf(field::di_filter_ms)).Link(field::di_filter_ms, 0);
  x.Unsigned(d1.filter, &v1.filterMs, RangeOf(field::di_filter_ms)).Link(field::di_filter_ms, 1);
  x.Text(d0.alarmOff, &v0.alarmOffText, TextLimit(field::di_alarm_off_text)).Link(field::di_alarm_off_text, 0);
  x.Text(d1.alarmOff, &v1.alarmOffText, TextLimit(field::di_alarm_off_text)).Link(field::di_alarm_off_text, 1);
  x.Text(d0.alarmOn, &v0.alarmOnText, TextLimit(field::di_alarm_on_text)).Link(field::di_alarm_on_text, 0);
  x.Text(d1.alarmOn, &v1.alarmOnText, TextLimit(field::di_alarm_on_text)).Link(field::di_alarm_on_text, 1);
  x.Check(d0.reportOverTcp, &v0.reportOverTcp).Link(field::di_report_over_tcp, 0);
  x.Check(d1.reportOverTcp, &v1.reportOverTcp).Link(field::di_report_over_tcp, 1);

  // Only the operator's own choice re-runs the rule: a record being shown
  // selects modes too, and must not take values half-way.
  for (const Controls& block : controls_) connect(block.mode, &QComboBox::activated, this, [this] { EnableByState(); });
  // The first show, as a created page has it: on show starts by taking
  // values, and the edits must hold numbers by then.
  ShowValues();
}

void CDiPage::BuildBlock(QWidget* group, int index) {
  Controls& c = controls_[index];
  const bool first = index == 0;

  Label(group, tr("Mode"), kCaptionX, 24, kCaptionWidth);
  c.mode = List(group, Name("modeList", index).constData(), kFieldX, 24, 110);
  Label(group, tr("Phone Group"), kRightCaptionX, 24, 80);
  c.phoneGroup = List(group, Name("phoneGroupList", index).constData(), kRightFieldX, 24, 60);

  Label(group, tr("Counter Active"), kCaptionX, 54, kCaptionWidth);
  c.counterEdge = List(group, Name("counterEdgeList", index).constData(), kFieldX, 54, 110);
  c.counterAtPowerOn =
      Check(group, tr("Counter Start When Power On"), Name("counterAtPowerOnBox", index).constData(), kCaptionX, 84, 220);

  Label(group, tr("Count Trigger"), kCaptionX, 114, kCaptionWidth);
  c.countTrigger = Edit(group, Name("countTriggerEdit", index).constData(), kFieldX, 114, 70);
  if (first) Label(group, tr("(0 - 30000)"), kFieldX + 78, 114, 120);

  Label(group, tr("Filtering"), kCaptionX, 144, kCaptionWidth);
  c.filter = Edit(group, Name("filterEdit", index).constData(), kFieldX, 144, 70);
  Label(group, first ? tr("(0 - 10000) ms") : tr("ms"), kFieldX + 78, 144, 120);

  Label(group, first ? tr("Triggering Alarm") : tr("On"), kCaptionX, 174, kCaptionWidth);
  c.alarmOn = Edit(group, Name("alarmOnEdit", index).constData(), kFieldX, 174, 276);
  Label(group, first ? tr("Recovering Alarm") : tr("Off"), kCaptionX, 204, kCaptionWidth);
  c.alarmOff = Edit(group, Name("alarmOffEdit", index).constData(), kFieldX, 204, 276);
  if (first) Label(group, tr("(70 ASIC II char max)"), kFieldX, 228, 200, 18);

  FillList(c.mode, items::DiMode);
  FillList(c.counterEdge, items::DiCounterEdge);
  FillList(c.phoneGroup, items::PhoneGroup);

  // Input 0 reports over TCP from below its block; input 1 from its own.
  if (first) {
    c.reportOverTcp = Check(this, tr("DI over TCP"), "overTcpBox0", kBlockX + kCaptionX, kBlockY + kBlockHeight + 10, 160);
  } else {
    c.reportOverTcp = Check(group, tr("DI Over IP"), "overTcpBox1", kRightCaptionX, 84, 150);
  }
}

void CDiPage::OnShow() {
  TakeValues();
  for (int i = 0; i < kInputs; ++i) {
    SelectIndex(controls_[i].mode, kModeNull);
    SelectIndex(controls_[i].counterEdge, 0);
    SelectIndex(controls_[i].phoneGroup, 0);
    input[i] = Input{};
  }
  ShowValues();
}

void CDiPage::EnableBlock(const Controls& c) {
  for (QWidget* control : {static_cast<QWidget*>(c.mode), static_cast<QWidget*>(c.phoneGroup),
                           static_cast<QWidget*>(c.filter), static_cast<QWidget*>(c.alarmOff),
                           static_cast<QWidget*>(c.alarmOn), static_cast<QWidget*>(c.reportOverTcp)})
    control->setEnabled(true);
  // Counting settings only mean something to an event counter; they keep
  // their values while another mode is chosen.
  const bool counter = c.mode->currentIndex() == kModeEventCounter;
  c.countTrigger->setEnabled(counter);
  c.counterEdge->setEnabled(counter);
  c.counterAtPowerOn->setEnabled(counter);
}

void CDiPage::EnableByState() {
  if (!ioPresent) {
    // Also after a modem with digital I/O answered on this same port: the
    // inputs it offered are gone, so nothing stays editable. The page cannot
    // have been edited while disabled, so nothing is taken.
    DisableAll();
    ShowValues();
    return;
  }
  TakeValues();  // a failure has shown its message; the values shown below stand
  for (const Controls& block : controls_) EnableBlock(block);
  ShowValues();
}

int CDiPage::Validate(ConfigRecord& record) {
  // Without digital I/O the controls are disabled and show exactly the page
  // values: taking them again could only raise a range message about a
  // control the operator cannot reach.
  if (ioPresent && !TakeValues()) return -1;
  return Exchange().Store(record);
}

}  // namespace telvaro
