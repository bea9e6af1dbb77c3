// The Wakeup, Reboot, Phone Book and Phone Group pages: their enabling rules,
// the GPRS page's effects through the window's entry points, the Phone Book
// columns that follow the Wakeup and Reboot boxes, a record shown on each page
// and each validator's messages and stores. The pages run alone, joined by a
// host that passes the cross-page calls on as the window does.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <ostream>
#include <string>
#include <vector>

#include "pages/phone_book_page.h"
#include "pages/phone_group_page.h"
#include "pages/reboot_page.h"
#include "pages/wakeup_page.h"
#include "record/config_record.h"

// Readable QString values in failure output.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace telvaro {
namespace {

class RecordingSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

class SchedulePages : public ::testing::Test, public PageHost {
 protected:
  void SetUp() override {
    book.OnShow();
    wakeup.SetMainDlg(this);
    reboot.SetMainDlg(this);
  }

  // What the window forwards.
  void SetWakeupMode(int mode) override { wakeup.SetWakeupMode(mode); }
  void SetRebootAvailability(int available) override { reboot.SetRebootAvailability(available); }
  void SetPhoneBookColumn(PhoneBookColumn column, bool on) override { book.SetPhoneBookColumn(column, on); }

  // The port opens: the pages' EnableByState in the window's order, with the
  // GPRS page's calls for its connection settings between them.
  void OpenPort(bool alwaysOnline, bool shutdownWhenIdle) {
    book.EnableByState();
    if (alwaysOnline) {
      SetWakeupMode(0);
    } else {
      SetWakeupMode(shutdownWhenIdle ? 2 : 1);
      SetRebootAvailability(shutdownWhenIdle ? 1 : 0);
    }
    wakeup.EnableByState();
    reboot.EnableByState();
  }

  template <class T>
  static T* Find(const QWidget& page, const char* name) {
    T* widget = page.findChild<T*>(name);
    if (widget == nullptr) ADD_FAILURE() << "no control " << name;
    return widget;
  }
  QCheckBox* Box(const QWidget& page, const char* name) const { return Find<QCheckBox>(page, name); }
  // The three schedule times of the page whose controls start with `p`.
  static void SetTimes(QWidget& page, const std::string& p, const char* t1, const char* t2, const char* t3) {
    Find<QLineEdit>(page, (p + "Time1Edit").c_str())->setText(t1);
    Find<QLineEdit>(page, (p + "Time2Edit").c_str())->setText(t2);
    Find<QLineEdit>(page, (p + "Time3Edit").c_str())->setText(t3);
  }
  QLineEdit* Edit(const QWidget& page, const char* name) const { return Find<QLineEdit>(page, name); }
  bool Enabled(const QWidget& page, const char* name) const { return Find<QWidget>(page, name)->isEnabled(); }
  bool ColumnEnabled(PhoneBookColumn column, int row) const { return book.Box(column, row)->isEnabled(); }

  RecordingSink sink;
  CWakeupPage wakeup{nullptr, &sink};
  CRebootPage reboot{nullptr, &sink};
  CPhoneBookPage book{nullptr, &sink};
  CPhoneGroupPage group{nullptr, &sink};
};

using Column = PhoneBookColumn;

TEST_F(SchedulePages, TimeBlocksAndReplySectionsFollowTheirBoxes) {
  OpenPort(false, false);
  for (const char* p : {"wakeup", "reboot"}) {
    const QWidget& page = std::string(p) == "wakeup" ? static_cast<QWidget&>(wakeup) : reboot;
    const std::string n(p);
    auto name = [&](const char* suffix) { return n + suffix; };
    EXPECT_TRUE(Enabled(page, name("Time1Box").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("Time1Edit").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("Time2Box").c_str())) << p;
    Box(page, name("Time1Box").c_str())->click();
    EXPECT_TRUE(Enabled(page, name("Time1Edit").c_str())) << p;
    EXPECT_TRUE(Enabled(page, name("Time2Box").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("Time2Edit").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("Time3Box").c_str())) << p;
    Box(page, name("Time2Box").c_str())->click();
    Box(page, name("Time3Box").c_str())->click();
    EXPECT_TRUE(Enabled(page, name("Time2Edit").c_str())) << p;
    EXPECT_TRUE(Enabled(page, name("Time3Edit").c_str())) << p;
    // Unticking time 2 takes time 3 away although its box stays ticked.
    Box(page, name("Time2Box").c_str())->click();
    EXPECT_TRUE(Box(page, name("Time3Box").c_str())->isChecked()) << p;
    EXPECT_FALSE(Enabled(page, name("Time3Box").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("Time3Edit").c_str())) << p;

    // Reply sections: the reply box behind the main box, the text behind
    // the reply box; the password behind SMS.
    EXPECT_FALSE(Enabled(page, name("CallReplyBox").c_str())) << p;
    Box(page, name("CallBox").c_str())->click();
    EXPECT_TRUE(Enabled(page, name("CallReplyBox").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("CallReplyEdit").c_str())) << p;
    Box(page, name("CallReplyBox").c_str())->click();
    EXPECT_TRUE(Enabled(page, name("CallReplyEdit").c_str())) << p;
    EXPECT_TRUE(Enabled(page, name("CallReplyLabel").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("SmsPasswordEdit").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("SmsPasswordLabel").c_str())) << p;
    Box(page, name("SmsBox").c_str())->click();
    EXPECT_TRUE(Enabled(page, name("SmsPasswordEdit").c_str())) << p;
    EXPECT_TRUE(Enabled(page, name("SmsPasswordLabel").c_str())) << p;
    EXPECT_TRUE(Enabled(page, name("SmsReplyBox").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("SmsReplyEdit").c_str())) << p;
    Box(page, name("CallBox").c_str())->click();  // off again: its whole section goes
    EXPECT_FALSE(Enabled(page, name("CallReplyBox").c_str())) << p;
    EXPECT_FALSE(Enabled(page, name("CallReplyEdit").c_str())) << p;
  }
  // The periodic interval behind its box; Serial Data Wakeup switches nothing.
  EXPECT_FALSE(Enabled(wakeup, "wakeupIntervalEdit"));
  Box(wakeup, "wakeupPeriodicBox")->click();
  EXPECT_TRUE(Enabled(wakeup, "wakeupIntervalEdit"));
  Box(wakeup, "wakeupSerialDataBox")->click();
  EXPECT_TRUE(Enabled(wakeup, "wakeupOutputEdit"));
  EXPECT_TRUE(sink.messages.empty());

  // DisableAll takes everything, the reply labels included; values stay.
  wakeup.DisableAll();
  reboot.DisableAll();
  for (QWidget* w : wakeup.findChildren<QWidget*>(Qt::FindChildrenRecursively))
    if (w->objectName().startsWith("wakeup")) {
      EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
  for (QWidget* w : reboot.findChildren<QWidget*>(Qt::FindChildrenRecursively))
    if (w->objectName().startsWith("reboot")) {
      EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
  EXPECT_TRUE(Box(wakeup, "wakeupSmsBox")->isChecked());
}

TEST_F(SchedulePages, GprsConnectionSettingsDecideWhatIsOffered) {
  OpenPort(false, false);
  Box(wakeup, "wakeupCallBox")->click();
  Box(wakeup, "wakeupSmsBox")->click();
  Box(reboot, "rebootCallBox")->click();
  EXPECT_TRUE(book.callWakeupAvailable);
  EXPECT_TRUE(book.callRebootAvailable);
  EXPECT_TRUE(ColumnEnabled(Column::SmsWakeup, 0));
  book.Box(Column::CallWakeup, 1)->click();
  book.Box(Column::CallReboot, 2)->click();
  // Typed, not yet taken by any page operation.
  Box(wakeup, "wakeupTime1Box")->click();
  Edit(wakeup, "wakeupTime1Edit")->setText("12:30");
  Box(reboot, "rebootTime1Box")->click();
  Edit(reboot, "rebootTime1Edit")->setText("03:15");

  // "Always Online": every Wakeup control disabled, "Time" included, but the
  // ticked Call keeps its Phone Book column.
  SetWakeupMode(0);
  for (const char* name : {"wakeupTime1Box", "wakeupCallBox", "wakeupSmsBox", "wakeupPeriodicBox",
                           "wakeupSerialDataBox", "wakeupOutputEdit", "wakeupSmsPasswordLabel"})
    EXPECT_FALSE(Enabled(wakeup, name)) << name;
  EXPECT_EQ(wakeup.callWakeup, 1);
  EXPECT_TRUE(book.callWakeupAvailable);
  EXPECT_TRUE(ColumnEnabled(Column::CallWakeup, 0));
  EXPECT_TRUE(book.Box(Column::CallWakeup, 1)->isChecked());

  // "Connect On Demand" with shut-down-when-idle: Call and SMS unticked and
  // disabled on both pages, their Phone Book call columns cleared and
  // disabled; the time blocks stay.
  SetWakeupMode(2);
  SetRebootAvailability(1);
  EXPECT_TRUE(Enabled(wakeup, "wakeupTime1Box"));
  EXPECT_TRUE(Enabled(wakeup, "wakeupSerialDataBox"));
  EXPECT_TRUE(Enabled(reboot, "rebootTime1Box"));
  for (const char* name : {"wakeupCallBox", "wakeupSmsBox"}) {
    EXPECT_FALSE(Box(wakeup, name)->isChecked()) << name;
    EXPECT_FALSE(Enabled(wakeup, name)) << name;
  }
  for (const char* name : {"rebootCallBox", "rebootSmsBox"}) {
    EXPECT_FALSE(Box(reboot, name)->isChecked()) << name;
    EXPECT_FALSE(Enabled(reboot, name)) << name;
  }
  for (Column column : {Column::CallWakeup, Column::CallReboot}) {
    for (int row = 0; row < CPhoneBookPage::kRows; ++row) {
      EXPECT_FALSE(book.Box(column, row)->isChecked()) << row;
      EXPECT_FALSE(book.Box(column, row)->isEnabled()) << row;
    }
  }
  EXPECT_FALSE(ColumnEnabled(Column::SmsWakeup, 0));
  // What the operator typed survives the switches.
  EXPECT_EQ(Edit(wakeup, "wakeupTime1Edit")->text(), "12:30");
  EXPECT_EQ(Edit(reboot, "rebootTime1Edit")->text(), "03:15");

  // Without shut-down Call and SMS come back, unticked; a value outside the
  // known ones changes nothing on the Reboot page and takes the Wakeup page's
  // settings away.
  SetWakeupMode(1);
  SetRebootAvailability(0);
  EXPECT_TRUE(Enabled(wakeup, "wakeupCallBox"));
  EXPECT_TRUE(Enabled(reboot, "rebootSmsBox"));
  SetRebootAvailability(7);
  EXPECT_TRUE(reboot.callSmsAvailable);
  SetWakeupMode(7);
  EXPECT_FALSE(wakeup.wakeupAvailable);
  EXPECT_TRUE(wakeup.callSmsAvailable);
  EXPECT_FALSE(Enabled(wakeup, "wakeupTime1Box"));
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SchedulePages, PhoneBookCallColumnsExcludeEachOtherPerRow) {
  // A record whose entry 1 holds both Call Reboot and Call Wakeup.
  ConfigRecord record;
  record.SetPhoneBook(0, {"+8613900000001", kCallReboot | kCallWakeup | kSmsWakeup});
  record.SetFlag(field::reboot_by_call, true);
  record.SetFlag(field::wakeup_by_call, true);
  record.SetFlag(field::wakeup_by_sms, true);
  record.Set(field::periodic_wakeup_interval, 5);
  book.ShowRecord(record);
  reboot.ShowRecord(record);
  wakeup.ShowRecord(record);
  OpenPort(false, false);
  SetPhoneBookColumn(Column::Csd, true);  // the Advanced 1 page's CSD backup

  // The numbers and SMS Control open with the port; the SMS reboot column
  // stays off while the Reboot page's SMS is unticked.
  EXPECT_TRUE(Enabled(book, "phoneNumber10"));
  EXPECT_TRUE(ColumnEnabled(Column::SmsControl, 9));
  EXPECT_FALSE(ColumnEnabled(Column::SmsReboot, 0));
  EXPECT_TRUE(ColumnEnabled(Column::SmsWakeup, 0));

  EXPECT_TRUE(book.Box(Column::CallReboot, 0)->isChecked());
  EXPECT_TRUE(book.Box(Column::CallWakeup, 0)->isChecked());
  for (Column column : {Column::CallReboot, Column::CallWakeup, Column::Csd})
    EXPECT_FALSE(ColumnEnabled(column, 0));

  // Call Reboot in row 3 takes Call Wakeup and CSD of row 3 only.
  book.Box(Column::CallReboot, 2)->click();
  EXPECT_FALSE(ColumnEnabled(Column::CallWakeup, 2));
  EXPECT_FALSE(ColumnEnabled(Column::Csd, 2));
  EXPECT_TRUE(ColumnEnabled(Column::CallWakeup, 3));
  book.Box(Column::CallReboot, 2)->click();
  EXPECT_TRUE(ColumnEnabled(Column::CallWakeup, 2));
  EXPECT_TRUE(ColumnEnabled(Column::Csd, 2));

  // Unticking the Reboot page's "Call " clears the Call Reboot column and
  // gives row 1 its Call Wakeup back.
  Box(reboot, "rebootCallBox")->click();
  EXPECT_FALSE(book.Box(Column::CallReboot, 0)->isChecked());
  EXPECT_FALSE(ColumnEnabled(Column::CallReboot, 0));
  EXPECT_TRUE(ColumnEnabled(Column::CallWakeup, 0));

  // Unticking the Wakeup page's SMS disables SMS Wakeup but keeps its ticks.
  Box(wakeup, "wakeupSmsBox")->click();
  EXPECT_FALSE(ColumnEnabled(Column::SmsWakeup, 0));
  EXPECT_TRUE(book.Box(Column::SmsWakeup, 0)->isChecked());

  // A Read keeps the CSD ticks and empties the numbers and other columns.
  book.Box(Column::Csd, 4)->click();
  book.Box(Column::SmsControl, 4)->click();
  book.ClearForRead();
  EXPECT_TRUE(book.Box(Column::Csd, 4)->isChecked());
  EXPECT_FALSE(book.Box(Column::SmsControl, 4)->isChecked());
  EXPECT_FALSE(book.Box(Column::CallWakeup, 0)->isChecked());
  EXPECT_FALSE(book.Box(Column::SmsWakeup, 0)->isChecked());
  EXPECT_EQ(Edit(book, "phoneNumber1")->text(), "");

  book.DisableAll();
  for (QWidget* w : book.InputControls()) EXPECT_FALSE(w->isEnabled());
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SchedulePages, PhoneGroupGridOnlyWithDigitalIo) {
  group.EnableByState();
  group.SetGridEnabled(true);  // no digital I/O: nothing happens
  EXPECT_FALSE(group.Box(0, 0)->isEnabled());
  group.SetIoPresent(true);
  group.SetGridEnabled(true);
  EXPECT_TRUE(group.Box(9, 9)->isEnabled());
  group.DisableAll();
  EXPECT_FALSE(group.Box(9, 9)->isEnabled());
  group.EnableByState();  // opening the port again leaves the grid as it is
  EXPECT_FALSE(group.Box(9, 9)->isEnabled());
  group.SetGridEnabled(true);

  ConfigRecord record;
  record.SetPhoneGroupMask(0, 0x0201);  // group 1: entries 1 and 10
  record.SetPhoneGroupMask(9, 0x0004);  // group 10: entry 3
  group.ShowRecord(record);
  EXPECT_TRUE(group.Box(0, 0)->isChecked());
  EXPECT_TRUE(group.Box(0, 9)->isChecked());
  EXPECT_TRUE(group.Box(9, 2)->isChecked());
  EXPECT_FALSE(group.Box(9, 0)->isChecked());

  group.Box(0, 0)->click();
  group.Box(4, 5)->click();
  ConfigRecord stored;
  stored.SetRawByte(field::phone_groups.ElementOffset(3) + 1, 0xFC);  // bits 10 to 15 from nowhere
  EXPECT_EQ(group.Validate(stored), 0);
  EXPECT_EQ(stored.PhoneGroupMask(0), 0x0200);
  EXPECT_EQ(stored.PhoneGroupMask(4), 0x0020);
  EXPECT_EQ(stored.PhoneGroupMask(9), 0x0004);
  EXPECT_EQ(stored.PhoneGroupMask(3), 0x0000);

  group.ClearForRead();
  EXPECT_FALSE(group.Box(0, 9)->isChecked());
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SchedulePages, RecordShownOnEachPage) {
  Edit(wakeup, "wakeupTime2Edit")->setText("11:11");
  wakeup.TakeValues();
  ConfigRecord record;
  record.SetScheduleTime(field::wakeup_times, 8, 5, 0);
  record.SetRawByte(field::wakeup_times.ElementOffset(1) + kBcdHour, 0x24);  // no time of day
  record.SetFlag(field::wakeup_time_enable, true, 0);
  record.SetRawByte(field::wakeup_time_enable.ElementOffset(1), 2);  // only exactly 1 ticks
  record.Set(field::online_output, std::vector<std::uint8_t>{0x0D, 0x0A, 0xFF});
  record.SetRawByte(field::serial_data_wakeup.offset, 0x80);  // negative as a signed byte: off
  record.SetRawByte(field::wakeup_sms_reply_enable.offset, 5);  // any non-zero: on
  record.Set(field::periodic_wakeup_interval, 1800);
  record.Set(field::wakeup_sms_password, "secret");
  record.SetScheduleTime(field::reboot_times, 23, 59, 2);
  record.Set(field::reboot_call_reply_text, "rebooting");
  record.SetPhoneBook(9, {"+4930123456", kSmsControl | kCallCsd});
  record.SetPhoneGroupMask(2, 0x0080);
  // A reply text filling its field without a terminator: shown cut at the
  // field, never running into the packet after it.
  for (std::size_t i = 0; i < 21; ++i) record.SetRawByte(field::wakeup_sms_reply_text.offset + i, 'r');

  wakeup.ShowRecord(record);
  reboot.ShowRecord(record);
  book.ShowRecord(record);
  group.ShowRecord(record);

  EXPECT_EQ(Edit(wakeup, "wakeupTime1Edit")->text(), "08:05");
  EXPECT_EQ(Edit(wakeup, "wakeupTime2Edit")->text(), "11:11");
  EXPECT_EQ(Edit(wakeup, "wakeupTime3Edit")->text(), "00:00");
  EXPECT_TRUE(Box(wakeup, "wakeupTime1Box")->isChecked());
  EXPECT_FALSE(Box(wakeup, "wakeupTime2Box")->isChecked());
  EXPECT_EQ(Edit(wakeup, "wakeupOutputEdit")->text(), "0d0aff");
  EXPECT_FALSE(Box(wakeup, "wakeupSerialDataBox")->isChecked());
  EXPECT_TRUE(Box(wakeup, "wakeupSmsReplyBox")->isChecked());
  EXPECT_EQ(Edit(wakeup, "wakeupIntervalEdit")->text(), "1800");
  EXPECT_EQ(Edit(wakeup, "wakeupSmsPasswordEdit")->text(), "secret");
  EXPECT_EQ(Edit(wakeup, "wakeupSmsReplyEdit")->text(), QString(21, 'r'));
  EXPECT_EQ(Edit(reboot, "rebootTime3Edit")->text(), "23:59");
  EXPECT_EQ(Edit(reboot, "rebootCallReplyEdit")->text(), "rebooting");
  EXPECT_EQ(Edit(book, "phoneNumber10")->text(), "+4930123456");
  EXPECT_TRUE(book.Box(Column::SmsControl, 9)->isChecked());
  EXPECT_TRUE(book.Box(Column::Csd, 9)->isChecked());
  EXPECT_FALSE(book.Box(Column::CallReboot, 9)->isChecked());
  EXPECT_TRUE(group.Box(2, 7)->isChecked());

  // A Read empties what the answer refills, and keeps Serial Data Wakeup,
  // the periodic settings and the output bytes.
  wakeup.serialDataWakeup = 1;
  wakeup.periodicEnable = 1;
  wakeup.ClearForRead();
  reboot.ClearForRead();
  EXPECT_EQ(Edit(wakeup, "wakeupTime1Edit")->text(), "");
  EXPECT_FALSE(Box(wakeup, "wakeupTime1Box")->isChecked());
  EXPECT_FALSE(Box(wakeup, "wakeupSmsReplyBox")->isChecked());
  EXPECT_EQ(Edit(wakeup, "wakeupSmsPasswordEdit")->text(), "");
  EXPECT_TRUE(Box(wakeup, "wakeupSerialDataBox")->isChecked());
  EXPECT_TRUE(Box(wakeup, "wakeupPeriodicBox")->isChecked());
  EXPECT_EQ(Edit(wakeup, "wakeupIntervalEdit")->text(), "1800");
  EXPECT_EQ(Edit(wakeup, "wakeupOutputEdit")->text(), "0d0aff");
  EXPECT_EQ(Edit(reboot, "rebootTime3Edit")->text(), "");
  EXPECT_EQ(Edit(reboot, "rebootCallReplyEdit")->text(), "");
}

TEST_F(SchedulePages, ValidatorsRefuseEveryBadTimeWithItsMessage) {
  // Times: every one is checked, ticked or not, in order.
  struct Case {
    const char* t1;
    const char* t2;
    const char* t3;
    const char* rebootMessage;
    const char* wakeupMessage;
  };
  const Case failures[] = {
      {"24:00", "00:00", "00:00", "Reboot time error", "Wakeup time1 error"},
      {"7:5", "12:60", "00:00", "Reboot time2 error", "Wakeup time2 error"},
      {"7:5", "00:00", "12", "Reboot time3 error", "Wakeup time3 error"},
      {"7:5", "", "00:00", "Reboot time2 error", "Wakeup time2 error"},
  };
  for (const Case& c : failures) {
    sink.messages.clear();
    SetTimes(reboot, "reboot", c.t1, c.t2, c.t3);
    SetTimes(wakeup, "wakeup", c.t1, c.t2, c.t3);
    ConfigRecord record;
    EXPECT_EQ(reboot.Validate(record), -1) << c.rebootMessage;
    EXPECT_EQ(wakeup.Validate(record), -1) << c.wakeupMessage;
    EXPECT_EQ(sink.messages, (std::vector<std::string>{c.rebootMessage, c.wakeupMessage}));
  }
}

TEST_F(SchedulePages, ValidatorsStoreGoodValuesAndRefuseBadOutputAndLongReplies) {
  // Good values: 7:5 as 0x07 and 0x05, the other schedule bytes untouched.
  SetTimes(reboot, "reboot", "7:5", "00:00", "23:59");
  SetTimes(wakeup, "wakeup", "00:00", "7:5", "00:00");
  Box(reboot, "rebootTime1Box")->setChecked(true);
  Box(reboot, "rebootSmsBox")->setChecked(true);
  Edit(reboot, "rebootSmsPasswordEdit")->setText("pw");
  Box(wakeup, "wakeupCallBox")->setChecked(true);
  Edit(wakeup, "wakeupSmsReplyEdit")->setText(QString(20, 'x'));  // the most typing allows
  Edit(wakeup, "wakeupOutputEdit")->setText("0D0a");
  Edit(wakeup, "wakeupIntervalEdit")->setText("30");
  ConfigRecord record;
  record.SetRawByte(field::reboot_times.offset + kBcdDay, 0x17);
  record.SetRawByte(field::online_output.offset + 5, 0xEE);  // beyond the new data: kept
  EXPECT_EQ(reboot.Validate(record), 0);
  EXPECT_EQ(wakeup.Validate(record), 0);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(record.RawByte(field::reboot_times.offset + kBcdHour), 0x07);
  EXPECT_EQ(record.RawByte(field::reboot_times.offset + kBcdMinute), 0x05);
  EXPECT_EQ(record.RawByte(field::reboot_times.offset + kBcdDay), 0x17);
  EXPECT_EQ(record.RawByte(field::reboot_times.ElementOffset(2) + kBcdHour), 0x23);
  EXPECT_EQ(record.RawByte(field::wakeup_times.ElementOffset(1) + kBcdMinute), 0x05);
  EXPECT_TRUE(record.IsOn(field::reboot_time_enable, 0));
  EXPECT_FALSE(record.IsOn(field::reboot_time_enable, 1));
  EXPECT_TRUE(record.IsOn(field::reboot_by_sms));
  EXPECT_EQ(record.Get(field::reboot_sms_password), "pw");
  EXPECT_TRUE(record.IsOn(field::wakeup_by_call));
  EXPECT_EQ(record.Get(field::wakeup_sms_reply_text), std::string(20, 'x'));
  EXPECT_EQ(record.Get(field::online_output), (std::vector<std::uint8_t>{0x0D, 0x0A}));
  EXPECT_EQ(record.RawByte(field::online_output.offset + 5), 0xEE);
  EXPECT_EQ(record.Get(field::periodic_wakeup_interval), 30);

  // Bad output bytes fail whatever the boxes say.
  Edit(wakeup, "wakeupOutputEdit")->setText("a b");
  EXPECT_EQ(wakeup.Validate(record), -1);
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Output Packet input err"});

  // A 21-character SMS reply can only come from the modem: refused on Write
  // with the validator's own message, which stops it, while its reply box is
  // within reach (the Wakeup page's follows the GPRS settings).
  ConfigRecord fromModem;
  for (const std::size_t flag : {field::reboot_by_sms.offset, field::reboot_sms_reply_enable.offset})
    fromModem.SetRawByte(flag, 1);
  for (std::size_t i = 0; i < 21; ++i) fromModem.SetRawByte(field::reboot_sms_reply_text.offset + i, 'y');
  reboot.ShowRecord(fromModem);
  reboot.EnableByState();
  sink.messages.clear();
  EXPECT_EQ(reboot.Validate(record), -2);
  EXPECT_EQ(sink.messages, std::vector<std::string>{"SMS len error"});
  ASSERT_NE(reboot.FailedControl(), nullptr);
  EXPECT_TRUE(reboot.FailedControl()->objectName().endsWith("SmsReplyEdit"));
}

TEST_F(SchedulePages, PhoneBookValidatorStoresNumbersAndRolesAndRefusesLongNumbers) {
  // Phone Book: numbers and role bits; a number over 20 characters refused,
  // the slots before it stored.
  ConfigRecord record;
  Edit(book, "phoneNumber1")->setText("+8613900000001");
  book.Box(Column::CallWakeup, 0)->setChecked(true);
  book.Box(Column::SmsControl, 0)->setChecked(true);
  book.Box(Column::Csd, 1)->setChecked(true);
  EXPECT_EQ(book.Validate(record), 0);
  EXPECT_EQ(record.PhoneBook(0), (PhoneBookEntry{"+8613900000001", kCallWakeup | kSmsControl}));
  EXPECT_EQ(record.PhoneBook(1), (PhoneBookEntry{"", kCallCsd}));
  Edit(book, "phoneNumber3")->setText(QString(21, '1'));
  ConfigRecord partial;
  EXPECT_EQ(book.Validate(partial), -1);
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Phone number err"});
  EXPECT_EQ(partial.PhoneBook(0).number, "+8613900000001");
}

}  // namespace
}  // namespace telvaro
