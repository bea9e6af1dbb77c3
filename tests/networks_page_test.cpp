// The Networks page: status codes, signal level, counters and clearing, on the
// page alone and through the main window against the simulated modem.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "widgets/icons.h"
#include "app/main_dialog.h"
#include "record/config_record.h"
#ifndef _WIN32  // the simulated modem needs a POSIX pseudo-terminal
#include "sim/modem_sim.h"
#endif
#include "pages/networks_page.h"
#include "tests/gui_test_support.h"
#include "tests/recording_sink.h"

// Readable QString values in failure output.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace telvaro {
namespace {

const char* const kValueLabels[] = {"smsCenterValue", "registrationValue", "operatorValue",  "cellIdValue",
                                    "localIpValue",   "gprsStatusValue",   "tcpStatusValue", "txBytesValue",
                                    "rxBytesValue",   "rssiLabel",         "dbLabel"};

class NetworksPage : public ::testing::Test {
 protected:
  QString Text(const char* name) const {
    auto* label = page.findChild<QLabel*>(name);
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString("<missing>");
  }
  QLineEdit* Edit() const { return page.findChild<QLineEdit*>("updateFrequency"); }

  // True when the icon button shows the signal picture with `bars` lit.
  bool ShowsBars(int bars) const {
    auto* button = page.findChild<QToolButton*>("signalIcon");
    if (!button) return false;
    return button->icon().pixmap(24, 24).toImage() == icons::SignalLevel(bars).pixmap(24, 24).toImage();
  }

  void Show(ConfigRecord r) { page.ShowRecord(r); }

  RecordingSink sink;
  CNetworksPage page{nullptr, &sink};
  ConfigRecord record;
};

TEST_F(NetworksPage, LayoutFitsThePageAndStartsWithoutSignal) {
  EXPECT_EQ(page.objectName(), "CNetworksPage");
  EXPECT_EQ(page.size(), QSize(430, 380));

  std::vector<QString> titles;
  for (auto* group : page.findChildren<QGroupBox*>()) titles.push_back(group->title());
  EXPECT_EQ(titles, (std::vector<QString>{"SMS Service Center", "Network", "Rx Level", "GPRS Status"}));
  std::vector<QString> texts;
  for (auto* label : page.findChildren<QLabel*>()) texts.push_back(label->text());
  for (const char* fixed : {"*Click \"Read\" to refresh the status", "Registration:", "GSM Operator:", "Cell ID:",
                            "Update Frequency", "Sec (recommand 30 seconds)", "Local IP:", "GPRS Status:",
                            "TCP Status:", "Tx (byte):", "Rx (byte):"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), QString(fixed)), texts.end()) << fixed;
  // Values an operator copies can be selected with the mouse.
  for (const char* name : {"operatorValue", "cellIdValue", "localIpValue"})
    EXPECT_TRUE(page.findChild<QLabel*>(name)->textInteractionFlags() & Qt::TextSelectableByMouse) << name;

  // Every control lies inside the page and inside its own parent.
  for (auto* widget : page.findChildren<QWidget*>()) {
    const QRect onPage(widget->mapTo(&page, QPoint(0, 0)), widget->size());
    EXPECT_TRUE(page.rect().contains(onPage)) << widget->objectName().toStdString();
    EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry())) << widget->objectName().toStdString();
  }

  // No signal until a record arrives; the edit is the only input.
  EXPECT_EQ(Text("rssiLabel"), "RSSI: 0");
  EXPECT_EQ(Text("dbLabel"), "-113DB");
  EXPECT_EQ(page.SignalBars(), 0);
  EXPECT_TRUE(ShowsBars(0));
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(page.InputControls(), std::vector<QWidget*>{Edit()});
  page.DisableAll();
  EXPECT_FALSE(Edit()->isEnabled());
  page.EnableByState();
  EXPECT_TRUE(Edit()->isEnabled());
}

TEST_F(NetworksPage, RegistrationGprsAndTcpCodes) {
  const std::vector<std::pair<int, QString>> registration{{0, "Searching new operator"},
                                                          {1, "Registered to home network"},
                                                          {2, "Searching new operator"},
                                                          {3, "Registration denied"},
                                                          {4, "Unknown"},
                                                          {5, "Registered, roaming"},
                                                          {6, "Unknown"},
                                                          {255, "Unknown"}};
  for (const auto& [code, text] : registration) {
    record.Set(field::reg_status, static_cast<std::uint8_t>(code));
    Show(record);
    EXPECT_EQ(Text("registrationValue"), text) << code;
  }

  // The two link tables are offset: "Down" is GPRS code 0 but TCP code 6.
  record.Set(field::gprs_status, 0);
  for (std::uint8_t tcp : {std::uint8_t{0}, std::uint8_t{1}}) {
    record.Set(field::tcp_status, tcp);
    Show(record);
    EXPECT_EQ(Text("gprsStatusValue"), "Down");
    EXPECT_EQ(Text("tcpStatusValue"), "Unknown") << int(tcp);
  }
  record.Set(field::gprs_status, 4);
  record.Set(field::tcp_status, 6);
  Show(record);
  EXPECT_EQ(Text("gprsStatusValue"), "Closing");
  EXPECT_EQ(Text("tcpStatusValue"), "Down");
  record.Set(field::gprs_status, 5);
  record.Set(field::tcp_status, 2);
  Show(record);
  EXPECT_EQ(Text("gprsStatusValue"), "Unknown");
  EXPECT_EQ(Text("tcpStatusValue"), "Allocated");
}

TEST_F(NetworksPage, SignalLevelTextsAndBars) {
  struct Case {
    std::uint8_t rssi;
    QString rssiText;
    QString dbText;
    int bars;
  };
  const Case cases[] = {{0, "RSSI: 0", "-113DB", 0},   {99, "RSSI: 0", "-113DB", 0}, {31, "RSSI: 31", "-51DB", 3},
                        {10, "RSSI: 10", "-93DB", 2},  {1, "RSSI: 1", "-111DB", 1},  {9, "RSSI: 9", "-95DB", 1},
                        {19, "RSSI: 19", "-75DB", 2},  {20, "RSSI: 20", "-73DB", 3}, {32, "RSSI: 0", "-113DB", 0},
                        {255, "RSSI: 0", "-113DB", 0}};
  for (const Case& c : cases) {
    record.Set(field::rssi, c.rssi);
    Show(record);
    EXPECT_EQ(Text("rssiLabel"), c.rssiText) << int(c.rssi);
    EXPECT_EQ(Text("dbLabel"), c.dbText) << int(c.rssi);
    EXPECT_EQ(page.SignalBars(), c.bars) << int(c.rssi);
    EXPECT_TRUE(ShowsBars(c.bars)) << int(c.rssi);
  }
  // Callers outside a record may pass any int.
  page.ShowSignalLevel(-5);
  EXPECT_EQ(Text("rssiLabel"), "RSSI: 0");
  EXPECT_EQ(page.SignalBars(), 0);
}

TEST_F(NetworksPage, ShowRecordFillsEveryValueAndClearForReadEmptiesThem) {
  record.Set(field::sms_center, "+491700000000");
  record.Set(field::rssi_interval, 65535);
  record.Set(field::reg_status, 5);
  record.Set(field::cell_id, "4E2F");
  record.Set(field::operator_name, "Caf\xe9 <b>Net</b>");  // 8-bit text with markup characters
  record.Set(field::rssi, 23);
  record.Set(field::local_ip, "10.64.12.7");
  record.Set(field::gprs_status, 2);
  record.Set(field::tcp_status, 4);
  record.Set(field::tx_bytes, 0xFFFFFFFFu);
  record.Set(field::rx_bytes, 0x80000000u);
  Show(record);

  EXPECT_EQ(Text("smsCenterValue"), "+491700000000");
  EXPECT_EQ(Edit()->text(), "65535");
  EXPECT_EQ(page.updateFrequency, "65535");
  EXPECT_EQ(Text("registrationValue"), "Registered, roaming");
  EXPECT_EQ(Text("cellIdValue"), "4E2F");
  EXPECT_EQ(Text("operatorValue"), QString::fromUtf8("Caf\u00e9 <b>Net</b>"));
  EXPECT_EQ(page.findChild<QLabel*>("operatorValue")->textFormat(), Qt::PlainText);
  EXPECT_EQ(Text("rssiLabel"), "RSSI: 23");
  EXPECT_EQ(Text("dbLabel"), "-67DB");
  EXPECT_EQ(page.SignalBars(), 3);
  EXPECT_EQ(Text("localIpValue"), "10.64.12.7");
  EXPECT_EQ(Text("gprsStatusValue"), "Up");
  EXPECT_EQ(Text("tcpStatusValue"), "Up");
  EXPECT_EQ(Text("txBytesValue"), "-1");  // signed 32-bit, as the modem counts
  EXPECT_EQ(Text("rxBytesValue"), "-2147483648");

  record.Set(field::tx_bytes, 18432u);
  record.Set(field::rx_bytes, 0u);
  record.Set(field::rssi_interval, 0);
  Show(record);
  EXPECT_EQ(Text("txBytesValue"), "18432");
  EXPECT_EQ(Text("rxBytesValue"), "0");
  EXPECT_EQ(Edit()->text(), "0");

  page.ClearForRead();
  EXPECT_EQ(Text("registrationValue"), "Registration:");
  EXPECT_EQ(Text("cellIdValue"), "Cell ID:");
  EXPECT_EQ(Text("operatorValue"), "GSM Operator:");
  for (const char* name : {"smsCenterValue", "localIpValue", "gprsStatusValue", "tcpStatusValue", "txBytesValue",
                           "rxBytesValue"})
    EXPECT_EQ(Text(name), "") << name;
  EXPECT_EQ(Text("rssiLabel"), "RSSI: 0");
  EXPECT_EQ(Text("dbLabel"), "-113DB");
  EXPECT_EQ(page.SignalBars(), 0);
  EXPECT_TRUE(ShowsBars(0));
  EXPECT_EQ(page.updateFrequency, "");
  EXPECT_EQ(Edit()->text(), "");
  EXPECT_TRUE(sink.messages.empty());
}

// The window fills the page from every parameter response, and resets the
// signal after each press of the switch button.
#ifndef _WIN32
class NetworksWindow : public WindowWithModem {
 protected:
  QString Text(const char* name) const { return window->findChild<QLabel*>(name)->text(); }
};

TEST_F(NetworksWindow, OpeningThePortShowsTheModemStatus) {
  StartWindow();
  for (const char* name : kValueLabels) ASSERT_NE(window->findChild<QLabel*>(name), nullptr) << name;

  QPushButton* switchButton = PressOpen();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty(); }, 5000));
  EXPECT_EQ(texts, std::vector<std::string>{"Operation succeed!"});

  EXPECT_EQ(Text("operatorValue"), "Telvaro Net");
  EXPECT_EQ(Text("registrationValue"), "Registered to home network");
  EXPECT_EQ(Text("rssiLabel"), "RSSI: 23");
  EXPECT_EQ(Text("dbLabel"), "-67DB");
  EXPECT_EQ(window->findChild<QLineEdit*>("updateFrequency")->text(), "30");
  EXPECT_TRUE(window->findChild<QLineEdit*>("updateFrequency")->isEnabled());

  // Closing the port drops the signal but keeps the last status shown.
  switchButton->click();
  EXPECT_EQ(switchButton->text(), "Open");
  EXPECT_EQ(Text("rssiLabel"), "RSSI: 0");
  EXPECT_EQ(Text("dbLabel"), "-113DB");
  EXPECT_EQ(Text("operatorValue"), "Telvaro Net");
}

#endif  // _WIN32

}  // namespace
}  // namespace telvaro
