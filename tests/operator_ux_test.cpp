// What an operator meets first: a port list that can be read, feedback while
// the modem is busy or silent, message icons and the keyboard.
#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "app/main_dialog.h"
#include "pages/config_page.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

TEST(OperatorPortList, OpenListShowsWholeEntriesAndKeepsTheChoice) {
  bool withUsb = true;
  MainDlgOptions options;
  options.portTable = [&withUsb] {
    SystemPortTable table;
    table.ports.push_back({"", "/dev/ttyS0", "built-in serial port"});
    if (withUsb) {
      table.ports.push_back({"", "/dev/ttyUSB0", "FT232R USB UART"});
      table.ports.push_back({"", "/dev/ttyUSB100", "CP2102 USB to UART Bridge Controller"});
    }
    return table;
  };
  CMainDlg window(std::move(options));
  window.Messages().SetResponder([](const MessageRequest&) { return MessageAnswer::Ok; });
  window.show();
  auto* selector = window.findChild<QComboBox*>("portSelector");
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(selector->currentText(), "COM1");  // the remembered port, the name alone
  // The top row has room: the selector for "COM100" and its arrow, the switch
  // button for its picture and "Close", the note after them.
  auto* switchButton = window.findChild<QPushButton*>("switchButton");
  auto* note = window.findChild<QLabel*>("note");
  EXPECT_GE(selector->width(), selector->minimumSizeHint().width());
  EXPECT_GE(switchButton->width(), switchButton->fontMetrics().horizontalAdvance("Close") + switchButton->iconSize().width());
  EXPECT_LT(selector->geometry().right(), switchButton->x());
  EXPECT_LT(switchButton->geometry().right(), note->x());

  selector->showPopup();
  QAbstractItemView* list = selector->view();
  int widest = 0;
  for (int row = 0; row < selector->count(); ++row)
    widest = std::max(widest, list->fontMetrics().horizontalAdvance(
                                  selector->itemData(row, Qt::UserRole + 1).toString()));
  const int usb = selector->findText("COM100");
  ASSERT_GE(usb, 0);
  EXPECT_EQ(selector->itemData(usb, Qt::UserRole + 1).toString(), "COM100  /dev/ttyUSB0  FT232R USB UART");
  EXPECT_GE(list->viewport()->width(), widest);
  EXPECT_GT(list->window()->width(), selector->width());

  // The operator picks COM100; a refill (the list opened again) keeps it.
  selector->setCurrentIndex(usb);
  emit selector->activated(usb);
  selector->hidePopup();
  selector->showPopup();
  EXPECT_EQ(selector->currentText(), "COM100");
  selector->hidePopup();
  EXPECT_EQ(selector->currentText(), "COM100");
  // Unplugged, it gives way to the remembered port.
  withUsb = false;
  selector->showPopup();
  selector->hidePopup();
  EXPECT_EQ(selector->currentText(), "COM1");
}

TEST(OperatorKeyboard, ShortcutsMovePagesStartReadAndFailuresWarn) {
  MainDlgOptions options;
  options.portTable = [] {
    SystemPortTable table;
    table.ports.push_back({"", "/dev/ttyS0", "built-in serial port"});
    return table;
  };
  CMainDlg window(std::move(options));
  std::vector<MessageRequest> shown;
  window.Messages().SetResponder([&](const MessageRequest& request) {
    shown.push_back(request);
    return MessageAnswer::Ok;
  });
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  QTabBar* tabs = window.TabBar();
  QTest::keyClick(&window, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_TRUE(window.Page(kBasic)->isVisible());
  QTest::keyClick(&window, Qt::Key_PageUp, Qt::ControlModifier);
  QTest::keyClick(&window, Qt::Key_PageUp, Qt::ControlModifier);  // from Com back to Networks: rotates
  EXPECT_TRUE(window.Page(kNetworks)->isVisible());
  EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "Networks");
  QTest::keyClick(&window, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(window.Page(kPhoneGroup)->isVisible());
  QTest::keyClick(&window, Qt::Key_PageDown, Qt::ControlModifier);
  QTest::keyClick(&window, Qt::Key_PageDown, Qt::ControlModifier);  // Networks, then Com: rotates back
  EXPECT_TRUE(window.Page(kCom)->isVisible());
  EXPECT_EQ(tabs->tabText(0), "   Com");
  for (QToolButton* arrow : tabs->findChildren<QToolButton*>()) EXPECT_EQ(arrow->focusPolicy(), Qt::NoFocus);

  // F5 is the Read button: with the port closed it refuses, with the warning
  // icon; a success would inform. Alt+R is the button's access key.
  QTest::keyClick(&window, Qt::Key_F5);
  ASSERT_EQ(shown.size(), 1u);
  for (const MessageRequest& request : shown) {
    EXPECT_EQ(request.text, "Failed:Comm is not opened");
    EXPECT_EQ(request.icon, MessageIcon::Warning);
  }
  auto* read = window.findChild<QToolButton*>("readButton");
  EXPECT_EQ(read->text().remove('&'), "Read");
  EXPECT_EQ(read->shortcut(), QKeySequence(Qt::ALT | Qt::Key_R));
  // The icon comes from what is shown (a success, a failure's kind, a
  // question), never from the words: "Success" shown as a failure warns.
  MessageOwner& owner = window.Messages();
  owner.ClearHistory();
  owner.ShowSuccess(kWriteSucceeded);
  owner.Show("Success");
  owner.ShowFailure(Failure{FailureKind::NoAnswer, "Failed: timeout", {}});
  owner.ShowFailure(Failure{FailureKind::Cancelled, "Stopped", {}});
  owner.Show("Close this program, continue?", "Exit", MessageButtons::YesNo);
  std::vector<MessageIcon> icons;
  for (const MessageRequest& request : owner.History()) icons.push_back(request.icon);
  EXPECT_EQ(icons, (std::vector<MessageIcon>{MessageIcon::Information, MessageIcon::Warning, MessageIcon::Warning,
                                             MessageIcon::Information, MessageIcon::Question}));
}

// A question before something that cannot be undone: Enter keeps the work.
TEST(OperatorKeyboard, EnterOnAQuestionThatLosesWorkKeepsIt) {
  QWidget owner;
  MessageOwner messages(&owner);
  const auto pressEnterOnTheBox = [] {
    QTimer::singleShot(0, [] {
      QWidget* box = QApplication::activeModalWidget();
      if (box != nullptr) QTest::keyClick(box, Qt::Key_Return);
    });
  };
  pressEnterOnTheBox();
  EXPECT_EQ(messages.AskActFirst("Discard 1 change not written to the modem?", QString(), "Write", "Discard", "Cancel"),
            MessageAnswer::Cancel);
  pressEnterOnTheBox();
  EXPECT_EQ(messages.AskDefaultNo("Close anyway?", "Exit"), MessageAnswer::No);
}

class OperatorFeedback : public WindowWithModem {};

// A frame the line did not take: the operator's Read says why and the pages
// go grey as after a time-out; the automatic Read after opening only says it
// in the status bar.
TEST_F(OperatorFeedback, AFrameThatDidNotGoOutEndsLikeATimeOut) {
  StartWindow();
  PressOpen();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && CommandButtonsEnabled(); }, 10000));
  texts.clear();
  const int brake = ::open(modem->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(brake, 0);
  ::tcflow(brake, TCOOFF);
  auto* deviceName = window->Page(kBasic)->findChild<QLineEdit*>("deviceNameEdit");
  window->ReadParameters();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && CommandButtonsEnabled(); }, 30000));
  EXPECT_EQ(texts, std::vector<std::string>{"COM50: the line does not take data"});
  EXPECT_FALSE(deviceName->isEnabled());

  // Opened again while the line still takes nothing: no box.
  window->TogglePort();
  texts.clear();
  window->TogglePort();
  ASSERT_TRUE(WaitUntil([&] { return window->StatusField(3) == "COM50: the line does not take data"; }, 30000))
      << window->StatusField(3).toStdString();
  EXPECT_TRUE(texts.empty());
  EXPECT_FALSE(deviceName->isEnabled());
  ::tcflow(brake, TCOON);
  ::close(brake);
}

TEST_F(OperatorFeedback, SilentModemIsNamedInTheStatusBar) {
  sim::SimOptions silent;
  silent.silent = true;
  StartWindow(silent);
  PressOpen();
  ASSERT_TRUE(window->Session().IsOpen());
  EXPECT_EQ(window->StatusField(3), "Reading COM50...");
  EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
  // The buttons come back a moment before the pages go grey and the note
  // appears, so wait for the note itself.
  EXPECT_TRUE(WaitUntil([&] { return window->StatusField(3) == "No answer from the modem on COM50"; }, 10000))
      << window->StatusField(3).toStdString();
  EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(texts.empty());  // the automatic read shows no box
}

}  // namespace
}  // namespace telvaro
