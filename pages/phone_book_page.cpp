#include "pages/phone_book_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdint>

#include "pages/page_layout.h"
#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

namespace {

using Column = PhoneBookColumn;

// The columns in exchange and screen order, with their role bit, their head
// under "Call" or "SMS", their place and their object name.
struct ColumnSpec {
  Column column;
  std::uint8_t role;
  const char* head;
  int x;
  const char* name;
};
constexpr ColumnSpec kColumnSpecs[] = {
    {Column::CallReboot, kCallReboot, QT_TRANSLATE_NOOP("telvaro::CPhoneBookPage", "Reboot"), 146, "callReboot"},
    {Column::CallWakeup, kCallWakeup, QT_TRANSLATE_NOOP("telvaro::CPhoneBookPage", "Wakeup"), 194, "callWakeup"},
    {Column::Csd, kCallCsd, QT_TRANSLATE_NOOP("telvaro::CPhoneBookPage", "CSD"), 242, "csd"},
    {Column::SmsReboot, kSmsReboot, QT_TRANSLATE_NOOP("telvaro::CPhoneBookPage", "Reboot"), 290, "smsReboot"},
    {Column::SmsWakeup, kSmsWakeup, QT_TRANSLATE_NOOP("telvaro::CPhoneBookPage", "Wakeup"), 338, "smsWakeup"},
    {Column::SmsControl, kSmsControl, QT_TRANSLATE_NOOP("telvaro::CPhoneBookPage", "Control"), 386, "smsControl"},
};
constexpr int kHeadWidth = 48;
constexpr int kBoxWidth = 18;
constexpr int kFirstRowY = 84;
constexpr int kRowPitch = 29;

bool IsCallColumn(Column column) {
  return column == Column::CallReboot || column == Column::CallWakeup || column == Column::Csd;
}

QLabel* Head(QWidget* parent, const QString& text, int x, int y, int width) {
  QLabel* label = layout::Label(parent, text, x, y, width, 18);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

CPhoneBookPage::CPhoneBookPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  using namespace layout;
  setObjectName(QStringLiteral("CPhoneBookPage"));

  Label(this, tr("*Write each number in international format: a plus sign, then the"), 8, 4, 414, 18);
  Label(this, tr(" country code and the number, e.g. +8613912345678."), 8, 22, 414, 18);
  // Column heads: the boxes' centres line up under them.
  const auto centred = [](int boxX) { return boxX + kBoxWidth / 2 - kHeadWidth / 2; };
  Head(this, tr("Item"), 0, 62, 30);
  Head(this, tr("Phone NO."), 30, 62, 108);
  Head(this, tr("Call"), centred(kColumnSpecs[0].x), 44, kColumnSpecs[1].x - kColumnSpecs[0].x + kHeadWidth);
  Head(this, tr("SMS"), centred(kColumnSpecs[3].x), 44, kColumnSpecs[5].x - kColumnSpecs[3].x + kHeadWidth);
  for (const ColumnSpec& spec : kColumnSpecs) Head(this, tr(spec.head), centred(spec.x), 62, kHeadWidth);

  ValueExchange& x = Exchange();
  for (int row = 0; row < kRows; ++row) {
    const int y = kFirstRowY + row * kRowPitch;
    Head(this, QString::number(row + 1), 0, y + 2, 30);
    const auto r = static_cast<std::size_t>(row);
    numberEdits_[r] = Edit(this, QStringLiteral("phoneNumber%1").arg(row + 1).toLatin1().constData(), 30, y, 108);
    numberEdits_[r]->setAccessibleName(tr("Phone NO. %1").arg(row + 1));
    // No limit while typing: a longer number is refused when written.
    x.Text(numberEdits_[r], &numbers[r], 0).LinkPhoneNumber(row).StoreLimit(TextLimit(field::phone_book), MessageOf(field::phone_book), -1);
  }
  for (const ColumnSpec& spec : kColumnSpecs) {
    for (int row = 0; row < kRows; ++row) {
      const auto r = static_cast<std::size_t>(row);
      const QByteArray name = QStringLiteral("%1Box%2").arg(QLatin1String(spec.name)).arg(row + 1).toLatin1();
      QCheckBox* box = Check(this, QString(), name.constData(), spec.x, kFirstRowY + row * kRowPitch, kBoxWidth);
      boxes_[Slot(spec.column)][r] = box;
      // The grid's boxes have no caption of their own: row, column group and column.
      box->setAccessibleName(tr("Phone %1 %2 %3")
                                 .arg(row + 1)
                                 .arg(IsCallColumn(spec.column) ? tr("Call") : tr("SMS"), tr(spec.head)));
      x.Check(box, &roles[Slot(spec.column)][r]).LinkPhoneRole(row, spec.role);
      // Only the Call columns exclude each other; a click in an SMS column
      // changes nothing else.
      if (IsCallColumn(spec.column)) {
        connect(box, &QCheckBox::clicked, this, [this] {
          TakeValues();
          UpdateCallColumns();
          ShowValues();
        });
      }
    }
  }

  // Nothing is offered before the window opens the port.
  DisableAll();
  ShowValues();
}

QString CPhoneBookPage::SettingName(const QWidget* control) const {
  for (int row = 0; row < kRows; ++row) {
    const QString phone = QStringLiteral("Phone %1").arg(row + 1);
    if (control == numberEdits_[static_cast<std::size_t>(row)]) return phone;
    for (const ColumnSpec& spec : kColumnSpecs)
      if (control == Box(spec.column, row)) return phone + " " + ColumnCaption(spec.column);
  }
  return ConfigPage::SettingName(control);
}

std::optional<PhoneBookColumn> CPhoneBookPage::CallColumnOfRole(std::uint8_t role) {
  for (const ColumnSpec& spec : kColumnSpecs)
    if (spec.role == role && IsCallColumn(spec.column)) return spec.column;
  return std::nullopt;
}

QString CPhoneBookPage::ColumnCaption(PhoneBookColumn column) {
  for (const ColumnSpec& spec : kColumnSpecs)
    if (spec.column == column) return QString(IsCallColumn(column) ? "Call " : "SMS ") + QLatin1String(spec.head);
  return QString();
}

void CPhoneBookPage::OnShow() {
  callRebootAvailable = false;
  callWakeupAvailable = false;
  csdAvailable = false;
}

void CPhoneBookPage::EnableByState() {
  TakeValues();
  for (QLineEdit* edit : numberEdits_) edit->setEnabled(true);
  for (QCheckBox* box : boxes_[Slot(Column::SmsControl)]) box->setEnabled(true);
  ShowValues();
}

void CPhoneBookPage::ClearForRead() {
  for (QString& number : numbers) number.clear();
  // CSD keeps its ticks: the coming record refills them anyway.
  for (Column column : {Column::CallReboot, Column::CallWakeup, Column::SmsReboot, Column::SmsWakeup, Column::SmsControl})
    roles[Slot(column)].fill(0);
  ShowValues();
}

void CPhoneBookPage::SetPhoneBookColumn(PhoneBookColumn column, bool on) {
  TakeValues();
  switch (column) {
    case Column::CallReboot:
    case Column::CallWakeup:
    case Column::Csd:
      (column == Column::CallReboot   ? callRebootAvailable
       : column == Column::CallWakeup ? callWakeupAvailable
                                      : csdAvailable) = on;
      // A role nothing can use any more is taken from every number.
      if (!on) roles[Slot(column)].fill(0);
      UpdateCallColumns();
      break;
    case Column::SmsReboot:
    case Column::SmsWakeup:
    case Column::SmsControl:
      for (QCheckBox* box : boxes_[Slot(column)]) box->setEnabled(on);
      break;
  }
  ShowValues();
}

bool CPhoneBookPage::ColumnOn(PhoneBookColumn column) const {
  switch (column) {
    case Column::CallReboot:
      return callRebootAvailable;
    case Column::CallWakeup:
      return callWakeupAvailable;
    case Column::Csd:
      return csdAvailable;
    default:
      return boxes_[Slot(column)][0]->isEnabled();
  }
}

void CPhoneBookPage::UpdateCallColumns() {
  const auto& reboot = roles[Slot(Column::CallReboot)];
  const auto& wakeup = roles[Slot(Column::CallWakeup)];
  const auto& csd = roles[Slot(Column::Csd)];
  for (std::size_t r = 0; r < kRows; ++r) {
    boxes_[Slot(Column::CallReboot)][r]->setEnabled(callRebootAvailable && wakeup[r] != 1 && csd[r] != 1);
    boxes_[Slot(Column::CallWakeup)][r]->setEnabled(callWakeupAvailable && reboot[r] != 1 && csd[r] != 1);
    boxes_[Slot(Column::Csd)][r]->setEnabled(csdAvailable && reboot[r] != 1 && wakeup[r] != 1);
  }
}

}  // namespace telvaro
