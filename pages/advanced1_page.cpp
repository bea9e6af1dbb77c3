#include "pages/advanced1_page.h"

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

// The PLMN choice is the page's own; the record keeps only the preferred PLMN.
constexpr const char* kPlmnItemTexts[] = {QT_TRANSLATE_NOOP("telvaro::ItemList", "PLMN in SIM"),
                                          QT_TRANSLATE_NOOP("telvaro::ItemList", "Manual")};
const ItemList kPlmnItems{"Plmn", kPlmnItemTexts};
constexpr int kPlmnManual = 1;

constexpr int kCaptionX = 10;
constexpr int kNumberX = 180;
constexpr int kNumberWidth = 50;
constexpr int kHintX = 236;

}  // namespace

CAdvanced1Page::CAdvanced1Page(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CAdvanced1Page"));

  QGroupBox* packing = Group(this, tr("Data Packing"), 8, 2, 414, GroupHeight(6));
  Label(packing, tr("Interval Timeout (1*100ms)"), kCaptionX, Row(0), 168);
  intervalTimeoutEdit_ = Edit(packing, "intervalTimeoutEdit", kNumberX, Row(0), kNumberWidth);
  Label(packing, tr("(2 - 100)"), kHintX, Row(0), 80);
  Label(packing, tr("Packet Length"), kCaptionX, Row(1), 150);
  packetLengthEdit_ = Edit(packing, "packetLengthEdit", kNumberX, Row(1), kNumberWidth);
  Label(packing, tr("(0 - 1024)"), kHintX, Row(1), 80);
  Label(packing, tr("Delimiter 1"), kCaptionX, Row(2), 80);
  delimiter1Edit_ = Edit(packing, "delimiter1Edit", 94, Row(2), 30);
  Label(packing, tr("(Hex)"), 130, Row(2), 34);
  delimiter1Box_ = Check(packing, tr("Enable"), "delimiter1Box", kNumberX, Row(2), 80);
  Label(packing, tr("Delimiter 2"), kCaptionX, Row(3), 80);
  delimiter2Edit_ = Edit(packing, "delimiter2Edit", 94, Row(3), 30);
  Label(packing, tr("(Hex)"), 130, Row(3), 34);
  delimiter2Box_ = Check(packing, tr("Enable"), "delimiter2Box", kNumberX, Row(3), 80);
  Label(packing, tr("Delimiter Process"), kCaptionX, Row(4), 150);
  delimiterProcessList_ = List(packing, "delimiterProcessList", kNumberX, Row(4), 130);
  Label(packing, tr("Tx Delay(1*100ms)"), kCaptionX, Row(5), 150);
  txDelayEdit_ = Edit(packing, "txDelayEdit", kNumberX, Row(5), kNumberWidth);
  Label(packing, tr("(1 - 50)"), kHintX, Row(5), 80);

  QGroupBox* sms = Group(this, tr("Online SMS Notification"), 8, packing->geometry().bottom() + 4, 414, GroupHeight(1));
  onlineSmsBox_ = Check(sms, tr("Enable"), "onlineSmsBox", kCaptionX, Row(0), 80);
  Label(sms, tr("*Set phone NO. in Phone Book->SMS Control"), 110, Row(0), 296);

  QGroupBox* roaming = Group(this, tr("International Roaming"), 8, sms->geometry().bottom() + 4, 414, GroupHeight(2));
  roamingBox_ = Check(roaming, tr("Enable"), "roamingBox", kCaptionX, Row(0), 80);
  plmnList_ = List(roaming, "plmnList", 110, Row(0), 110);
  plmnList_->setAccessibleName(tr("PLMN Selection"));
  Label(roaming, tr("PLMN in SIM:"), 232, Row(0), 80);
  simPlmnValue_ = Value(roaming, "simPlmnValue", 314, Row(0), 90);
  Label(roaming, tr("Preferred PLMN"), kCaptionX, Row(1), 98);
  preferredPlmnEdit_ = Edit(roaming, "preferredPlmnEdit", 110, Row(1), 70);

  QGroupBox* csd = Group(this, tr("CSD Backup (Incoming)"), 8, roaming->geometry().bottom() + 4, 414, GroupHeight(1));
  csdBackupBox_ = Check(csd, tr("Enable"), "csdBackupBox", kCaptionX, Row(0), 80);
  Label(csd, tr("*Set phone NO. in Phone Book->CSD"), 110, Row(0), 296);

  // Stores follow the validator's order: timing, each delimiter's box before
  // its byte (a bad byte leaves what follows untouched), then the rest.
  ValueExchange& x = Exchange();
  x.List(plmnList_);  // not stored: an empty preferred PLMN means the SIM's
  x.List(delimiterProcessList_).Link(field::delimiter_process).Rank(5);
  x.Signed(intervalTimeoutEdit_, &intervalTimeout, RangeOf(field::interval_timeout)).Link(field::interval_timeout);
  x.Text(delimiter1Edit_, &delimiter1, TextLimit(field::delimiter1)).LinkHexByte(field::delimiter1, &delimiter1Enable, MessageOf(field::delimiter1)).Rank(2);
  x.Text(delimiter2Edit_, &delimiter2, TextLimit(field::delimiter2)).LinkHexByte(field::delimiter2, &delimiter2Enable, MessageOf(field::delimiter2)).Rank(4);
  x.Signed(packetLengthEdit_, &packetLength, RangeOf(field::packet_length)).Link(field::packet_length);
  x.Check(delimiter1Box_, &delimiter1Enable).Link(field::delimiter1_enable).Rank(1);
  x.Check(delimiter2Box_, &delimiter2Enable).Link(field::delimiter2_enable).Rank(3);
  x.Check(onlineSmsBox_, &onlineSmsEnable).Link(field::online_sms_enable).Rank(5);
  x.Check(roamingBox_, &roamingEnable).Link(field::roaming_enable).Rank(5);
  x.Text(preferredPlmnEdit_, &preferredPlmn, TextLimit(field::preferred_plmn)).Link(field::preferred_plmn).Rank(5);
  x.Signed(txDelayEdit_, &txDelay, RangeOf(field::tx_delay)).Link(field::tx_delay).Rank(5);
  x.Check(csdBackupBox_, &csdBackupEnable).Link(field::csd_backup_enable).Rank(5);

  // The Online SMS box changes nothing else on the page.
  for (QCheckBox* box : {delimiter1Box_, delimiter2Box_, roamingBox_, csdBackupBox_})
    connect(box, &QCheckBox::clicked, this, [this] { EnableByState(); });
  connect(plmnList_, &QComboBox::activated, this, [this] { EnableByState(); });
  // Each "Enable" says what it enables, for screen readers and the list of
  // changes not written.
  delimiter1Box_->setAccessibleName(tr("Delimiter 1 Enable"));
  delimiter2Box_->setAccessibleName(tr("Delimiter 2 Enable"));
  ShowValues();
}

void CAdvanced1Page::OnShow() {
  FillList(delimiterProcessList_, items::DelimiterProcess);
  FillList(plmnList_, kPlmnItems);
  // Nothing is selected until a record arrives.
  delimiterProcessList_->setCurrentIndex(-1);
  plmnList_->setCurrentIndex(-1);
}

void CAdvanced1Page::EnableByState() {
  // A failed take has shown its message; the rule goes on with the values kept.
  TakeValues();
  // The delimiter bytes stay editable whatever their boxes say.
  for (QWidget* w : {static_cast<QWidget*>(intervalTimeoutEdit_), static_cast<QWidget*>(delimiter1Edit_),
                     static_cast<QWidget*>(delimiter2Edit_), static_cast<QWidget*>(packetLengthEdit_),
                     static_cast<QWidget*>(delimiter1Box_), static_cast<QWidget*>(delimiter2Box_)})
    w->setEnabled(true);
  delimiterProcessList_->setEnabled(delimiter1Enable == 1 || delimiter2Enable == 1);
  txDelayEdit_->setEnabled(true);
  onlineSmsBox_->setEnabled(true);
  roamingBox_->setEnabled(true);
  // Roaming picks its network itself; at home the operator may name one.
  const bool roaming = roamingEnable == 1;
  plmnList_->setEnabled(!roaming);
  preferredPlmnEdit_->setEnabled(!roaming && plmnList_->currentIndex() == kPlmnManual);
  csdBackupBox_->setEnabled(true);
  if (mainDlg != nullptr) mainDlg->SetPhoneBookColumn(PhoneBookColumn::Csd, csdBackupEnable == 1);
  ShowValues();
}

void CAdvanced1Page::ClearForRead() {
  // The lists keep their selections; the Phone Book is not told.
  intervalTimeout = 2;
  delimiter1 = QStringLiteral("00");
  delimiter2 = QStringLiteral("00");
  packetLength = 0;
  preferredPlmn.clear();
  txDelay = 6;
  delimiter1Enable = 0;
  delimiter2Enable = 0;
  onlineSmsEnable = 0;
  roamingEnable = 0;
  csdBackupEnable = 0;
  ShowValues();
}

void CAdvanced1Page::ShowRecord(ConfigRecord& record) {
  ConfigPage::ShowRecord(record);
  plmnList_->setCurrentIndex(record.Get(field::preferred_plmn).empty() ? 0 : kPlmnManual);
  simPlmnValue_->setText(FromRecordText(record.Get(field::sim_plmn)));
}

int CAdvanced1Page::Validate(ConfigRecord& record) {
  const int result = ConfigPage::Validate(record);
  if (result < 0) return result;
  if (plmnList_->currentIndex() != kPlmnManual) {
    for (int i = 0; i < field::preferred_plmn.width; ++i)
      record.SetRawByte(field::preferred_plmn.offset + static_cast<std::size_t>(i), 0);
  }
  return 0;
}

}  // namespace telvaro
