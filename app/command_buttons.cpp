#include "app/command_buttons.h"

#include <QToolButton>
#include <algorithm>

#include "app/window_layout.h"
#include "widgets/icons.h"

namespace telvaro {
namespace {

QToolButton* MakeCommandButton(QWidget* parent, const QString& text, const QString& tip, const char* name) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setObjectName(name);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(false);
  return button;
}

}  // namespace

CommandButtons::CommandButtons(QWidget* window) : QObject(window) {
  // Alt+R, W, D, B and X; the words under the icons stay as they are.
  buttons_[kRead] = MakeCommandButton(window, tr("&Read"), tr("Get parameters from device"), "readButton");
  buttons_[kWrite] = MakeCommandButton(window, tr("&Write"), tr("Set parameters to device"), "writeButton");
  buttons_[kDefault] = MakeCommandButton(window, tr("&Default"), tr("Set device default paramters"), "defaultButton");
  buttons_[kUpgrade] = MakeCommandButton(window, tr("Upgrade"), tr("Upgrade firmware"), "upgradeButton");
  buttons_[kReboot] = MakeCommandButton(window, tr("Re&boot"), tr("Reboot device"), "rebootButton");
  buttons_[kExit] = MakeCommandButton(window, tr("E&xit"), tr("Exit and close"), "exitButton");
  buttons_[kExit]->setIcon(icons::CommandIcon(icons::Command::Exit, false));
}

void CommandButtons::Place(QWidget* client, const DialogUnits& du) {
  places_ = {du.Rect(29, 252, 29, 24),  du.Rect(75, 252, 29, 24),  du.Rect(121, 252, 29, 24),
             du.Rect(167, 252, 29, 24), du.Rect(212, 252, 29, 24), du.Rect(0, 283, 6, 6)};
  for (int i = 0; i < kButtonCount; ++i) {
    buttons_[i]->setParent(client);
    buttons_[i]->setIconSize(QSize(24, 24));
    if (i != kUpgrade) {
      const int grow = std::max(0, buttons_[i]->sizeHint().width() - places_[i].width());
      places_[i].adjust(-grow / 2, 0, grow - grow / 2, 0);
    }
    buttons_[i]->setGeometry(places_[i]);
  }
  buttons_[kUpgrade]->hide();  // nothing in the window shows or enables it
  buttons_[kUpgrade]->setEnabled(false);
}

void CommandButtons::Follow(const QSize& extra) {
  for (int i = 0; i < kButtonCount; ++i)
    buttons_[i]->move(places_[i].topLeft() + QPoint(extra.width() / 2, extra.height()));
}

void CommandButtons::ShowPortState(bool open) {
  const std::pair<Button, icons::Command> iconButtons[] = {{kRead, icons::Command::Read},
                                                           {kWrite, icons::Command::Write},
                                                           {kDefault, icons::Command::Default},
                                                           {kUpgrade, icons::Command::Upgrade},
                                                           {kReboot, icons::Command::Reboot}};
  for (const auto& [button, command] : iconButtons) buttons_[button]->setIcon(icons::CommandIcon(command, !open));
}

void CommandButtons::SetEnabled(bool enabled, bool portOpen) {
  const bool grayed = !enabled || !portOpen;
  const std::pair<Button, icons::Command> iconButtons[] = {{kRead, icons::Command::Read},
                                                           {kWrite, icons::Command::Write},
                                                           {kDefault, icons::Command::Default},
                                                           {kReboot, icons::Command::Reboot}};
  for (const auto& [button, command] : iconButtons) buttons_[button]->setIcon(icons::CommandIcon(command, grayed));
  for (Button button : {kRead, kWrite, kDefault, kReboot, kExit}) buttons_[button]->setEnabled(enabled);
}

}  // namespace telvaro
