// The DI and DO pages: enabling by mode, sources, actions and the modem's
// digital I/O; the hidden second input carried like the first; the output's
// alarm source bits; Read and Write against the simulated modem with and
// without digital I/O.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "pages/di_page.h"
#include "pages/do_page.h"
#include "record/config_record.h"
#ifndef _WIN32  // the simulated modem needs a POSIX pseudo-terminal
#include "sim/modem_sim.h"
#endif
#include "tests/gui_test_support.h"
#include "tests/page_fixture.h"

namespace telvaro {
namespace {

// The operator picks an item with the keyboard, as a click in the list would.
void Choose(QComboBox* list, int index) {
  while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
  while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
}

// Names of the page's input controls that are enabled, sorted.
std::vector<std::string> Enabled(const ConfigPage& page) {
  std::vector<std::string> names;
  for (const QWidget* control : page.InputControls())
    if (control->isEnabled()) names.push_back(control->objectName().toStdString());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

const FieldInfo* const kIoFields[] = {
    &field::di_mode,          &field::di_counter_edge,    &field::di_counter_at_power_on, &field::di_filter_ms,
    &field::di_count_trigger, &field::di_alarm_on_text,   &field::di_alarm_off_text,      &field::di_phone_group,
    &field::di_report_over_tcp, &field::do_alarm_source,  &field::do_alarm_on_action,     &field::do_alarm_off_action,
    &field::do_keep_on,       &field::do_power_on_state,  &field::do_pulse_low_ms,        &field::do_pulse_high_ms,
    &field::do_pulse_count,   &field::do_pulse_delay_ms,  &field::do_alarm_on_text,       &field::do_alarm_off_text,
    &field::do_phone_group,   &field::do_report_over_tcp, &field::do_always_trigger};

// The DI and DO fields (those whose name starts with `prefix`) of `actual`
// that differ from `expected`.
std::vector<std::string> IoFieldsDiffering(const ConfigRecord& actual, const ConfigRecord& expected,
                                           const std::string& prefix = "") {
  std::vector<std::string> names;
  for (const FieldInfo* f : kIoFields)
    if (std::string(f->name).starts_with(prefix) && !std::ranges::equal(actual.FieldBytes(*f), expected.FieldBytes(*f)))
      names.push_back(f->name);
  return names;
}

// Two inputs that differ in every setting, and an output with every box and
// field set, the source byte with bits the page has no box for.
void SetIoSettings(ConfigRecord& r) {
  r.Set(field::di_mode, 3, 0);
  r.Set(field::di_mode, 2, 1);
  r.Set(field::di_counter_edge, 1, 0);
  r.Set(field::di_counter_edge, 0, 1);
  r.SetFlag(field::di_counter_at_power_on, true, 0);
  r.Set(field::di_filter_ms, 250, 0);
  r.Set(field::di_filter_ms, 9000, 1);
  r.Set(field::di_count_trigger, 30000, 0);
  r.Set(field::di_count_trigger, 12, 1);
  r.Set(field::di_alarm_on_text, "Door open", 0);
  r.Set(field::di_alarm_on_text, std::string(70, 'P'), 1);
  r.Set(field::di_alarm_off_text, "Door closed", 0);
  r.Set(field::di_alarm_off_text, "Pump off", 1);
  r.Set(field::di_phone_group, 9, 0);
  r.Set(field::di_phone_group, 4, 1);
  r.SetFlag(field::di_report_over_tcp, true, 1);
  r.SetRawByte(field::do_alarm_source.offset, 0xF8 | kSmsControlAlarm);
  r.Set(field::do_alarm_on_action, 2);
  r.Set(field::do_alarm_off_action, 1);
  r.Set(field::do_keep_on, 255);
  r.Set(field::do_power_on_state, 1);
  r.Set(field::do_pulse_low_ms, 30000);
  r.Set(field::do_pulse_high_ms, 1);
  r.Set(field::do_pulse_count, 7);
  r.Set(field::do_pulse_delay_ms, 500);
  r.Set(field::do_alarm_on_text, "Output on");
  r.Set(field::do_alarm_off_text, "Output off");
  r.Set(field::do_phone_group, 2);
  r.SetFlag(field::do_report_over_tcp, true);
  r.SetFlag(field::do_always_trigger, true);
}

class DiPage : public PageAlone<CDiPage> {};

TEST_F(DiPage, EnablingFollowsEachInputsModeOnlyWhileTheModemHasDigitalIo) {
  EXPECT_TRUE(Find<QWidget>("di1Block")->isHidden());
  for (const char* mode : {"modeList0", "modeList1"}) EXPECT_EQ(Find<QComboBox>(mode)->currentText(), "Null");
  EXPECT_EQ(Find<QComboBox>("counterEdgeList1")->currentText(), "Lo to Hi");
  EXPECT_EQ(Find<QComboBox>("phoneGroupList0")->count(), 10);
  EXPECT_EQ(Find<QLineEdit>("countTriggerEdit0")->text(), "1");
  EXPECT_EQ(Find<QLineEdit>("filterEdit1")->text(), "0");

  page.EnableByState();
  EXPECT_EQ(Enabled(page), std::vector<std::string>{});

  page.SetIoPresent(true);
  page.EnableByState();
  const std::vector<std::string> always = {"alarmOffEdit0", "alarmOffEdit1", "alarmOnEdit0", "alarmOnEdit1",
                                           "filterEdit0",   "filterEdit1",   "modeList0",    "modeList1",
                                           "overTcpBox0",   "overTcpBox1",   "phoneGroupList0", "phoneGroupList1"};
  EXPECT_EQ(Enabled(page), Sorted(always));

  // "Event Counter" on input 0 opens its counting settings, and only its own.
  Choose(Find<QComboBox>("modeList0"), 3);
  std::vector<std::string> counting0 = always;
  counting0.insert(counting0.end(), {"countTriggerEdit0", "counterEdgeList0", "counterAtPowerOnBox0"});
  EXPECT_EQ(Enabled(page), Sorted(counting0));

  // Another mode closes them again; what was typed stays.
  QLineEdit* trigger = Find<QLineEdit>("countTriggerEdit0");
  trigger->setText("250");
  Choose(Find<QComboBox>("modeList0"), 1);
  EXPECT_EQ(Enabled(page), Sorted(always));
  EXPECT_EQ(trigger->text(), "250");
  EXPECT_EQ(page.input[0].countTrigger, 250u);

  // The hidden input follows its own mode the same way.
  ConfigRecord record;
  record.Set(field::di_mode, 3, 1);
  page.ShowRecord(record);
  page.EnableByState();
  std::vector<std::string> counting1 = always;
  counting1.insert(counting1.end(), {"countTriggerEdit1", "counterEdgeList1", "counterAtPowerOnBox1"});
  EXPECT_EQ(Enabled(page), Sorted(counting1));

  // A later answer without digital I/O on the same port leaves nothing editable.
  page.SetIoPresent(false);
  page.EnableByState();
  EXPECT_EQ(Enabled(page), std::vector<std::string>{});
  EXPECT_EQ(sink.messages, std::vector<std::string>{});
}

TEST_F(DiPage, BothInputsComeBackFromTheRecordUnchangedTheSecondThroughItsHiddenBlock) {
  ConfigRecord record;
  SetIoSettings(record);
  page.ShowRecord(record);

  EXPECT_EQ(Find<QComboBox>("modeList0")->currentText(), "Event Counter");
  EXPECT_EQ(Find<QComboBox>("modeList1")->currentText(), "ONChange");
  EXPECT_EQ(Find<QComboBox>("phoneGroupList0")->currentText(), "10");
  EXPECT_EQ(Find<QComboBox>("phoneGroupList1")->currentText(), "5");
  EXPECT_EQ(Find<QLineEdit>("filterEdit0")->text(), "250");
  EXPECT_EQ(Find<QLineEdit>("filterEdit1")->text(), "9000");
  EXPECT_EQ(Find<QLineEdit>("alarmOnEdit0")->text(), "Door open");
  EXPECT_EQ(Find<QLineEdit>("alarmOffEdit1")->text(), "Pump off");
  EXPECT_TRUE(Find<QCheckBox>("counterAtPowerOnBox0")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("overTcpBox0")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("overTcpBox1")->isChecked());

  for (bool ioPresent : {true, false}) {
    page.SetIoPresent(ioPresent);
    page.EnableByState();
    ConfigRecord stored;
    ASSERT_EQ(page.Validate(stored), 0);
    EXPECT_EQ(IoFieldsDiffering(stored, record, "di_"), std::vector<std::string>{}) << "ioPresent " << ioPresent;
  }
  EXPECT_EQ(sink.messages, std::vector<std::string>{});
}

class DoPage : public PageAlone<CDoPage> {};

TEST_F(DoPage, EnablingFollowsSourcesAndActionsOnlyWhileTheModemHasDigitalIo) {
  EXPECT_EQ(Find<QComboBox>("onActionList")->currentText(), "Null");
  EXPECT_EQ(Find<QComboBox>("powerOnList")->currentText(), "OFF");
  EXPECT_EQ(Find<QLineEdit>("pulseHighEdit")->text(), "1");
  EXPECT_EQ(Find<QLineEdit>("pulseDelayEdit")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>("pulseCountEdit")->text(), "1");

  page.EnableByState();
  EXPECT_EQ(Enabled(page), std::vector<std::string>{});

  page.SetIoPresent(true);
  page.EnableByState();
  const std::vector<std::string> always = {"alwaysTriggerBox", "diAlarmBox",  "offActionList",  "onActionList",
                                           "overTcpBox",       "phoneControlBox", "powerOnList", "smsControlBox"};
  EXPECT_EQ(Enabled(page), Sorted(always));

  // A call may switch the output: whose call is the phone group; no texts.
  Find<QCheckBox>("phoneControlBox")->click();
  std::vector<std::string> expected = always;
  expected.push_back("phoneGroupList");
  EXPECT_EQ(Enabled(page), Sorted(expected));

  // An SMS brings the alarm texts, and keeps the phone group without calls.
  Find<QCheckBox>("smsControlBox")->click();
  Find<QCheckBox>("phoneControlBox")->click();
  Find<QCheckBox>("diAlarmBox")->click();
  expected.insert(expected.end(), {"alarmOffEdit", "alarmOnEdit"});
  EXPECT_EQ(Enabled(page), Sorted(expected));

  // "Pulse" on alarm and "ON" when it clears: the pulse timing and Keep On.
  Choose(Find<QComboBox>("onActionList"), 2);
  Choose(Find<QComboBox>("offActionList"), 1);
  expected.insert(expected.end(), {"keepOnEdit", "pulseCountEdit", "pulseDelayEdit", "pulseHighEdit", "pulseLowEdit"});
  EXPECT_EQ(Enabled(page), Sorted(expected));

  page.SetIoPresent(false);
  page.EnableByState();
  EXPECT_EQ(Enabled(page), std::vector<std::string>{});
  EXPECT_EQ(sink.messages, std::vector<std::string>{});
}

TEST_F(DoPage, SourceBoxesAreTheirOwnBitsAndTheOtherBitsAreWrittenZero) {
  ConfigRecord record;
  SetIoSettings(record);
  page.ShowRecord(record);
  EXPECT_FALSE(Find<QCheckBox>("diAlarmBox")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("smsControlBox")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("phoneControlBox")->isChecked());
  EXPECT_EQ(Find<QComboBox>("onActionList")->currentText(), "Pulse");
  EXPECT_EQ(Find<QLineEdit>("keepOnEdit")->text(), "255");
  EXPECT_EQ(Find<QLineEdit>("pulseLowEdit")->text(), "30000");

  page.SetIoPresent(true);
  page.EnableByState();
  // Stored into the record it came with (the window stores into a copy of
  // the modem's record), here with everything else zero.
  // The modem defines no bits beyond the three boxes: bits 3 to 7 go out 0.
  ConfigRecord stored;
  stored.SetRawByte(field::do_alarm_source.offset, 0xF8);
  ASSERT_EQ(page.Validate(stored), 0);
  EXPECT_EQ(IoFieldsDiffering(stored, record, "do_"), std::vector<std::string>{"do_alarm_source"});
  EXPECT_EQ(stored.Get(field::do_alarm_source), kSmsControlAlarm);

  // The operator swaps the SMS for the DI alarm and the phone.
  Find<QCheckBox>("smsControlBox")->click();
  Find<QCheckBox>("diAlarmBox")->click();
  Find<QCheckBox>("phoneControlBox")->click();
  ASSERT_EQ(page.Validate(stored), 0);
  EXPECT_EQ(stored.Get(field::do_alarm_source), kDiAlarm | kPhoneControlAlarm);
  EXPECT_EQ(sink.messages, std::vector<std::string>{});
}

#ifndef _WIN32
// The window against the simulated modem.
class IoWindow : public WindowWithModem {
 protected:
  // Reads a record with distinct I/O settings from a modem with or without
  // digital I/O.
  void Read(bool digitalIo, const ConfigRecord& record) {
    sim::SimOptions options;
    options.digitalIo = digitalIo;
    StartWindow(options);
    modem->SetStoredRecord(record);
    PressOpen();
    ASSERT_TRUE(WaitUntil([&] { return Count(kReadDone) == 1 && window->RunningWorkers() == 0; }, 5000));
  }
  int Count(const std::string& text) const { return static_cast<int>(std::ranges::count(texts, text)); }

  static constexpr const char* kReadDone = "Operation succeed!";
  static constexpr const char* kWriteDone = "       Operation succeed!\nReboot for changes to take effect";
  static ConfigRecord IoRecord(bool digitalIo) {
    ConfigRecord record = sim::ModemSimulator::RealisticRecord(digitalIo);
    SetIoSettings(record);
    return record;
  }
  std::vector<std::string> EnabledOnIoPages() const {
    std::vector<std::string> names;
    for (PageIndex index : {kDi, kDo, kPhoneGroup})
      for (const std::string& name : Enabled(*window->Page(index))) names.push_back(name);
    return names;
  }
  template <typename T>
  T* Find(PageIndex index, const char* name) const {
    auto* control = window->Page(index)->findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
};

TEST_F(IoWindow, ModemWithDigitalIoEnablesThePagesUntilAnAnswerWithoutIt) {
  ASSERT_NO_FATAL_FAILURE(Read(true, IoRecord(true)));
  EXPECT_EQ(Find<QComboBox>(kDi, "modeList1")->currentText(), "ONChange");
  EXPECT_TRUE(Find<QLineEdit>(kDi, "countTriggerEdit0")->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(kDo, "alarmOnEdit")->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(kDo, "keepOnEdit")->isEnabled());
  for (const QWidget* control : window->Page(kPhoneGroup)->InputControls()) EXPECT_TRUE(control->isEnabled());

  // The same port now answers without digital I/O.
  modem->SetStoredRecord(IoRecord(false));
  window->findChild<QToolButton*>("readButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return Count(kReadDone) == 2 && window->RunningWorkers() == 0; }, 5000));
  EXPECT_EQ(EnabledOnIoPages(), std::vector<std::string>{});
}

TEST_F(IoWindow, ModemWithoutDigitalIoLeavesThePagesDisabledAndWriteStoresWhatTheyHold) {
  // A modem without the output may leave its pulse timing zero, below what
  // the page accepts: the disabled page raises no message about it.
  ConfigRecord record = IoRecord(false);
  record.Set(field::do_pulse_low_ms, 0);
  ASSERT_NO_FATAL_FAILURE(Read(false, record));
  EXPECT_EQ(EnabledOnIoPages(), std::vector<std::string>{});
  EXPECT_EQ(Find<QComboBox>(kDi, "modeList0")->currentText(), "Event Counter");
  EXPECT_EQ(Find<QLineEdit>(kDo, "pulseLowEdit")->text(), "0");

  modem->ClearFrames();
  window->findChild<QToolButton*>("writeButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return Count(kWriteDone) == 1 && window->RunningWorkers() == 0; }, 5000));
  EXPECT_EQ(Count(UnsignedRangeText(1, 30000).toStdString()), 0);
  ASSERT_EQ(modem->Frames().size(), 2u);  // the Write and its read-back
  EXPECT_EQ(modem->Frames()[0].kind, sim::FrameKind::SetSysPara);
  EXPECT_EQ(modem->Frames()[1].kind, sim::FrameKind::GetSysPara);
  // Only the DO source's bits without a box, which always go out 0.
  EXPECT_EQ(IoFieldsDiffering(modem->StoredRecord(), record), std::vector<std::string>{"do_alarm_source"});
  EXPECT_EQ(modem->StoredRecord().Get(field::do_alarm_source), kSmsControlAlarm);
  EXPECT_EQ(EnabledOnIoPages(), std::vector<std::string>{});
}

#endif  // _WIN32

}  // namespace
}  // namespace telvaro
