// The Phone Group page: which phone book entries belong to each of the ten
// phone groups that the DI and DO pages send their alarms to. Usable only on
// modems with digital I/O: its grid is switched by SetGridEnabled alone.
#pragma once

#include <array>
#include <cstddef>

#include "pages/config_page.h"

class QCheckBox;

namespace telvaro {

class CPhoneGroupPage : public ConfigPage {
  Q_OBJECT

 public:
  static constexpr int kGroups = 10;
  static constexpr int kEntries = 10;

  CPhoneGroupPage(QWidget* parent, MessageSink* messages);

  // Takes and shows the values only: opening the port does not enable the
  // grid.
  void EnableByState() override;
  // SetGridEnabled(false).
  void DisableAll() override;
  // Unticks the whole grid.
  void ClearForRead() override;
  // "Group 2, phone 5" for the box in row 2, column 5.
  QString SettingName(const QWidget* control) const override;

  // Whether the modem has digital I/O; set from every accepted parameter
  // response.
  void SetIoPresent(bool present) { ioPresent = present; }
  bool ioPresent = false;

  // Switches the grid; switching it on does nothing while the modem has no
  // digital I/O.
  void SetGridEnabled(bool on);
  bool GridEnabled() const { return gridEnabled_; }

  // The box of group g, entry k (both 0..9).
  QCheckBox* Box(int group, int entry) const { return boxes_[Index(group, entry)]; }

  // Page values: group 1 entries 1 to 10, then group 2, and so on.
  std::array<int, kGroups * kEntries> members{};
  int& Member(int group, int entry) { return members[Index(group, entry)]; }

 private:
  static std::size_t Index(int group, int entry) { return static_cast<std::size_t>(group * kEntries + entry); }

  bool gridEnabled_ = false;
  std::array<QCheckBox*, kGroups * kEntries> boxes_{};
};

}  // namespace telvaro
