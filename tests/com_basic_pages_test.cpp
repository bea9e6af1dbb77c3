// The Com and Basic pages: the serial settings preselection, the PIN lock
// enabling rule, the RS485 removal, clearing for a read and showing a record,
// on the pages alone and through the main window against the simulated modem.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "operations/serial_settings.h"
#include "pages/basic_page.h"
#include "pages/com_page.h"
#include "record/config_record.h"
#ifndef _WIN32  // the simulated modem needs a POSIX pseudo-terminal
#include "sim/modem_sim.h"
#endif
#include "tests/gui_test_support.h"
#include "tests/recording_sink.h"

// Readable values in failure output.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace telvaro {

static void PrintTo(const SerialSelections& s, std::ostream* os) {
  *os << '{' << s.baudRate << ',' << s.dataBits << ',' << s.parity << ',' << s.stopBits << ',' << s.flowControl
      << '}';
}

namespace {

std::vector<QString> Items(const QComboBox* list) {
  std::vector<QString> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i));
  return items;
}

// The operator picks an item with the keyboard, as a click in the list would.
void Choose(QComboBox* list, int index) {
  while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
  while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
}

class ComPage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  std::string Path() const { return SerialSettingsPath(QDir::toNativeSeparators(dir.path()).toStdString()); }
  void WriteSettings(const QByteArray& text) const {
    QFile file(QString::fromStdString(Path()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  void ShowPage() {
    page.SetSettingsPath(Path());
    page.OnShow();
  }
  QComboBox* List(const char* name) const { return page.findChild<QComboBox*>(name); }

  QTemporaryDir dir;
  RecordingSink sink;
  CComPage page{nullptr, &sink};
};

TEST_F(ComPage, WithoutSettingsFileStartsAt115200_8_None_1_None) {
  ShowPage();
  EXPECT_EQ(page.Selections(), (SerialSelections{7, 1, 0, 0, 0}));
  ASSERT_NE(List("baudRateList"), nullptr);
  EXPECT_EQ(List("baudRateList")->currentText(), "115200");
  EXPECT_EQ(List("dataBitsList")->currentText(), "8");
  EXPECT_EQ(List("parityList")->currentText(), "None");
  EXPECT_EQ(List("stopBitsList")->currentText(), "1");
  EXPECT_EQ(List("flowControlList")->currentText(), "None");
  EXPECT_EQ(Items(List("parityList")), (std::vector<QString>{"None", "Odd", "Even", "Mark", "Space"}));
  EXPECT_EQ(Items(List("flowControlList")), (std::vector<QString>{"None", "Hardware"}));
  EXPECT_EQ(List("baudRateList")->count(), 8);

  // The five lists are the page's inputs: enabled by on show, switched by the
  // page operations; clearing for a read keeps the selections.
  const std::vector<QWidget*> lists{List("baudRateList"), List("dataBitsList"), List("parityList"),
                                    List("stopBitsList"), List("flowControlList")};
  EXPECT_EQ(page.InputControls(), lists);
  for (QWidget* list : lists) EXPECT_TRUE(list->isEnabled());
  page.DisableAll();
  for (QWidget* list : lists) EXPECT_FALSE(list->isEnabled());
  page.ClearForRead();
  EXPECT_EQ(page.Selections(), (SerialSelections{7, 1, 0, 0, 0}));
  page.EnableByState();
  for (QWidget* list : lists) EXPECT_TRUE(list->isEnabled());
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ComPage, SettingsFilePreselectsAndARecordKeepsFlowControl) {
  WriteSettings("[com.conf]\nBandRate=9600\nDataBits=7\nParity=Even\nStopBits=2\nFlowControl=Hardware\n");
  ShowPage();
  EXPECT_EQ(page.Selections(), (SerialSelections{3, 0, 2, 1, 1}));
  EXPECT_EQ(List("flowControlList")->currentText(), "Hardware");

  ConfigRecord record;
  record.Set(field::baud_index, 5);
  record.Set(field::data_bits_index, 1);
  record.Set(field::parity_index, 4);
  record.Set(field::stop_bits_index, 0);
  record.Set(field::flow_control_index, 0);
  page.ShowRecord(record);
  EXPECT_EQ(page.Selections(), (SerialSelections{5, 1, 4, 0, 1}));
  EXPECT_EQ(List("baudRateList")->currentText(), "38400");

  // Indices the lists do not have leave them without a selection.
  record.Set(field::baud_index, 8);
  record.Set(field::data_bits_index, 2);
  record.Set(field::parity_index, 5);
  record.Set(field::stop_bits_index, 255);
  record.Set(field::flow_control_index, 7);
  page.ShowRecord(record);
  EXPECT_EQ(page.Selections(), (SerialSelections{-1, -1, -1, -1, 1}));
}

class BasicPage : public ::testing::Test {
 protected:
  void SetUp() override { page.OnShow(); }
  template <typename T>
  T* Find(const char* name) const {
    auto* widget = page.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QComboBox* PinList() const { return Find<QComboBox>("pinLockList"); }
  QComboBox* ComTypeList() const { return Find<QComboBox>("comTypeList"); }
  QCheckBox* ChangePin() const { return Find<QCheckBox>("changePinBox"); }
  QLineEdit* NewCode() const { return Find<QLineEdit>("newPinCodeEdit"); }
  QLineEdit* PinCode() const { return Find<QLineEdit>("pinCodeEdit"); }
  QString Label(const char* name) const { return Find<QLabel>(name)->text(); }

  RecordingSink sink;
  CBasicPage page{nullptr, &sink};
  ConfigRecord record;
};

TEST_F(BasicPage, StartsWithoutSelectionsAndDisablesEverything) {
  EXPECT_EQ(Items(PinList()), (std::vector<QString>{"Disable PIN Lock", "Enable PIN Lock"}));
  EXPECT_EQ(Items(ComTypeList()), (std::vector<QString>{"RS232", "RS485"}));
  EXPECT_EQ(PinList()->currentIndex(), -1);
  EXPECT_EQ(ComTypeList()->currentIndex(), -1);
  EXPECT_EQ(Label("clockValue"), "rtc time");
  EXPECT_EQ(Label("meTypeValue"), "");
  EXPECT_EQ(Label("imeiValue"), "");
  // Without a PIN lock selection only the PIN-change controls stay off.
  for (QWidget* control : page.InputControls())
    EXPECT_EQ(control->isEnabled(), control != ChangePin() && control != NewCode()) << control->objectName().toStdString();
  EXPECT_EQ(page.InputControls().size(), 10u);

  page.DisableAll();
  for (QWidget* control : page.InputControls()) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();

  page.SetClockText("2026-12-07 15:20:01");
  EXPECT_EQ(Label("clockValue"), "2026-12-07 15:20:01");
}

TEST_F(BasicPage, PinLockRuleGatesChangePinAndNewCode) {
  record.Set(field::pin_lock, 0);
  record.SetFlag(field::pin_change, true);
  page.ShowRecord(record);
  page.EnableByState();
  EXPECT_TRUE(ChangePin()->isChecked());
  EXPECT_FALSE(ChangePin()->isEnabled());
  EXPECT_FALSE(NewCode()->isEnabled());
  EXPECT_TRUE(PinCode()->isEnabled());

  // Choosing "Enable PIN Lock" enables both at once.
  Choose(PinList(), 1);
  EXPECT_EQ(PinList()->currentText(), "Enable PIN Lock");
  EXPECT_TRUE(ChangePin()->isEnabled());
  EXPECT_TRUE(NewCode()->isEnabled());

  // Unticking Change PIN Code switches the new code off again, ticking it on.
  ChangePin()->click();
  EXPECT_FALSE(ChangePin()->isChecked());
  EXPECT_EQ(page.changePin, 0);
  EXPECT_TRUE(ChangePin()->isEnabled());
  EXPECT_FALSE(NewCode()->isEnabled());
  ChangePin()->click();
  EXPECT_TRUE(NewCode()->isEnabled());

  Choose(PinList(), 0);
  EXPECT_FALSE(ChangePin()->isEnabled());
  EXPECT_FALSE(NewCode()->isEnabled());
  EXPECT_TRUE(PinCode()->isEnabled());
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(BasicPage, Rs485StaysAbsentOnceAModemLacksIt) {
  record.Set(field::com_type, 1);
  page.ShowRecord(record);
  EXPECT_EQ(ComTypeList()->currentText(), "RS485");

  record.Set(field::com_type, 0);
  record.Set(field::rs485_absent, 1);
  page.ShowRecord(record);
  EXPECT_EQ(Items(ComTypeList()), std::vector<QString>{"RS232"});
  EXPECT_EQ(ComTypeList()->currentText(), "RS232");

  // A later modem with RS485 does not bring the item back, and its RS485
  // setting selects nothing rather than RS232.
  record.Set(field::com_type, 1);
  record.Set(field::rs485_absent, 0);
  page.ShowRecord(record);
  EXPECT_EQ(Items(ComTypeList()), std::vector<QString>{"RS232"});
  EXPECT_EQ(ComTypeList()->currentIndex(), -1);
  page.RemoveRs485();
  EXPECT_EQ(Items(ComTypeList()), std::vector<QString>{"RS232"});

  // A selected RS485 that is then removed leaves no selection; an unending
  // PIN text from the modem is shown without a limit box.
  CBasicPage fresh{nullptr, &sink};
  fresh.OnShow();
  record.Set(field::rs485_absent, 1);
  for (std::size_t i = 0; i < 9; ++i) record.SetRawByte(121 + i, static_cast<std::uint8_t>('1' + i));  // pin_code
  fresh.ShowRecord(record);
  auto* list = fresh.findChild<QComboBox*>("comTypeList");
  EXPECT_EQ(Items(list), std::vector<QString>{"RS232"});
  EXPECT_EQ(list->currentIndex(), -1);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(BasicPage, ShowRecordFillsThePageAndCorrectsTheRecord) {
  record.Set(field::com_type, 1);
  record.Set(field::pin_lock, 3);
  record.Set(field::me_type, "TLV-<b>GPRS</b>");
  record.Set(field::imei, "860123456789012");
  record.Set(field::device_name, "Pump station 12");
  record.Set(field::init_command, "AT+CGDCONT=1,\"IP\",\"internet\"");
  record.Set(field::sms_control_password, "s3cret");
  record.Set(field::pin_code, "1234");
  record.SetRawByte(field::pin_change.offset, 2);  // any non-zero byte ticks the box
  record.Set(field::new_pin_code, "87654321");
  record.SetFlag(field::debug_output_enable, true);
  record.SetFlag(field::rtc_set, true);

  // The operator had ticked Synchronize with PC before the answer came.
  Find<QCheckBox>("syncWithPcBox")->setChecked(true);
  page.TakeValues();
  ASSERT_EQ(page.syncWithPc, 1);

  page.ShowRecord(record);
  EXPECT_EQ(record.Get(field::pin_lock), 0);
  EXPECT_EQ(record.RawByte(field::rtc_set.offset), 0);
  EXPECT_EQ(PinList()->currentText(), "Disable PIN Lock");
  EXPECT_EQ(ComTypeList()->currentText(), "RS485");
  EXPECT_EQ(Label("meTypeValue"), "TLV-<b>GPRS</b>");
  EXPECT_EQ(Find<QLabel>("meTypeValue")->textFormat(), Qt::PlainText);
  EXPECT_EQ(Label("imeiValue"), "860123456789012");
  EXPECT_EQ(Find<QLineEdit>("deviceNameEdit")->text(), "Pump station 12");
  EXPECT_EQ(Find<QLineEdit>("initCommandEdit")->text(), "AT+CGDCONT=1,\"IP\",\"internet\"");
  EXPECT_EQ(Find<QLineEdit>("smsPasswordEdit")->text(), "s3cret");
  EXPECT_EQ(PinCode()->text(), "1234");
  EXPECT_TRUE(ChangePin()->isChecked());
  EXPECT_EQ(NewCode()->text(), "87654321");
  EXPECT_TRUE(Find<QCheckBox>("debugOutputBox")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("syncWithPcBox")->isChecked());
  EXPECT_EQ(page.syncWithPc, 0);

  // The operator cannot type past each field's room in the record.
  EXPECT_EQ(Find<QLineEdit>("deviceNameEdit")->maxLength(), 20);
  EXPECT_EQ(PinCode()->maxLength(), 8);
  EXPECT_EQ(NewCode()->maxLength(), 8);
  EXPECT_EQ(Find<QLineEdit>("initCommandEdit")->maxLength(), 40);
  EXPECT_EQ(Find<QLineEdit>("smsPasswordEdit")->maxLength(), 20);

  // Pin lock 2 is kept in the record although the list has no such item.
  record.Set(field::pin_lock, 2);
  page.ShowRecord(record);
  EXPECT_EQ(record.Get(field::pin_lock), 2);
  EXPECT_EQ(PinList()->currentIndex(), -1);
}

TEST_F(BasicPage, ClearForReadEmptiesWhatTheAnswerRefills) {
  record.Set(field::com_type, 1);
  record.Set(field::pin_lock, 1);
  record.Set(field::me_type, "TLV-GPRS-200");
  record.Set(field::imei, "860123456789012");
  record.Set(field::device_name, "Telvaro-DTU");
  record.Set(field::init_command, "ATE0");
  record.Set(field::sms_control_password, "pw");
  record.Set(field::pin_code, "1234");
  record.SetFlag(field::pin_change, true);
  record.Set(field::new_pin_code, "4321");
  record.SetFlag(field::debug_output_enable, true);
  page.ShowRecord(record);
  Find<QCheckBox>("syncWithPcBox")->setChecked(true);
  page.TakeValues();

  page.ClearForRead();
  EXPECT_EQ(Label("meTypeValue"), "");
  EXPECT_EQ(Label("imeiValue"), "");
  for (const char* edit : {"deviceNameEdit", "initCommandEdit", "smsPasswordEdit", "pinCodeEdit", "newPinCodeEdit"})
    EXPECT_EQ(Find<QLineEdit>(edit)->text(), "") << edit;
  EXPECT_FALSE(ChangePin()->isChecked());
  // Kept: both list selections, Synchronize with PC and the debug switch.
  EXPECT_EQ(PinList()->currentIndex(), 1);
  EXPECT_EQ(ComTypeList()->currentIndex(), 1);
  EXPECT_TRUE(Find<QCheckBox>("syncWithPcBox")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("debugOutputBox")->isChecked());
}

#ifndef _WIN32
// Opening the port reads the simulated modem's record onto both pages.
using ComBasicWindow = WindowWithModem;

TEST_F(ComBasicWindow, OpeningThePortShowsTheModemsBasicAndSerialSettings) {
  StartWindow();
  auto* basic = static_cast<CBasicPage*>(window->Page(kBasic));
  auto* com = static_cast<CComPage*>(window->Page(kCom));
  EXPECT_EQ(basic->findChild<QLabel*>("clockValue")->text(), "rtc time");

  PressOpen();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty(); }, 5000));
  EXPECT_EQ(texts, std::vector<std::string>{"Operation succeed!"});

  EXPECT_EQ(basic->findChild<QLineEdit*>("deviceNameEdit")->text(), "Telvaro-DTU");
  EXPECT_EQ(basic->findChild<QLabel*>("imeiValue")->text(), "860123456789012");
  EXPECT_EQ(basic->findChild<QLabel*>("meTypeValue")->text(), "TLV-GPRS-200");
  EXPECT_EQ(com->findChild<QComboBox*>("baudRateList")->currentText(), "115200");
  EXPECT_EQ(window->State().record.RawByte(field::rtc_set.offset), 0);

  // The periodic refresh replaces the placeholder with the modem's clock.
  auto* clock = basic->findChild<QLabel*>("clockValue");
  ASSERT_TRUE(WaitUntil([&] { return clock->text().startsWith("20"); }, 3000)) << "[" << clock->text().toStdString() << "]";
  EXPECT_EQ(clock->text().size(), 19);
}

#endif  // _WIN32

}  // namespace
}  // namespace telvaro
