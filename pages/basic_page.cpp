#include "pages/basic_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "record/config_record.h"

namespace telvaro {

namespace {

constexpr int kRowHeight = 22;
constexpr int kCaptionX = 14;
constexpr int kPinLockIndexEnable = 1;  // "Enable PIN Lock"
constexpr int kRs485Index = 1;
constexpr std::uint8_t kHighestPinLock = 2;

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, int width) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(x, y, width, kRowHeight);
  return label;
}

// Read-only texts show what the modem sent, never interpreted as markup.
QLabel* AddValue(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
  QLabel* label = AddLabel(parent, text, x, y, width);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, int x, int y, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(x, y, width, kRowHeight);
  return edit;
}

QCheckBox* AddCheck(QWidget* parent, const QString& text, const char* name, int x, int y, int width) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setGeometry(x, y, width, kRowHeight);
  return box;
}

QComboBox* AddList(QWidget* parent, const char* name, int x, int y, int width) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setGeometry(x, y, width, kRowHeight);
  return list;
}

void Fill(QComboBox* list, const ItemList& items) {
  for (const char* item : items.items) list->addItem(QString::fromLatin1(item));
}

// A record index outside the list leaves the list without a selection.
void Select(QComboBox* list, int index) { list->setCurrentIndex(index < list->count() ? index : -1); }

QString FromRecordText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CBasicPage::CBasicPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CBasicPage"));

  AddLabel(this, "ME Type", kCaptionX, 8, 56);
  meTypeValue_ = AddValue(this, "meTypeValue", QString(), 74, 8, 140);
  AddLabel(this, "IMEI", 222, 8, 36);
  imeiValue_ = AddValue(this, "imeiValue", QString(), 262, 8, 158);

  AddLabel(this, "Device Name", kCaptionX, 36, 120);
  deviceNameEdit_ = AddEdit(this, "deviceNameEdit", 140, 36, 180);
  AddLabel(this, "Com Type Selection", kCaptionX, 64, 120);
  comTypeList_ = AddList(this, "comTypeList", 140, 64, 120);
  syncWithPcBox_ = AddCheck(this, "Synchronize with PC", "syncWithPcBox", kCaptionX, 92, 150);
  clockValue_ = AddValue(this, "clockValue", "rtc time", 170, 92, 250);

  auto* pinGroup = new QGroupBox("SIM Card PIN Setup", this);
  pinGroup->setGeometry(8, 120, 414, 104);
  pinLockList_ = AddList(pinGroup, "pinLockList", kCaptionX, 20, 150);
  changePinBox_ = AddCheck(pinGroup, "Change PIN Code", "changePinBox", 190, 20, 150);
  AddLabel(pinGroup, "Input PIN Code", kCaptionX, 48, 110);
  pinCodeEdit_ = AddEdit(pinGroup, "pinCodeEdit", 130, 48, 120);
  AddLabel(pinGroup, "Input New Code", kCaptionX, 74, 110);
  newPinCodeEdit_ = AddEdit(pinGroup, "newPinCodeEdit", 130, 74, 120);

  auto* initGroup = new QGroupBox("Init. String", this);
  initGroup->setGeometry(8, 230, 414, 50);
  AddLabel(initGroup, "Command 1:", kCaptionX, 20, 80);
  initCommandEdit_ = AddEdit(initGroup, "initCommandEdit", 100, 20, 300);

  auto* smsGroup = new QGroupBox("SMS Control", this);
  smsGroup->setGeometry(8, 286, 414, 50);
  AddLabel(smsGroup, "Password", kCaptionX, 20, 80);
  smsPasswordEdit_ = AddEdit(smsGroup, "smsPasswordEdit", 100, 20, 180);

  debugOutputBox_ =
      AddCheck(this, "Enable Output Debug Message to Com", "debugOutputBox", kCaptionX, 344, 300);

  // The lists come first in exchange order but are not mirrored in values.
  AddInputControl(pinLockList_);
  AddInputControl(comTypeList_);
  ValueExchange& exchange = Exchange();
  exchange.Text(deviceNameEdit_, &deviceName, 20);
  exchange.Check(syncWithPcBox_, &syncWithPc);
  exchange.Check(changePinBox_, &changePin);
  exchange.Text(newPinCodeEdit_, &newPinCode, 8);
  exchange.Text(pinCodeEdit_, &pinCode, 8);
  exchange.Text(initCommandEdit_, &initCommand, 40);
  exchange.Text(smsPasswordEdit_, &smsPassword, 20);
  exchange.Check(debugOutputBox_, &debugOutput);

  // Only the operator's own choices re-run the enabling rule: a record being
  // shown sets the PIN list too, and must not take values half-way.
  connect(pinLockList_, &QComboBox::activated, this, [this] { EnableByState(); });
  connect(changePinBox_, &QCheckBox::clicked, this, [this] { EnableByState(); });
}

void CBasicPage::OnShow() {
  TakeValues();
  Fill(comTypeList_, items::ComType);
  Fill(pinLockList_, items::PinLock);
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
  TakeValues();
  if (comTypeList_->count() > kRs485Index) {
    // Deleting the selected item leaves no selection rather than silently
    // turning an RS485 setting into RS232.
    const bool wasSelected = comTypeList_->currentIndex() == kRs485Index;
    comTypeList_->removeItem(kRs485Index);
    if (wasSelected) comTypeList_->setCurrentIndex(-1);
  }
  ShowValues();
}

void CBasicPage::ShowRecord(ConfigRecord& record) {
  Select(comTypeList_, record.Get(field::com_type));
  if (record.Get(field::pin_lock) > kHighestPinLock) record.Set(field::pin_lock, 0);
  Select(pinLockList_, record.Get(field::pin_lock));
  if (record.Get(field::rs485_absent) == 1) RemoveRs485();
  meTypeValue_->setText(FromRecordText(record.Get(field::me_type)));
  imeiValue_->setText(FromRecordText(record.Get(field::imei)));
  deviceName = FromRecordText(record.Get(field::device_name));
  initCommand = FromRecordText(record.Get(field::init_command));
  smsPassword = FromRecordText(record.Get(field::sms_control_password));
  pinCode = FromRecordText(record.Get(field::pin_code));
  changePin = record.IsOn(field::pin_change) ? 1 : 0;
  newPinCode = FromRecordText(record.Get(field::new_pin_code));
  debugOutput = record.IsOn(field::debug_output_enable) ? 1 : 0;
  // Synchronising is a one-shot request of a Write, never carried over.
  record.SetFlag(field::rtc_set, false);
  syncWithPc = 0;
  ShowValues();
}

void CBasicPage::SetClockText(const QString& text) { clockValue_->setText(text); }

}  // namespace telvaro
