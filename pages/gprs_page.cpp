#include "pages/gprs_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

namespace {

using namespace layout;

// The DNS choice is the page's own; the record keeps only the servers.
constexpr const char* kDnsItemTexts[] = {QT_TRANSLATE_NOOP("telvaro::ItemList", "Use Peer DNS"),
                                         QT_TRANSLATE_NOOP("telvaro::ItemList", "Manual")};
const ItemList kDnsItems{"Dns", kDnsItemTexts};
constexpr int kDnsManual = 1;
constexpr int kSocketTcpServer = 1;
constexpr int kAlwaysOnline = 0;

// Wakeup modes the connection control allows.
constexpr int kWakeupNone = 0;
constexpr int kWakeupAll = 1;
constexpr int kWakeupScheduleOnly = 2;

constexpr int kLeftCaptionX = 10;
constexpr int kLeftFieldX = 84;
constexpr int kRightCaptionX = 214;
constexpr int kRightFieldX = 280;

// The shut-down box's caption wraps onto two lines, which a check box cannot
// do itself; a click on the caption clicks the box, as on the box's own text.
class BoxCaption : public QLabel {
 public:
  BoxCaption(const QString& text, QCheckBox* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    setWordWrap(true);
    setBuddy(box);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) box_->click();
  }

 private:
  QCheckBox* box_;
};

}  // namespace

CGprsPage::CGprsPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CGprsPage"));

  QGroupBox* isp = Group(this, tr("ISP"), 8, 2, 414, GroupHeight(4));
  Label(isp, tr("APN"), kLeftCaptionX, Row(0), 70);
  apnEdit_ = Edit(isp, "apnEdit", kLeftFieldX, Row(0), 120);
  Label(isp, tr("User Name"), kLeftCaptionX, Row(1), 70);
  userEdit_ = Edit(isp, "userEdit", kLeftFieldX, Row(1), 120);
  Label(isp, tr("Password"), kLeftCaptionX, Row(2), 70);
  passwordEdit_ = Edit(isp, "passwordEdit", kLeftFieldX, Row(2), 120);
  Label(isp, tr("DNS"), kRightCaptionX, Row(0), 60);
  dnsList_ = List(isp, "dnsList", kRightFieldX, Row(0), 124);
  Label(isp, tr("DNS 1"), kRightCaptionX, Row(1), 60);
  dns1Edit_ = Edit(isp, "dns1Edit", kRightFieldX, Row(1), 124);
  Label(isp, tr("DNS 2"), kRightCaptionX, Row(2), 60);
  dns2Edit_ = Edit(isp, "dns2Edit", kRightFieldX, Row(2), 124);
  Label(isp, tr("PPP Authentication Type"), kLeftCaptionX, Row(3), 150);
  pppList_ = List(isp, "pppList", 164, Row(3), 130);

  const int socketY = isp->geometry().bottom() + 4;
  QGroupBox* socket = Group(this, tr("Socket Application"), 8, socketY, 414, GroupHeight(2));
  Label(socket, tr("Mode"), kLeftCaptionX, Row(0), 70);
  socketModeList_ = List(socket, "socketModeList", kLeftFieldX, Row(0), 120);
  Label(socket, tr("IP/URL"), kLeftCaptionX, Row(1), 70);
  serverAddressEdit_ = Edit(socket, "serverAddressEdit", kLeftFieldX, Row(1), 120);
  Label(socket, tr("Port"), kRightCaptionX, Row(0), 60);
  portEdit_ = Edit(socket, "portEdit", kRightFieldX, Row(0), 70);
  modbusBox_ = Check(socket, tr("Modbus RTU Slave Over TCP"), "modbusBox", kRightCaptionX, Row(1), 190);

  // The shut-down box's caption takes two lines beside the mode, so the
  // rows under it start lower.
  const int controlY = socket->geometry().bottom() + 4;
  constexpr int kCaptionHeight = 34;
  const auto controlRow = [](int n) { return Row(n) + kCaptionHeight - kRowHeight + 4; };
  QGroupBox* control = Group(this, tr("Connection Control"), 8, controlY, 414, controlRow(4) + kRowHeight + 8);
  Label(control, tr("Mode"), kLeftCaptionX, Row(0), 70);
  connectionModeList_ = List(control, "connectionModeList", kLeftFieldX, Row(0), 150);
  shutdownBox_ = Check(control, QString(), "shutdownBox", 246, Row(0), 18);
  shutdownText_ = new BoxCaption(tr(" Shut Down Module      When Idle"), shutdownBox_, control);
  shutdownText_->setObjectName("shutdownText");
  shutdownText_->setGeometry(264, Row(0) + kRowHeight / 2 - kCaptionHeight / 2, 136, kCaptionHeight);
  constexpr int kNumberX = 180;
  constexpr int kNumberWidth = 56;
  constexpr int kHintX = kNumberX + kNumberWidth + 6;
  const auto numberRow = [&](const QString& caption, const char* name, const QString& hint, int n) {
    Label(control, caption, kLeftCaptionX, controlRow(n), kNumberX - kLeftCaptionX - 2);
    QLineEdit* edit = Edit(control, name, kNumberX, controlRow(n), kNumberWidth);
    Label(control, hint, kHintX, controlRow(n), 80);
    return edit;
  };
  inactivityTimeEdit_ = numberRow(tr("Inactivity Time (s)"), "inactivityTimeEdit", tr("(5 - 1200)"), 1);
  connectIntervalEdit_ = numberRow(tr("Connect Interval (s)"), "connectIntervalEdit", tr("(10 - 1200)"), 2);
  maxRetriesEdit_ = numberRow(tr("Max Retries"), "maxRetriesEdit", tr("(1 - 60)"), 3);
  idleTimeoutEdit_ = numberRow(tr("Connection IdleTimeout (s)"), "idleTimeoutEdit", tr("(0 - 1200)"), 4);

  // The PPP list's items are part of the page itself; the other three lists
  // are filled on show. None has a selection until a record arrives.
  FillList(pppList_, items::PppAuth);
  pppList_->setCurrentIndex(-1);

  ValueExchange& x = Exchange();
  x.List(pppList_).Link(field::ppp_auth);
  x.List(dnsList_);  // not stored: both DNS texts empty means the peer's DNS
  x.List(connectionModeList_).Link(field::connection_mode);
  x.List(socketModeList_).Link(field::socket_mode);
  x.Text(apnEdit_, &apn, TextLimit(field::apn)).Link(field::apn);
  x.Text(userEdit_, &user, TextLimit(field::gprs_user)).Link(field::gprs_user);
  x.Text(passwordEdit_, &password, TextLimit(field::gprs_password)).Link(field::gprs_password);
  // The record holds 20 characters: the box never takes more, so nothing is
  // cut on the way to the modem.
  x.Text(serverAddressEdit_, &serverAddress, TextLimit(field::server_address)).Link(field::server_address);
  x.Signed(portEdit_, &port, RangeOf(field::server_port)).Link(field::server_port);
  x.Signed(inactivityTimeEdit_, &inactivityTime, RangeOf(field::inactivity_time)).Link(field::inactivity_time);
  x.Text(dns1Edit_, &dns1, TextLimit(field::dns1)).Link(field::dns1);
  x.Signed(connectIntervalEdit_, &connectInterval, RangeOf(field::connect_interval)).Link(field::connect_interval);
  x.Signed(maxRetriesEdit_, &maxRetries, RangeOf(field::max_retries)).Link(field::max_retries);
  x.Text(dns2Edit_, &dns2, TextLimit(field::dns2)).Link(field::dns2);
  x.Check(shutdownBox_, &shutdownWhenIdle).Link(field::shutdown_when_idle);
  x.Check(modbusBox_, &modbusOverTcp).Link(field::modbus_tcp_enable);
  x.Signed(idleTimeoutEdit_, &idleTimeout, RangeOf(field::idle_timeout)).Link(field::idle_timeout);

  // Only the operator's own choices re-run the enabling rule: a record being
  // shown sets the lists too, and must not send cross-page calls half-way.
  for (QComboBox* list : {socketModeList_, connectionModeList_, dnsList_})
    connect(list, &QComboBox::activated, this, [this] { EnableByState(); });
  connect(shutdownBox_, &QCheckBox::clicked, this, [this] { EnableByState(); });
  ShowValues();  // the start values, before on show takes them
}

void CGprsPage::OnShow() {
  TakeValues();
  FillList(dnsList_, kDnsItems);
  FillList(socketModeList_, items::SocketMode);
  FillList(connectionModeList_, items::ConnectionMode);
  for (QComboBox* list : {dnsList_, socketModeList_, connectionModeList_}) list->setCurrentIndex(-1);
  EnableByState();
  ShowValues();
}

void CGprsPage::DisableAll() {
  ConfigPage::DisableAll();
  shutdownText_->setEnabled(false);
}

void CGprsPage::EnableByState() {
  // A failed take has shown its message; the rule goes on with the values kept.
  TakeValues();
  for (QWidget* w : {static_cast<QWidget*>(apnEdit_), static_cast<QWidget*>(userEdit_),
                     static_cast<QWidget*>(passwordEdit_), static_cast<QWidget*>(dnsList_)})
    w->setEnabled(true);

  // Servers only mean something when they are typed in; the peer's DNS
  // leaves none behind.
  const bool manualDns = dnsList_->currentIndex() == kDnsManual;
  dns1Edit_->setEnabled(manualDns);
  dns2Edit_->setEnabled(manualDns);
  if (!manualDns) {
    dns1.clear();
    dns2.clear();
  }

  pppList_->setEnabled(true);
  socketModeList_->setEnabled(true);
  // A server listens: it has no address to reach, but keeps the one typed.
  serverAddressEdit_->setEnabled(socketModeList_->currentIndex() != kSocketTcpServer);
  portEdit_->setEnabled(true);

  connectionModeList_->setEnabled(true);
  const bool alwaysOnline = connectionModeList_->currentIndex() == kAlwaysOnline;
  inactivityTimeEdit_->setEnabled(!alwaysOnline);
  shutdownBox_->setEnabled(!alwaysOnline);
  shutdownText_->setEnabled(!alwaysOnline);
  if (mainDlg != nullptr) {
    if (alwaysOnline) {
      // Nothing wakes a modem that never goes offline; the Reboot page keeps
      // what it offered.
      mainDlg->SetWakeupMode(kWakeupNone);
    } else if (shutdownWhenIdle == 1) {
      // A module shut down hears neither calls nor SMS.
      mainDlg->SetWakeupMode(kWakeupScheduleOnly);
      mainDlg->SetRebootAvailability(1);
    } else {
      mainDlg->SetWakeupMode(kWakeupAll);
      mainDlg->SetRebootAvailability(0);
    }
  }

  connectIntervalEdit_->setEnabled(true);
  maxRetriesEdit_->setEnabled(true);
  modbusBox_->setEnabled(true);
  idleTimeoutEdit_->setEnabled(alwaysOnline);
  ShowValues();
}

void CGprsPage::ClearForRead() {
  // The lists keep their selections.
  apn.clear();
  user.clear();
  password.clear();
  serverAddress.clear();
  dns1.clear();
  dns2.clear();
  port = 8888;
  inactivityTime = 2;
  connectInterval = 60;
  maxRetries = 5;
  idleTimeout = 180;
  shutdownWhenIdle = 0;
  modbusOverTcp = 0;
  ShowValues();
}

void CGprsPage::ShowRecord(ConfigRecord& record) {
  ConfigPage::ShowRecord(record);
  const bool anyDns = !record.Get(field::dns1).empty() || !record.Get(field::dns2).empty();
  dnsList_->setCurrentIndex(anyDns ? kDnsManual : 0);
}

}  // namespace telvaro
