// The Phone Book page: the modem's ten phone numbers and what each number may
// do. The Call columns (Reboot, Wakeup, CSD) are offered only while the page
// whose setting gives them a meaning says so (Reboot, Wakeup, Advanced 1, each
// through SetPhoneBookColumn), and a number holds at most one of them; the SMS
// columns combine freely.
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "pages/config_page.h"

class QCheckBox;
class QLineEdit;

namespace telvaro {

class CPhoneBookPage : public ConfigPage {
  Q_OBJECT

 public:
  static constexpr int kRows = 10;
  static constexpr int kColumns = 6;

  CPhoneBookPage(QWidget* parent, MessageSink* messages);

  // Clears the three availability flags.
  void OnShow() override;
  // The numbers and the SMS Control column; the other columns follow the
  // SetPhoneBookColumn calls of the pages that own their meaning.
  void EnableByState() override;
  // Empties the numbers and unticks every column but CSD.
  void ClearForRead() override;

  // A Call column's availability (unticking it when taken away), or an SMS
  // column's boxes on or off with their ticks kept.
  void SetPhoneBookColumn(PhoneBookColumn column, bool on);
  // Call columns: their availability flag; SMS columns: whether their boxes
  // are enabled.
  bool ColumnOn(PhoneBookColumn column) const;
  // Each row's Call Reboot, Call Wakeup and CSD are enabled when their column
  // is available and neither of the other two is ticked in that row.
  void UpdateCallColumns();

  // "Phone 3" for a number, "Phone 3 Call Reboot" for a role box.
  QString SettingName(const QWidget* control) const override;
  // The Call column a role bit belongs to, if any; and its caption.
  static std::optional<PhoneBookColumn> CallColumnOfRole(std::uint8_t role);
  static QString ColumnCaption(PhoneBookColumn column);

  // The check box of `column` in `row` (0..9).
  QCheckBox* Box(PhoneBookColumn column, int row) const { return boxes_[Slot(column)][static_cast<std::size_t>(row)]; }

  bool callRebootAvailable = false;
  bool callWakeupAvailable = false;
  bool csdAvailable = false;

  // Page values: the numbers, then the role ticks by column and row.
  std::array<QString, kRows> numbers;
  std::array<std::array<int, kRows>, kColumns> roles{};
  int& Role(PhoneBookColumn column, int row) { return roles[Slot(column)][static_cast<std::size_t>(row)]; }

 private:
  static std::size_t Slot(PhoneBookColumn column) { return static_cast<std::size_t>(column); }

  std::array<QLineEdit*, kRows> numberEdits_{};
  std::array<std::array<QCheckBox*, kRows>, kColumns> boxes_{};
};

}  // namespace telvaro
