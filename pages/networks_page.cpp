#include "pages/networks_page.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "widgets/icons.h"
#include "base/session_events.h"
#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/conversions.h"
#include "record/setting_rules.h"
#include "status/status_decoders.h"

namespace telvaro {

namespace {

constexpr int kRowHeight = 20;
constexpr int kCaptionX = 14;
constexpr int kCaptionWidth = 112;
constexpr int kValueX = kCaptionX + kCaptionWidth + 6;
constexpr int kValueWidth = 270;
constexpr int kIconSize = 24;
// Rows of a group start below its title and follow each other at this pitch.
constexpr int kFirstRowY = 20;
constexpr int kRowPitch = 20;
// How often the modem measures its signal, in seconds.

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, int width) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(x, y, width, kRowHeight);
  return label;
}

// Value labels show whatever the modem sent, as plain text.
QLabel* AddValue(QWidget* parent, const char* name, int x, int y, int width) {
  return layout::Value(parent, name, x, y, width, kRowHeight);
}

// A caption and its value label on one row of a group.
QLabel* AddRow(QWidget* group, const QString& caption, const char* name, int y) {
  AddLabel(group, caption, kCaptionX, y, kCaptionWidth);
  return AddValue(group, name, kValueX, y, kValueWidth);
}

}  // namespace

CNetworksPage::CNetworksPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CNetworksPage"));
  // The status changes on a parameter response: a Read, or the monitor's poll.
  AddLabel(this, tr("*Click \"Read\" to refresh the status"), 12, 4, 400);

  auto* smsGroup = new QGroupBox(tr("SMS Service Center"), this);
  smsGroup->setGeometry(8, 26, 414, 44);
  smsCenterValue_ = AddValue(smsGroup, "smsCenterValue", kCaptionX, kFirstRowY, 386);

  auto* networkGroup = new QGroupBox(tr("Network"), this);
  networkGroup->setGeometry(8, 76, 414, 84);
  registrationValue_ = AddRow(networkGroup, tr("Registration:"), "registrationValue", kFirstRowY);
  operatorValue_ = AddRow(networkGroup, tr("GSM Operator:"), "operatorValue", kFirstRowY + kRowPitch);
  cellIdValue_ = AddRow(networkGroup, tr("Cell ID:"), "cellIdValue", kFirstRowY + 2 * kRowPitch);

  auto* rxGroup = new QGroupBox(tr("Rx Level"), this);
  rxGroup->setGeometry(8, 166, 414, 72);
  rssiLabel_ = AddValue(rxGroup, "rssiLabel", kCaptionX, kFirstRowY, kCaptionWidth);
  rssiLabel_->setText(tr("RSSI:"));
  // Only shows a picture: it takes neither focus nor clicks.
  signalIcon_ = new QToolButton(rxGroup);
  signalIcon_->setObjectName("signalIcon");
  signalIcon_->setAutoRaise(true);
  signalIcon_->setFocusPolicy(Qt::NoFocus);
  signalIcon_->setAttribute(Qt::WA_TransparentForMouseEvents);
  signalIcon_->setIconSize(QSize(kIconSize, kIconSize));
  signalIcon_->setAccessibleDescription(tr("The modem's signal strength in bars, from the last Read"));
  signalIcon_->setGeometry(kValueX, kFirstRowY - 4, kIconSize + 4, kIconSize + 4);
  auto* antenna = new QLabel(rxGroup);
  antenna->setObjectName("antennaIcon");
  antenna->setPixmap(icons::Antenna().pixmap(kIconSize, kIconSize));
  antenna->setAccessibleName(tr("Antenna"));
  antenna->setAccessibleDescription(tr("Beside the signal bars of the modem's antenna"));
  antenna->setGeometry(kValueX + kIconSize + 8, kFirstRowY - 4, kIconSize, kIconSize + 4);
  dbLabel_ = AddValue(rxGroup, "dbLabel", kValueX + 2 * kIconSize + 16, kFirstRowY, 80);
  dbLabel_->setText(tr("DB"));
  monitorButton_ = new QToolButton(rxGroup);
  monitorButton_->setObjectName("monitorButton");
  monitorButton_->setText(tr("Monitor"));
  monitorButton_->setCheckable(true);
  monitorButton_->setToolTip(tr("Ask the modem for its status every few seconds while nothing else runs"));
  monitorButton_->setGeometry(kValueX + 2 * kIconSize + 16 + 84, kFirstRowY - 2, 96, kRowHeight + 2);
  AddLabel(rxGroup, tr("Update Frequency"), kCaptionX, kFirstRowY + 26, kCaptionWidth);
  updateFrequencyEdit_ = new QLineEdit(rxGroup);
  updateFrequencyEdit_->setObjectName("updateFrequency");
  updateFrequencyEdit_->setGeometry(kValueX, kFirstRowY + 26, 60, kRowHeight);
  AddLabel(rxGroup, tr("Sec (recommand 30 seconds)"), kValueX + 68, kFirstRowY + 26, 200);

  auto* gprsGroup = new QGroupBox(tr("GPRS Status"), this);
  gprsGroup->setGeometry(8, 244, 414, 124);
  localIpValue_ = AddRow(gprsGroup, tr("Local IP:"), "localIpValue", kFirstRowY);
  gprsStatusValue_ = AddRow(gprsGroup, tr("GPRS Status:"), "gprsStatusValue", kFirstRowY + kRowPitch);
  tcpStatusValue_ = AddRow(gprsGroup, tr("TCP Status:"), "tcpStatusValue", kFirstRowY + 2 * kRowPitch);
  txBytesValue_ = AddRow(gprsGroup, tr("Tx (byte):"), "txBytesValue", kFirstRowY + 3 * kRowPitch);
  rxBytesValue_ = AddRow(gprsGroup, tr("Rx (byte):"), "rxBytesValue", kFirstRowY + 4 * kRowPitch);

  Exchange().Text(updateFrequencyEdit_, &updateFrequency, 0);
  ShowSignalLevel(0);
}

void CNetworksPage::ShowSignalLevel(int rssi) {
  const SignalLevel level = DecodeSignalLevel(rssi);
  signalBars_ = level.bars;
  signalIcon_->setIcon(icons::SignalLevel(level.bars));
  // A picture only: a screen reader says what it shows.
  signalIcon_->setAccessibleName(tr("Signal: %1 of 3 bars").arg(level.bars));
  rssiLabel_->setText(QString::fromStdString(level.rssiText));
  dbLabel_->setText(QString::fromStdString(level.dbText));
}

void CNetworksPage::ClearForRead() {
  registrationValue_->setText(tr("Registration:"));
  cellIdValue_->setText(tr("Cell ID:"));
  operatorValue_->setText(tr("GSM Operator:"));
  for (QLabel* value : {smsCenterValue_, localIpValue_, gprsStatusValue_, tcpStatusValue_, txBytesValue_, rxBytesValue_})
    value->clear();
  ShowSignalLevel(0);
  updateFrequency.clear();
  ShowValues();
}

void CNetworksPage::ShowRecord(ConfigRecord& record) {
  ShowStatus(record);
  updateFrequency = QString::number(record.Get(field::rssi_interval));
  ShowValues();
}

void CNetworksPage::ShowStatus(const ConfigRecord& record) {
  smsCenterValue_->setText(FromRecordText(record.Get(field::sms_center)));
  registrationValue_->setText(QString::fromStdString(RegistrationText(record.Get(field::reg_status))));
  cellIdValue_->setText(FromRecordText(record.Get(field::cell_id)));
  operatorValue_->setText(FromRecordText(record.Get(field::operator_name)));
  ShowSignalLevel(record.Get(field::rssi));
  localIpValue_->setText(FromRecordText(record.Get(field::local_ip)));
  gprsStatusValue_->setText(QString::fromStdString(GprsStatusText(record.Get(field::gprs_status))));
  tcpStatusValue_->setText(QString::fromStdString(TcpStatusText(record.Get(field::tcp_status))));
  txBytesValue_->setText(QString::fromStdString(ByteCounterText(record.Get(field::tx_bytes))));
  rxBytesValue_->setText(QString::fromStdString(ByteCounterText(record.Get(field::rx_bytes))));
}

int CNetworksPage::Validate(ConfigRecord& record) {
  if (!TakeValues()) return -1;
  const long seconds = LeadingDecimal(ToRecordText(updateFrequency));
  if (seconds < RangeOf(field::rssi_interval).min || seconds > RangeOf(field::rssi_interval).max)
    return Refuse(updateFrequencyEdit_, MessageOf(field::rssi_interval), -1);
  record.Set(field::rssi_interval, static_cast<std::uint16_t>(seconds));
  return 0;
}

}  // namespace telvaro
