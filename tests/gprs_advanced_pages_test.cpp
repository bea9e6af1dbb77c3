// The GPRS, Advanced 1 and Advanced 2 pages: their lists, start values and
// enabling rules, the cross-page calls they send, a record shown and stored
// again, and the validators' messages. Pages alone with a recording host, and
// once through the main window with the real Wakeup, Reboot and Phone Book
// pages.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/main_dialog.h"
#include "pages/advanced1_page.h"
#include "pages/advanced2_page.h"
#include "pages/gprs_page.h"
#include "record/config_record.h"
#include "record/factory_defaults.h"
#ifndef _WIN32  // the simulated modem needs a POSIX pseudo-terminal
#include "sim/modem_sim.h"
#endif
#include "tests/gui_test_support.h"
#include "tests/recording_sink.h"

// Readable values in failure output.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace telvaro {
namespace {

// The main window's cross-page entry points, recorded in the order called.
class RecordingHost : public PageHost {
 public:
  void SetWakeupMode(int mode) override { calls.push_back("wakeup " + std::to_string(mode)); }
  void SetRebootAvailability(int available) override { calls.push_back("reboot " + std::to_string(available)); }
  void SetPhoneBookColumn(PhoneBookColumn column, bool on) override {
    calls.push_back("column " + std::to_string(static_cast<int>(column)) + (on ? " on" : " off"));
  }
  std::vector<std::string> Take() { return std::exchange(calls, {}); }
  std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

std::vector<QString> Items(const QComboBox* list) {
  std::vector<QString> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i));
  return items;
}

// The operator picks an item with the keyboard, as a click in the list would.
void Choose(QComboBox* list, int index) {
  if (list->currentIndex() < 0) QTest::keyClick(list, Qt::Key_Home);
  while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
  while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
}

std::vector<std::uint8_t> Bytes(const ConfigRecord& record, const FieldInfo& f) {
  const auto bytes = record.FieldBytes(f);
  return {bytes.begin(), bytes.end()};
}

template <class Page>
class PageFixture : public ::testing::Test {
 protected:
  // Records start as a modem's factory settings: an all-zero record would
  // put numbers out of the pages' ranges.
  void SetUp() override { ApplyFactoryDefaults(record); }
  template <typename T = QWidget>
  T* Find(const char* name) const {
    auto* widget = page.template findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
  QCheckBox* Box(const char* name) const { return Find<QCheckBox>(name); }
  QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
  // Names of the input controls that are enabled.
  std::vector<std::string> Enabled() const {
    std::vector<std::string> names;
    for (QWidget* w : page.InputControls())
      if (w->isEnabled()) names.push_back(w->objectName().toStdString());
    return names;
  }

  RecordingSink sink;
  RecordingHost host;
  Page page{nullptr, &sink};
  ConfigRecord record;
};

using GprsPage = PageFixture<CGprsPage>;

TEST_F(GprsPage, StartsWithEmptyListsStartValuesAndLimits) {
  page.OnShow();
  EXPECT_EQ(Items(List("pppList")), (std::vector<QString>{"None", "PAP", "CHAP", "PAP and CHAP"}));
  EXPECT_EQ(Items(List("dnsList")), (std::vector<QString>{"Use Peer DNS", "Manual"}));
  EXPECT_EQ(Items(List("socketModeList")), (std::vector<QString>{"TCP Client", "TCP Server", "UDP"}));
  EXPECT_EQ(Items(List("connectionModeList")), (std::vector<QString>{"Always Online", "Connect On Demand"}));
  for (const char* name : {"pppList", "dnsList", "socketModeList", "connectionModeList"})
    EXPECT_EQ(List(name)->currentIndex(), -1) << name;
  EXPECT_EQ(Find<QLabel>("shutdownText")->text(), " Shut Down Module      When Idle");

  const std::pair<const char*, const char*> shown[] = {{"portEdit", "8888"},          {"inactivityTimeEdit", "2"},
                                                       {"connectIntervalEdit", "60"}, {"maxRetriesEdit", "5"},
                                                       {"idleTimeoutEdit", "180"},    {"apnEdit", ""}};
  for (const auto& [name, text] : shown) EXPECT_EQ(Edit(name)->text(), text) << name;
  const std::pair<const char*, int> limits[] = {{"apnEdit", 50},  {"userEdit", 32},  {"passwordEdit", 32},
                                                {"serverAddressEdit", 20}, {"dns1Edit", 20}, {"dns2Edit", 20}};
  for (const auto& [name, limit] : limits) EXPECT_EQ(Edit(name)->maxLength(), limit) << name;

  // No selection yet: no DNS servers, and the rules of "Connect On Demand".
  EXPECT_EQ(Enabled(), (std::vector<std::string>{"pppList", "dnsList", "connectionModeList", "socketModeList",
                                                 "apnEdit", "userEdit", "passwordEdit", "serverAddressEdit",
                                                 "portEdit", "inactivityTimeEdit", "connectIntervalEdit",
                                                 "maxRetriesEdit", "shutdownBox", "modbusBox"}));
  page.DisableAll();
  EXPECT_TRUE(Enabled().empty());
  EXPECT_EQ(page.InputControls().size(), 17u);

  // Clearing for a read resets the values and keeps the selections.
  page.ShowRecord(record);
  Edit("apnEdit")->setText("internet");
  Edit("portEdit")->setText("502");
  Box("shutdownBox")->setChecked(true);
  Box("modbusBox")->setChecked(true);
  page.TakeValues();
  page.ClearForRead();
  EXPECT_EQ(Edit("apnEdit")->text(), "");
  EXPECT_EQ(Edit("portEdit")->text(), "8888");
  EXPECT_FALSE(Box("shutdownBox")->isChecked());
  EXPECT_FALSE(Box("modbusBox")->isChecked());
  EXPECT_EQ(List("dnsList")->currentText(), "Use Peer DNS");
  EXPECT_EQ(List("connectionModeList")->currentText(), "Always Online");
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(GprsPage, PeerDnsEmptiesTheServersAndTcpServerKeepsItsAddress) {
  page.OnShow();
  record.Set(field::dns2, "8.8.4.4");  // the second server alone means "Manual"
  record.Set(field::server_address, "relay.example.net");
  page.ShowRecord(record);
  page.EnableByState();
  EXPECT_EQ(List("dnsList")->currentText(), "Manual");
  EXPECT_TRUE(Edit("dns1Edit")->isEnabled());
  EXPECT_EQ(Edit("dns2Edit")->text(), "8.8.4.4");

  Choose(List("dnsList"), 0);
  EXPECT_EQ(Edit("dns2Edit")->text(), "");
  EXPECT_FALSE(Edit("dns1Edit")->isEnabled());
  EXPECT_FALSE(Edit("dns2Edit")->isEnabled());
  EXPECT_EQ(page.dns2, "");
  Choose(List("dnsList"), 1);
  EXPECT_EQ(Edit("dns2Edit")->text(), "");
  EXPECT_TRUE(Edit("dns1Edit")->isEnabled());
  EXPECT_TRUE(Edit("dns2Edit")->isEnabled());

  Choose(List("socketModeList"), 1);
  EXPECT_EQ(List("socketModeList")->currentText(), "TCP Server");
  EXPECT_FALSE(Edit("serverAddressEdit")->isEnabled());
  EXPECT_EQ(Edit("serverAddressEdit")->text(), "relay.example.net");
  EXPECT_TRUE(Edit("portEdit")->isEnabled());
  Choose(List("socketModeList"), 2);
  EXPECT_TRUE(Edit("serverAddressEdit")->isEnabled());
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(GprsPage, ConnectionControlDecidesWhatWakeupAndRebootOffer) {
  page.OnShow();  // no window yet: nothing is sent while the page is created
  page.SetMainDlg(&host);
  page.ShowRecord(record);  // "Always Online"
  EXPECT_TRUE(host.Take().empty());
  page.EnableByState();
  EXPECT_EQ(host.Take(), Calls{"wakeup 0"});
  EXPECT_TRUE(Edit("idleTimeoutEdit")->isEnabled());
  EXPECT_FALSE(Edit("inactivityTimeEdit")->isEnabled());
  EXPECT_FALSE(Box("shutdownBox")->isEnabled());

  Choose(List("connectionModeList"), 1);
  EXPECT_EQ(host.Take(), (Calls{"wakeup 1", "reboot 0"}));
  EXPECT_FALSE(Edit("idleTimeoutEdit")->isEnabled());
  EXPECT_TRUE(Edit("inactivityTimeEdit")->isEnabled());
  EXPECT_TRUE(Box("shutdownBox")->isEnabled());

  Box("shutdownBox")->click();
  EXPECT_EQ(host.Take(), (Calls{"wakeup 2", "reboot 1"}));
  // The caption on two lines clicks the box too.
  QTest::mouseClick(Find<QLabel>("shutdownText"), Qt::LeftButton);
  EXPECT_FALSE(Box("shutdownBox")->isChecked());
  EXPECT_EQ(host.Take(), (Calls{"wakeup 1", "reboot 0"}));

  // An inactivity time of 4 is within the page's own range.
  Edit("inactivityTimeEdit")->setText("4");
  Choose(List("connectionModeList"), 0);
  EXPECT_EQ(host.Take(), Calls{"wakeup 0"});
  EXPECT_EQ(page.inactivityTime, 4);
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(GprsPage, ShowsARecordAndStoresItAgain) {
  page.OnShow();
  record.Set(field::ppp_auth, 2);
  record.Set(field::apn, "internet.m2m");
  record.Set(field::gprs_user, "meter");
  record.Set(field::gprs_password, "pa55");
  record.Set(field::server_address, "203.0.113.7");
  record.Set(field::dns1, "1.1.1.1");
  record.Set(field::dns2, "9.9.9.9");
  record.Set(field::server_port, 40001);
  record.Set(field::socket_mode, 2);
  record.Set(field::connection_mode, 1);
  record.Set(field::inactivity_time, 3000);
  record.SetFlag(field::shutdown_when_idle, true);
  record.Set(field::connect_interval, 1200);
  record.Set(field::max_retries, 60);
  record.Set(field::idle_timeout, 0);
  record.SetFlag(field::modbus_tcp_enable, true);
  page.ShowRecord(record);
  EXPECT_EQ(List("pppList")->currentText(), "CHAP");
  EXPECT_EQ(List("socketModeList")->currentText(), "UDP");
  EXPECT_EQ(List("connectionModeList")->currentText(), "Connect On Demand");
  EXPECT_EQ(Edit("portEdit")->text(), "40001");
  EXPECT_TRUE(Box("shutdownBox")->isChecked());

  ConfigRecord stored;
  ApplyFactoryDefaults(stored);
  EXPECT_EQ(page.Validate(stored), 0);
  EXPECT_EQ(stored, record);
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

using Advanced1Page = PageFixture<CAdvanced1Page>;

TEST_F(Advanced1Page, DelimiterRoamingAndCsdRules) {
  page.OnShow();
  EXPECT_EQ(Items(List("delimiterProcessList")),
            (std::vector<QString>{"Do Nothing", "Delimiter +1", "Delimiter +2", "Strip Delimiter"}));
  EXPECT_EQ(Items(List("plmnList")), (std::vector<QString>{"PLMN in SIM", "Manual"}));
  EXPECT_EQ(List("plmnList")->currentIndex(), -1);
  EXPECT_EQ(List("delimiterProcessList")->currentIndex(), -1);
  EXPECT_EQ(Edit("delimiter1Edit")->text(), "00");
  EXPECT_EQ(Edit("intervalTimeoutEdit")->text(), "2");
  EXPECT_EQ(Edit("txDelayEdit")->text(), "6");
  EXPECT_EQ(Edit("preferredPlmnEdit")->maxLength(), 6);
  EXPECT_EQ(Edit("delimiter2Edit")->maxLength(), 2);

  page.SetMainDlg(&host);
  record.Set(field::preferred_plmn, "46001");
  record.SetFlag(field::roaming_enable, false);
  page.ShowRecord(record);
  page.EnableByState();
  EXPECT_EQ(host.Take(), Calls{"column 5 off"});
  // Neither delimiter enabled: no processing, though both bytes stay editable.
  EXPECT_FALSE(List("delimiterProcessList")->isEnabled());
  EXPECT_TRUE(Edit("delimiter1Edit")->isEnabled());
  EXPECT_TRUE(Edit("delimiter2Edit")->isEnabled());
  Box("delimiter2Box")->click();
  EXPECT_TRUE(List("delimiterProcessList")->isEnabled());

  EXPECT_EQ(List("plmnList")->currentText(), "Manual");
  EXPECT_TRUE(Edit("preferredPlmnEdit")->isEnabled());
  Box("roamingBox")->click();
  EXPECT_FALSE(List("plmnList")->isEnabled());
  EXPECT_FALSE(Edit("preferredPlmnEdit")->isEnabled());
  Box("roamingBox")->click();
  EXPECT_TRUE(List("plmnList")->isEnabled());
  EXPECT_TRUE(Edit("preferredPlmnEdit")->isEnabled());
  Choose(List("plmnList"), 0);
  EXPECT_FALSE(Edit("preferredPlmnEdit")->isEnabled());
  host.Take();

  Box("csdBackupBox")->click();
  EXPECT_EQ(host.Take(), Calls{"column 5 on"});
  Box("onlineSmsBox")->click();  // changes nothing else
  EXPECT_TRUE(host.Take().empty());
  Box("csdBackupBox")->click();
  EXPECT_EQ(host.Take(), Calls{"column 5 off"});

  // An interval timeout of 1 is within the page's own range.
  Edit("intervalTimeoutEdit")->setText("1");
  page.EnableByState();
  EXPECT_EQ(page.intervalTimeout, 1);
  EXPECT_EQ(host.Take(), Calls{"column 5 off"});

  page.ClearForRead();  // tells the Phone Book nothing
  EXPECT_TRUE(host.Take().empty());
  EXPECT_EQ(Edit("intervalTimeoutEdit")->text(), "2");
  EXPECT_EQ(Edit("preferredPlmnEdit")->text(), "");
  EXPECT_FALSE(Box("delimiter2Box")->isChecked());
  page.DisableAll();
  EXPECT_TRUE(Enabled().empty());
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(Advanced1Page, ShowsARecordAndStoresItAgain) {
  page.OnShow();
  record.Set(field::interval_timeout, 100);
  record.Set(field::packet_length, 1024);
  record.Set(field::delimiter1, 0x0D);  // shown although its box is not ticked
  record.SetFlag(field::delimiter2_enable, true);
  record.Set(field::delimiter2, 0xA0);
  record.Set(field::delimiter_process, 3);
  record.Set(field::tx_delay, 50);
  record.SetFlag(field::online_sms_enable, true);
  record.SetFlag(field::csd_backup_enable, true);
  record.Set(field::sim_plmn, "46000");
  page.ShowRecord(record);
  EXPECT_EQ(Edit("delimiter1Edit")->text(), "0d");
  EXPECT_EQ(Edit("delimiter2Edit")->text(), "a0");
  EXPECT_EQ(List("plmnList")->currentText(), "PLMN in SIM");
  EXPECT_EQ(List("delimiterProcessList")->currentText(), "Strip Delimiter");
  EXPECT_EQ(Find<QLabel>("simPlmnValue")->text(), "46000");

  // A delimiter that is not enabled stores 0; without "Manual" the whole
  // preferred PLMN is cleared, whatever lay behind its terminator.
  ConfigRecord stored;
  ApplyFactoryDefaults(stored);
  for (int i = 0; i < field::preferred_plmn.width; ++i) stored.SetRawByte(field::preferred_plmn.offset + i, 0x37);
  stored.Set(field::sim_plmn, "46000");
  EXPECT_EQ(page.Validate(stored), 0);
  ConfigRecord expected = record;
  expected.Set(field::delimiter1, 0);
  EXPECT_EQ(stored, expected);

  Edit("preferredPlmnEdit")->setText("310410");
  Choose(List("plmnList"), 1);
  EXPECT_EQ(page.Validate(stored), 0);
  EXPECT_EQ(stored.Get(field::preferred_plmn), "310410");
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(Advanced1Page, BadDelimiterStopsBeforeTheRest) {
  page.OnShow();
  page.ShowRecord(record);
  const auto tryStore = [this](const char* d1, const char* d2) {
    Edit("delimiter1Edit")->setText(d1);
    Edit("delimiter2Edit")->setText(d2);
    Box("delimiter1Box")->setChecked(true);
    Box("delimiter2Box")->setChecked(true);
    Edit("intervalTimeoutEdit")->setText("9");
    Edit("txDelayEdit")->setText("7");
    List("delimiterProcessList")->setCurrentIndex(2);
    ConfigRecord stored;
    return std::make_pair(page.Validate(stored), stored);
  };
  auto [result, stored] = tryStore("d", "0a");  // one hex digit is not a byte
  EXPECT_EQ(result, -1);
  EXPECT_EQ(stored.Get(field::interval_timeout), 9);
  EXPECT_TRUE(stored.IsOn(field::delimiter1_enable));
  EXPECT_FALSE(stored.IsOn(field::delimiter2_enable));
  EXPECT_EQ(stored.Get(field::tx_delay), 0);

  std::tie(result, stored) = tryStore("0D", "g1");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(stored.Get(field::delimiter1), 0x0D);
  EXPECT_TRUE(stored.IsOn(field::delimiter2_enable));
  EXPECT_EQ(stored.Get(field::delimiter_process), 0);
  EXPECT_EQ(stored.Get(field::tx_delay), 0);
  EXPECT_EQ(sink.messages, (std::vector<std::string>{"Delimeter1 input err", "Delimeter2 input err"}));
}

using Advanced2Page = PageFixture<CAdvanced2Page>;

TEST_F(Advanced2Page, EachBlockFollowsItsEnable) {
  page.OnShow();
  EXPECT_EQ(Edit("keepaliveIntervalEdit")->text(), "40");
  EXPECT_EQ(Edit("loginIntervalEdit")->text(), "60");
  EXPECT_EQ(Edit("loginMaxRetriesEdit")->text(), "0");
  for (const char* name : {"loginRequestEdit", "keepaliveRequestEdit", "logoutRequestEdit"})
    EXPECT_EQ(Edit(name)->maxLength(), 64) << name;
  for (const char* name : {"loginAckEdit", "keepaliveAckEdit", "logoutAckEdit"})
    EXPECT_EQ(Edit(name)->maxLength(), 32) << name;

  page.EnableByState();
  EXPECT_EQ(Enabled(), (std::vector<std::string>{"keepaliveBox", "logoutBox", "loginBox"}));
  Box("loginBox")->click();
  EXPECT_EQ(Enabled(), (std::vector<std::string>{"keepaliveBox", "logoutBox", "loginBox", "loginAckEdit",
                                                 "loginRequestEdit", "loginIntervalEdit", "loginMaxRetriesEdit"}));
  Box("loginBox")->click();
  Box("keepaliveBox")->click();
  EXPECT_EQ(Enabled(), (std::vector<std::string>{"keepaliveBox", "keepaliveIntervalEdit", "keepaliveRequestEdit",
                                                 "logoutBox", "loginBox", "keepaliveAckEdit"}));
  Box("keepaliveBox")->click();
  Box("logoutBox")->click();
  EXPECT_EQ(Enabled(), (std::vector<std::string>{"keepaliveBox", "logoutBox", "loginBox", "logoutAckEdit",
                                                 "logoutRequestEdit"}));

  Edit("logoutRequestEdit")->setText("ff");
  Edit("keepaliveIntervalEdit")->setText("5");
  page.TakeValues();
  page.ClearForRead();
  EXPECT_FALSE(Box("logoutBox")->isChecked());
  EXPECT_EQ(Edit("logoutRequestEdit")->text(), "");
  EXPECT_EQ(Edit("keepaliveIntervalEdit")->text(), "40");
  page.DisableAll();
  EXPECT_TRUE(Enabled().empty());
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(Advanced2Page, ShowsPacketsAndStoresOnlyEnabledBlocks) {
  page.OnShow();
  const std::uint8_t request[] = {0x0D, 0x0A, 0xFF};
  record.Set(field::login_request, request);
  record.Set(field::login_max_retries, 5);
  record.Set(field::login_interval, 60);
  record.SetFlag(field::keepalive_enable, true);
  record.Set(field::keepalive_interval, 1200);
  const std::uint8_t ack[] = {0x4F, 0x4B};
  record.Set(field::keepalive_ack, ack);
  page.ShowRecord(record);
  EXPECT_EQ(Edit("loginRequestEdit")->text(), "0d0aff");  // shown although the block is off
  EXPECT_EQ(Edit("keepaliveAckEdit")->text(), "4f4b");
  EXPECT_EQ(Edit("keepaliveRequestEdit")->text(), "");

  // Blocks that are off keep what the record holds.
  ConfigRecord stored;
  const std::uint8_t kept[] = {0x01};
  stored.Set(field::login_request, kept);
  stored.Set(field::login_interval, 9);
  stored.Set(field::logout_ack, kept);
  const ConfigRecord before = stored;
  EXPECT_EQ(page.Validate(stored), 0);
  EXPECT_EQ(Bytes(stored, field::login_request), Bytes(before, field::login_request));
  EXPECT_EQ(stored.Get(field::login_interval), 9);
  EXPECT_EQ(Bytes(stored, field::logout_ack), Bytes(before, field::logout_ack));
  EXPECT_EQ(Bytes(stored, field::keepalive_ack), Bytes(record, field::keepalive_ack));
  EXPECT_EQ(stored.Get(field::keepalive_interval), 1200);

  // Upper-case digits, an odd last digit ignored, and an empty packet.
  Box("loginBox")->click();
  Edit("loginRequestEdit")->setText("0D0A");
  Edit("loginAckEdit")->setText("abc");
  Edit("keepaliveAckEdit")->clear();
  EXPECT_EQ(page.Validate(stored), 0);
  EXPECT_EQ(stored.Get(field::login_request), (std::vector<std::uint8_t>{0x0D, 0x0A}));
  EXPECT_EQ(stored.Get(field::login_ack), std::vector<std::uint8_t>{0xAB});
  EXPECT_EQ(stored.Get(field::login_interval), 60);
  EXPECT_EQ(stored.RawByte(field::keepalive_ack.offset), 0);
  EXPECT_TRUE(sink.messages.empty()) << (sink.messages.empty() ? "" : sink.messages.front());
}

TEST_F(Advanced2Page, EveryBadPacketHasItsMessageAndLaterBlocksStayUnstored) {
  page.OnShow();
  for (QCheckBox* box : {Box("loginBox"), Box("keepaliveBox"), Box("logoutBox")}) box->click();
  const std::pair<const char*, const char*> cases[] = {
      {"loginRequestEdit", "Login REQ Packet input err"},   {"loginAckEdit", "Login ACK Packet input err"},
      {"keepaliveRequestEdit", "Keep Alive REQ input err"}, {"keepaliveAckEdit", "Keep Alive ACK input err"},
      {"logoutRequestEdit", "Logout REQ Packet input err"}, {"logoutAckEdit", "Logout ACK Packet input err"}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    for (const auto& [name, message] : cases) Edit(name)->setText("0102");
    Edit(cases[i].first)->setText("a b");
    sink.messages.clear();
    ConfigRecord stored;
    EXPECT_EQ(page.Validate(stored), -1) << cases[i].first;
    EXPECT_EQ(sink.messages, std::vector<std::string>{cases[i].second});
    // Fields before the failing one are stored; nothing of a later block is.
    EXPECT_TRUE(stored.IsOn(field::login_enable));
    EXPECT_EQ(stored.IsOn(field::keepalive_enable), i >= 2) << cases[i].first;
    EXPECT_EQ(stored.IsOn(field::logout_enable), i >= 4) << cases[i].first;
    EXPECT_EQ(stored.Get(field::logout_ack).size(), 0u);
    EXPECT_EQ(stored.Get(field::login_ack).size(), i >= 2 ? 2u : 0u) << cases[i].first;
  }
}


// Through the window: the GPRS page's connection control and the Advanced 1
// CSD backup reach the real Wakeup, Reboot and Phone Book pages.
#ifndef _WIN32
class CrossPageEffects : public WindowWithModem {
 protected:
  template <typename T = QCheckBox>
  T* Find(const char* name) const {
    auto* widget = window->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Checked and enabled, as the operator sees a box.
  std::pair<bool, bool> Look(const char* name) const {
    const QCheckBox* box = Find(name);
    return {box->isChecked(), box->isEnabled()};
  }
};

TEST_F(CrossPageEffects, ConnectionControlAndCsdBackupSwitchTheOtherPages) {
  StartWindow();
  ConfigRecord record;
  ApplyFactoryDefaults(record);
  record.Set(field::hw_options, kHwOptionDigitalIo);
  record.Set(field::connection_mode, 0);  // "Always Online"
  record.SetFlag(field::wakeup_by_call, true);
  record.SetFlag(field::reboot_by_call, true);
  record.SetFlag(field::csd_backup_enable, true);
  record.SetPhoneBook(0, {"+8613900000001", kCallWakeup});
  record.SetPhoneBook(1, {"+8613900000002", kCallReboot});
  record.SetPhoneBook(2, {"+8613900000003", kCallCsd});
  modem->SetStoredRecord(record);
  PressOpen();
  ASSERT_TRUE(WaitUntil([&] { return Find<QLineEdit>("phoneNumber3")->text() == "+8613900000003" &&
                                     window->RunningWorkers() == 0; },
                        5000));
  using State = std::pair<bool, bool>;

  // Always online: nothing wakes the modem, yet its ticked Call keeps the
  // Phone Book's Call Wakeup column; the Reboot page keeps its Call.
  EXPECT_EQ(Look("wakeupCallBox"), State(true, false));
  EXPECT_FALSE(Find("wakeupTime1Box")->isEnabled());
  EXPECT_EQ(Look("callWakeupBox1"), State(true, true));
  EXPECT_EQ(Look("rebootCallBox"), State(true, true));
  EXPECT_EQ(Look("callRebootBox2"), State(true, true));

  auto* mode = Find<QComboBox>("connectionModeList");
  Choose(mode, 1);
  EXPECT_EQ(mode->currentText(), "Connect On Demand");
  EXPECT_EQ(Look("wakeupCallBox"), State(true, true));
  EXPECT_TRUE(Find("wakeupTime1Box")->isEnabled());

  // A module shut down when idle hears no call: Call and SMS are cleared and
  // off on both pages, and so are their Phone Book columns.
  Find("shutdownBox")->click();
  for (const char* name : {"wakeupCallBox", "wakeupSmsBox", "rebootCallBox", "rebootSmsBox", "callWakeupBox1",
                           "callRebootBox2"})
    EXPECT_EQ(Look(name), State(false, false)) << name;
  EXPECT_TRUE(Find("wakeupTime1Box")->isEnabled());
  Find("shutdownBox")->click();
  for (const char* name : {"wakeupCallBox", "wakeupSmsBox", "rebootCallBox", "rebootSmsBox"})
    EXPECT_EQ(Look(name), State(false, true)) << name;

  // Without CSD backup the Phone Book's CSD ticks go, and stay gone.
  EXPECT_EQ(Look("csdBox3"), State(true, true));
  Find("csdBackupBox")->click();
  EXPECT_EQ(Look("csdBox3"), State(false, false));
  Find("csdBackupBox")->click();
  EXPECT_EQ(Look("csdBox3"), State(false, true));
  EXPECT_EQ(texts, std::vector<std::string>{"Operation succeed!"});  // the read on opening, and nothing else
}

#endif  // _WIN32

}  // namespace
}  // namespace telvaro
