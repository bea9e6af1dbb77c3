#include "pages/phone_group_page.h"

#include <QCheckBox>
#include <QLabel>

#include "pages/page_layout.h"

namespace telvaro {

namespace {
constexpr int kFirstColumnX = 64;
constexpr int kColumnPitch = 34;
constexpr int kFirstRowY = 60;
constexpr int kRowPitch = 30;
constexpr int kBoxWidth = 18;

QLabel* Head(QWidget* parent, const QString& text, int x, int y, int width) {
  QLabel* label = layout::Label(parent, text, x, y, width, 18);
  label->setAlignment(Qt::AlignCenter);
  return label;
}
}  // namespace

CPhoneGroupPage::CPhoneGroupPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CPhoneGroupPage"));

  Head(this, tr("Phone Book Index"), kFirstColumnX, 14, kColumnPitch * kEntries);
  Head(this, tr("Index"), 8, 34, 44);
  for (int entry = 0; entry < kEntries; ++entry)
    Head(this, QString::number(entry + 1), kFirstColumnX + entry * kColumnPitch - 8, 34, kBoxWidth + 16);

  ValueExchange& x = Exchange();
  for (int group = 0; group < kGroups; ++group) {
    const int y = kFirstRowY + group * kRowPitch;
    Head(this, QString::number(group + 1), 8, y + 2, 44);
    for (int entry = 0; entry < kEntries; ++entry) {
      const QByteArray name = QStringLiteral("group%1Entry%2").arg(group + 1).arg(entry + 1).toLatin1();
      QCheckBox* box = layout::Check(this, QString(), name.constData(), kFirstColumnX + entry * kColumnPitch, y, kBoxWidth);
      boxes_[Index(group, entry)] = box;
      box->setAccessibleName(tr("Group %1 member %2").arg(group + 1).arg(entry + 1));
      x.Check(box, &Member(group, entry)).LinkGroupMember(group, entry);
    }
  }

  // Disabled until a parameter response says the modem has digital I/O.
  SetGridEnabled(false);
  ShowValues();
}

void CPhoneGroupPage::EnableByState() {
  TakeValues();
  ShowValues();
}

void CPhoneGroupPage::DisableAll() { SetGridEnabled(false); }

QString CPhoneGroupPage::SettingName(const QWidget* control) const {
  for (int group = 0; group < kGroups; ++group)
    for (int entry = 0; entry < kEntries; ++entry)
      if (control == boxes_[Index(group, entry)])
        return QStringLiteral("Group %1, phone %2").arg(group + 1).arg(entry + 1);
  return ConfigPage::SettingName(control);
}

void CPhoneGroupPage::ClearForRead() {
  members.fill(0);
  ShowValues();
}

void CPhoneGroupPage::SetGridEnabled(bool on) {
  if (on && !ioPresent) return;
  gridEnabled_ = on;
  SetInputsEnabled(on);
}

}  // namespace telvaro
