// The row of command buttons under the tab control: Read, Write, Default,
// Reboot and Exit, and the Upgrade button, which the window keeps hidden and
// disabled (Settings > "Upgrade firmware..." starts the same command).
#pragma once

#include <QObject>
#include <QRect>
#include <array>

class QToolButton;
class QWidget;

namespace telvaro {

class DialogUnits;

class CommandButtons : public QObject {
  Q_OBJECT

 public:
  enum Button { kRead, kWrite, kDefault, kReboot, kExit, kUpgrade, kButtonCount };

  // The six buttons, with their words, tips and icons, as children of `window`.
  explicit CommandButtons(QWidget* window);

  // Moves them into `client` at their places; a longer word than "Default"
  // (another language's) widens its button about the same centre.
  void Place(QWidget* client, const DialogUnits& du);
  // The client area has grown by `extra`: the buttons stay under the tab
  // control, centred.
  void Follow(const QSize& extra);

  QToolButton* Get(Button button) const { return buttons_[button]; }
  // The icons of Read, Write, Default, Upgrade and Reboot are grayed while
  // the port is closed; the buttons stay clickable.
  void ShowPortState(bool open);
  // The busy state: Read, Write, Default, Reboot and Exit enabled or not;
  // the four icons grayed while disabled or while the port is closed.
  void SetEnabled(bool enabled, bool portOpen);

 private:
  std::array<QToolButton*, kButtonCount> buttons_{};
  std::array<QRect, kButtonCount> places_{};
};

}  // namespace telvaro
