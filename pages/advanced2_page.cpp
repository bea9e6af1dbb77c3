#include "pages/advanced2_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

namespace {

using namespace layout;

// Hex digits the boxes take: two per byte, as many as the pages may put
// into a packet's data area.

constexpr int kCaptionX = 10;
constexpr int kFieldX = 114;
constexpr int kPacketWidth = 290;

// Stores run block by block, request before acknowledgement, so a bad packet
// leaves every later block as the record had it.
enum StoreRank { kLogin = 1, kLoginRequest, kLoginAck, kKeepalive, kKeepaliveRequest, kKeepaliveAck, kLogout,
                 kLogoutRequest, kLogoutAck };

}  // namespace

CAdvanced2Page::CAdvanced2Page(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CAdvanced2Page"));

  QGroupBox* login = Group(this, tr("Custom Login"), 8, 2, 414, GroupHeight(4));
  loginBox_ = Check(login, tr("Enable"), "loginBox", kCaptionX, Row(0), 80);
  Label(login, tr("Interval (s)"), kCaptionX, Row(1), 100);
  loginIntervalEdit_ = Edit(login, "loginIntervalEdit", kFieldX, Row(1), 44);
  Label(login, tr("(5 - 120)"), 164, Row(1), 60);
  Label(login, tr("Max Retries"), 234, Row(1), 70);
  loginMaxRetriesEdit_ = Edit(login, "loginMaxRetriesEdit", 306, Row(1), 36);
  Label(login, tr("(0 - 60)"), 348, Row(1), 56);
  Label(login, tr("REQ Packet (0x)"), kCaptionX, Row(2), 100);
  loginRequestEdit_ = Edit(login, "loginRequestEdit", kFieldX, Row(2), kPacketWidth);
  Label(login, tr("ACK Packet (0x)"), kCaptionX, Row(3), 100);
  loginAckEdit_ = Edit(login, "loginAckEdit", kFieldX, Row(3), kPacketWidth);

  QGroupBox* keepalive = Group(this, tr("Custom Keep Alive"), 8, login->geometry().bottom() + 4, 414, GroupHeight(4));
  keepaliveBox_ = Check(keepalive, tr("Enable"), "keepaliveBox", kCaptionX, Row(0), 80);
  Label(keepalive, tr("Interval (s)"), kCaptionX, Row(1), 100);
  keepaliveIntervalEdit_ = Edit(keepalive, "keepaliveIntervalEdit", kFieldX, Row(1), 44);
  Label(keepalive, tr("(5 - 1200)"), 164, Row(1), 70);
  Label(keepalive, tr("REQ Packet (0x)"), kCaptionX, Row(2), 100);
  keepaliveRequestEdit_ = Edit(keepalive, "keepaliveRequestEdit", kFieldX, Row(2), kPacketWidth);
  Label(keepalive, tr("ACK Packet (0x)"), kCaptionX, Row(3), 100);
  keepaliveAckEdit_ = Edit(keepalive, "keepaliveAckEdit", kFieldX, Row(3), kPacketWidth);

  QGroupBox* logout = Group(this, tr("Custom Logout"), 8, keepalive->geometry().bottom() + 4, 414, GroupHeight(3));
  logoutBox_ = Check(logout, tr("Enable"), "logoutBox", kCaptionX, Row(0), 80);
  Label(logout, tr("REQ Packet (0x)"), kCaptionX, Row(1), 100);
  logoutRequestEdit_ = Edit(logout, "logoutRequestEdit", kFieldX, Row(1), kPacketWidth);
  Label(logout, tr("ACK Packet (0x)"), kCaptionX, Row(2), 100);
  logoutAckEdit_ = Edit(logout, "logoutAckEdit", kFieldX, Row(2), kPacketWidth);

  ValueExchange& x = Exchange();
  x.Check(keepaliveBox_, &keepaliveEnable).Link(field::keepalive_enable).Rank(kKeepalive);
  x.Signed(keepaliveIntervalEdit_, &keepaliveInterval, RangeOf(field::keepalive_interval))
      .Link(field::keepalive_interval).When(&keepaliveEnable).Rank(kKeepalive);
  x.Text(keepaliveRequestEdit_, &keepaliveRequest, TextLimit(field::keepalive_request))
      .LinkHexPacket(field::keepalive_request, MessageOf(field::keepalive_request)).When(&keepaliveEnable).Rank(kKeepaliveRequest);
  x.Check(logoutBox_, &logoutEnable).Link(field::logout_enable).Rank(kLogout);
  x.Check(loginBox_, &loginEnable).Link(field::login_enable).Rank(kLogin);
  x.Text(keepaliveAckEdit_, &keepaliveAck, TextLimit(field::keepalive_ack))
      .LinkHexPacket(field::keepalive_ack, MessageOf(field::keepalive_ack)).When(&keepaliveEnable).Rank(kKeepaliveAck);
  x.Text(loginAckEdit_, &loginAck, TextLimit(field::login_ack))
      .LinkHexPacket(field::login_ack, MessageOf(field::login_ack)).When(&loginEnable).Rank(kLoginAck);
  x.Text(loginRequestEdit_, &loginRequest, TextLimit(field::login_request))
      .LinkHexPacket(field::login_request, MessageOf(field::login_request)).When(&loginEnable).Rank(kLoginRequest);
  x.Signed(loginIntervalEdit_, &loginInterval, RangeOf(field::login_interval)).Link(field::login_interval).When(&loginEnable).Rank(kLogin);
  x.Signed(loginMaxRetriesEdit_, &loginMaxRetries, RangeOf(field::login_max_retries))
      .Link(field::login_max_retries).When(&loginEnable).Rank(kLogin);
  x.Text(logoutAckEdit_, &logoutAck, TextLimit(field::logout_ack))
      .LinkHexPacket(field::logout_ack, MessageOf(field::logout_ack)).When(&logoutEnable).Rank(kLogoutAck);
  x.Text(logoutRequestEdit_, &logoutRequest, TextLimit(field::logout_request))
      .LinkHexPacket(field::logout_request, MessageOf(field::logout_request)).When(&logoutEnable).Rank(kLogoutRequest);

  for (QCheckBox* box : {loginBox_, keepaliveBox_, logoutBox_})
    connect(box, &QCheckBox::clicked, this, [this] { EnableByState(); });
  ShowValues();
}

void CAdvanced2Page::SetStartValues() {
  keepaliveEnable = 0;
  keepaliveInterval = 40;
  keepaliveRequest.clear();
  logoutEnable = 0;
  loginEnable = 0;
  keepaliveAck.clear();
  loginAck.clear();
  loginRequest.clear();
  loginInterval = 60;
  loginMaxRetries = 0;
  logoutAck.clear();
  logoutRequest.clear();
}

void CAdvanced2Page::OnShow() {
  // The controls already show these from the page's creation.
  SetStartValues();
}

void CAdvanced2Page::EnableByState() {
  // A failed take has shown its message; the rule goes on with the values kept.
  TakeValues();
  const bool login = loginEnable == 1;
  loginBox_->setEnabled(true);
  for (QWidget* w : {static_cast<QWidget*>(loginMaxRetriesEdit_), static_cast<QWidget*>(loginIntervalEdit_),
                     static_cast<QWidget*>(loginRequestEdit_), static_cast<QWidget*>(loginAckEdit_)})
    w->setEnabled(login);
  const bool keepalive = keepaliveEnable == 1;
  keepaliveBox_->setEnabled(true);
  for (QWidget* w : {static_cast<QWidget*>(keepaliveIntervalEdit_), static_cast<QWidget*>(keepaliveRequestEdit_),
                     static_cast<QWidget*>(keepaliveAckEdit_)})
    w->setEnabled(keepalive);
  const bool logout = logoutEnable == 1;
  logoutBox_->setEnabled(true);
  logoutRequestEdit_->setEnabled(logout);
  logoutAckEdit_->setEnabled(logout);
  ShowValues();
}

void CAdvanced2Page::ClearForRead() {
  SetStartValues();
  ShowValues();
}

}  // namespace telvaro
