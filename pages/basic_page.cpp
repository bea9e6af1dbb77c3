#include "pages/basic_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "base/session_events.h"
#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/setting_rules.h"
#include "record/conversions.h"

namespace telvaro {

namespace {

using namespace layout;

constexpr int kCaptionX = 14;
constexpr int kPinLockIndexEnable = 1;  // "Enable PIN Lock"
constexpr int kRs485Index = 1;
constexpr std::uint8_t kHighestPinLock = 2;
constexpr int kHighestComType = 2;

// The current and the new PIN share their length rule.
bool PinLengthOk(const QString& pin) {
  return pin.size() >= RuleOf(field::pin_code).min && pin.size() <= RuleOf(field::pin_code).max;
}

}  // namespace

CBasicPage::CBasicPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CBasicPage"));

  Label(this, tr("ME Type"), kCaptionX, 8, 56);
  meTypeValue_ = Value(this, "meTypeValue", 74, 8, 140);
  Label(this, tr("IMEI"), 222, 8, 36);
  imeiValue_ = Value(this, "imeiValue", 262, 8, 158);

  Label(this, tr("Device Name"), kCaptionX, 36, 120);
  deviceNameEdit_ = Edit(this, "deviceNameEdit", 140, 36, 180);
  Label(this, tr("Com Type Selection"), kCaptionX, 64, 120);
  comTypeList_ = List(this, "comTypeList", 140, 64, 120);
  syncWithPcBox_ = Check(this, tr("Synchronize with PC"), "syncWithPcBox", kCaptionX, 92, 150);
  clockValue_ = Value(this, "clockValue", 170, 92, 250);

  auto* pinGroup = new QGroupBox(tr("SIM Card PIN Setup"), this);
  pinGroup->setGeometry(8, 120, 414, 104);
  pinLockList_ = List(pinGroup, "pinLockList", kCaptionX, 20, 150);
  pinLockList_->setAccessibleName(tr("PIN Lock"));  // its items say the rest
  changePinBox_ = Check(pinGroup, tr("Change PIN Code"), "changePinBox", 190, 20, 150);
  Label(pinGroup, tr("Input PIN Code"), kCaptionX, 48, 110);
  pinCodeEdit_ = Edit(pinGroup, "pinCodeEdit", 130, 48, 120);
  Label(pinGroup, tr("Input New Code"), kCaptionX, 74, 110);
  newPinCodeEdit_ = Edit(pinGroup, "newPinCodeEdit", 130, 74, 120);

  auto* initGroup = new QGroupBox(tr("Init. String"), this);
  initGroup->setGeometry(8, 230, 414, 50);
  Label(initGroup, tr("Command 1:"), kCaptionX, 20, 80);
  initCommandEdit_ = Edit(initGroup, "initCommandEdit", 100, 20, 300);

  auto* smsGroup = new QGroupBox(tr("SMS Control"), this);
  smsGroup->setGeometry(8, 286, 414, 50);
  Label(smsGroup, tr("Password"), kCaptionX, 20, 80);
  smsPasswordEdit_ = Edit(smsGroup, "smsPasswordEdit", 100, 20, 180);

  debugOutputBox_ =
      Check(this, tr("Enable Output Debug Message to Com"), "debugOutputBox", kCaptionX, 344, 300);

  clockValue_->setText(tr("rtc time"));

  ValueExchange& exchange = Exchange();
  exchange.List(pinLockList_).Link(field::pin_lock);
  exchange.List(comTypeList_).Link(field::com_type);
  exchange.Text(deviceNameEdit_, &deviceName, TextLimit(field::device_name)).Link(field::device_name);
  exchange.Check(syncWithPcBox_, &syncWithPc);  // a request of the coming Write, not a setting
  exchange.Check(changePinBox_, &changePin).Link(field::pin_change);
  // The validator's own messages speak for a PIN of the wrong length.
  exchange.Text(newPinCodeEdit_, &newPinCode, TextLimit(field::new_pin_code)).Link(field::new_pin_code).LengthByCheck();
  exchange.Text(pinCodeEdit_, &pinCode, TextLimit(field::pin_code)).Link(field::pin_code).LengthByCheck();
  exchange.Text(initCommandEdit_, &initCommand, TextLimit(field::init_command)).Link(field::init_command);
  exchange.Text(smsPasswordEdit_, &smsPassword, TextLimit(field::sms_control_password)).Link(field::sms_control_password);
  exchange.Check(debugOutputBox_, &debugOutput).Link(field::debug_output_enable);

  // Only the operator's own choices re-run the enabling rule: a record being
  // shown sets the PIN list too, and must not take values half-way.
  connect(pinLockList_, &QComboBox::activated, this, [this] { EnableByState(); });
  connect(changePinBox_, &QCheckBox::clicked, this, [this] { EnableByState(); });
}

void CBasicPage::OnShow() {
  TakeValues();
  FillList(comTypeList_, items::ComType);
  FillList(pinLockList_, items::PinLock);
  // Nothing is selected until a record arrives.
  comTypeList_->setCurrentIndex(-1);
  pinLockList_->setCurrentIndex(-1);
  EnableByState();
  ShowValues();
}

void CBasicPage::EnableByState() {
  // A failed take has shown its message; the rule goes on with the values kept.
  TakeValues();
  for (QWidget* control : {static_cast<QWidget*>(comTypeList_), static_cast<QWidget*>(deviceNameEdit_),
                           static_cast<QWidget*>(syncWithPcBox_), static_cast<QWidget*>(initCommandEdit_),
                           static_cast<QWidget*>(smsPasswordEdit_), static_cast<QWidget*>(pinLockList_),
                           static_cast<QWidget*>(pinCodeEdit_)})
    control->setEnabled(true);
  // A new code only means something while the SIM is PIN locked; the current
  // PIN stays editable either way.
  const bool pinLocked = pinLockList_->currentIndex() == kPinLockIndexEnable;
  changePinBox_->setEnabled(pinLocked);
  newPinCodeEdit_->setEnabled(pinLocked && changePin == 1);
  debugOutputBox_->setEnabled(true);
  ShowValues();
}

void CBasicPage::DisableAll() {
  for (QWidget* control : {static_cast<QWidget*>(comTypeList_), static_cast<QWidget*>(deviceNameEdit_),
                           static_cast<QWidget*>(syncWithPcBox_), static_cast<QWidget*>(initCommandEdit_),
                           static_cast<QWidget*>(smsPasswordEdit_), static_cast<QWidget*>(pinLockList_),
                           static_cast<QWidget*>(pinCodeEdit_), static_cast<QWidget*>(changePinBox_),
                           static_cast<QWidget*>(newPinCodeEdit_), static_cast<QWidget*>(debugOutputBox_)})
    control->setEnabled(false);
}

void CBasicPage::ClearForRead() {
  // Synchronize with PC, the debug switch and both lists keep their state.
  deviceName.clear();
  initCommand.clear();
  smsPassword.clear();
  newPinCode.clear();
  pinCode.clear();
  meTypeValue_->clear();
  imeiValue_->clear();
  changePin = 0;
  ShowValues();
}

void CBasicPage::RemoveRs485() {
  // Only the list changes: taking the other controls' values here would read
  // a record's texts back while it is being shown, and a text longer than its
  // box (only a modem can send one) would raise a limit box mid-show.
  if (comTypeList_->count() > kRs485Index) {
    // Deleting the selected item leaves no selection rather than silently
    // turning an RS485 setting into RS232.
    const bool wasSelected = comTypeList_->currentIndex() == kRs485Index;
    comTypeList_->removeItem(kRs485Index);
    if (wasSelected) comTypeList_->setCurrentIndex(-1);
  }
}

void CBasicPage::ShowRecord(ConfigRecord& record) {
  if (record.Get(field::pin_lock) > kHighestPinLock) record.Set(field::pin_lock, 0);
  Exchange().Load(record);
  meTypeValue_->setText(FromRecordText(record.Get(field::me_type)));
  imeiValue_->setText(FromRecordText(record.Get(field::imei)));
  // Synchronising is a one-shot request of a Write, never carried over.
  record.SetFlag(field::rtc_set, false);
  syncWithPc = 0;
  ShowValues();
  if (record.Get(field::rs485_absent) == 1) RemoveRs485();
}

int CBasicPage::Validate(ConfigRecord& record) {
  if (!TakeValues()) return -1;
  const int comType = comTypeList_->currentIndex();
  if (comType < 0 || comType > kHighestComType) return Refuse(comTypeList_, MessageOf(field::com_type), -1);
  // No PIN lock selection counts as locked, as the index -1 does in a byte.
  if (pinLockList_->currentIndex() != 0 && !PinLengthOk(pinCode) && !KeepModemsOwn(pinCodeEdit_))
    return Refuse(pinCodeEdit_, MessageOf(field::pin_code), -2);
  if (changePin == 1 && !PinLengthOk(newPinCode) && !KeepModemsOwn(newPinCodeEdit_))
    return Refuse(newPinCodeEdit_, MessageOf(field::new_pin_code), -2);
  Exchange().Store(record);
  if (record.Get(field::pin_lock) > kHighestPinLock) record.Set(field::pin_lock, 0);
  if (!Quiet()) SelectIndex(pinLockList_, record.Get(field::pin_lock));
  if (syncWithPc == 1) {
    SetClockFromPc(record);
    record.SetFlag(field::rtc_set, true);
  }
  return 0;
}

void CBasicPage::SetClockText(const QString& text) { clockValue_->setText(text); }

}  // namespace telvaro
