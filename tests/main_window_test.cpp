// The main window headless, against the simulated modem over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "app/main_dialog.h"
#include "tests/gui_test_support.h"
#include "pages/about_dialog.h"
#include "pages/help_dialog.h"
#include "pages/config_page.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

// A built-in ttyS0 beside the simulator's port; every box gets `answer`.
class MainWindow : public WindowWithModem {
 protected:
  void OpenWindow() {
    systemPorts.ports = {{"", "/dev/ttyS0", "built-in serial port"}};
    WindowWithModem::OpenWindow();
  }
  MessageAnswer Respond(const MessageRequest& request) override {
    WindowWithModem::Respond(request);
    return answer;
  }

  template <typename T>
  T* Find(const char* name) const {
    return window->findChild<T*>(name);
  }

  void SelectPort(int com) {
    auto* selector = Find<QComboBox>("portSelector");
    selector->setCurrentIndex(selector->findText(QString("COM%1").arg(com)));
  }

  std::vector<std::string> Messages() const { return texts; }
};

TEST_F(MainWindow, StartUpState) {
  OpenWindow();
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro");
  EXPECT_EQ(window->StatusField(2), "COM1 9600,N,8,1");
  EXPECT_EQ(window->StatusField(1), "portClosedIcon");
  EXPECT_EQ(Find<QPushButton>("switchButton")->text(), "Open");
  EXPECT_EQ(Find<QPushButton>("switchButton")->toolTip(), "Open the comm port");
  EXPECT_TRUE(Find<QComboBox>("portSelector")->isEnabled());
  EXPECT_EQ(Find<QComboBox>("portSelector")->currentText(), "COM1");  // ttyS0 is COM1, the remembered port

  // The Com tab and page are shown, every other page hidden.
  EXPECT_EQ(window->TabBar()->currentIndex(), 0);
  EXPECT_EQ(window->TabBar()->tabText(0), "   Com");
  EXPECT_TRUE(window->Page(kCom)->isVisible());
  for (int i = 1; i < kPageCount; ++i) EXPECT_FALSE(window->Page(static_cast<PageIndex>(i))->isVisible()) << i;
  // Every page's input controls are disabled while the port is closed (the
  // Networks page's "Update Frequency" edit among them).
  ASSERT_NE(Find<QLineEdit>("updateFrequency"), nullptr);
  EXPECT_FALSE(Find<QLineEdit>("updateFrequency")->isEnabled());
  for (int i = 0; i < kPageCount; ++i)
    for (QWidget* control : window->Page(static_cast<PageIndex>(i))->InputControls())
      EXPECT_FALSE(control->isEnabled()) << i;

  // The Upgrade button exists, hidden and disabled; the other tips are set.
  auto* upgrade = Find<QToolButton>("upgradeButton");
  ASSERT_NE(upgrade, nullptr);
  EXPECT_FALSE(upgrade->isVisible());
  EXPECT_FALSE(upgrade->isEnabled());
  EXPECT_EQ(upgrade->toolTip(), "Upgrade firmware");
  EXPECT_EQ(Find<QToolButton>("defaultButton")->toolTip(), "Set device default paramters");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(MainWindow, TabRotation) {
  OpenWindow();
  QTabBar* tabs = window->TabBar();
  tabs->setCurrentIndex(5);  // Wakeup: no rotation
  EXPECT_EQ(tabs->tabText(0), "   Com");
  EXPECT_EQ(tabs->currentIndex(), 5);
  EXPECT_TRUE(window->Page(kWakeup)->isVisible());

  tabs->setCurrentIndex(6);  // Reboot: the halves swap, Reboot first and selected
  EXPECT_EQ(tabs->tabText(0), "Reboot");
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_TRUE(window->Page(kReboot)->isVisible());
  EXPECT_FALSE(window->Page(kWakeup)->isVisible());
  EXPECT_EQ(tabs->tabText(1), "     DI");

  tabs->setCurrentIndex(11);  // Wakeup in the rotated order: back to normal
  EXPECT_EQ(tabs->tabText(0), "   Com");
  EXPECT_EQ(tabs->tabText(5), "Wakeup");
  EXPECT_EQ(tabs->currentIndex(), 5);
  EXPECT_TRUE(window->Page(kWakeup)->isVisible());
  // After two rotations the DI label has four leading spaces, not five.
  EXPECT_EQ(tabs->tabText(7), "    DI");
  EXPECT_EQ(tabs->count(), kPageCount);
}

TEST_F(MainWindow, UpdateProgressShowsAndHidesTheBar) {
  OpenWindow();
  QProgressBar* bar = window->ProgressBar();
  EXPECT_FALSE(bar->isVisible());
  window->UpdateProgress(0, 1);
  window->UpdateProgress(2, 3);
  EXPECT_FALSE(bar->isVisible());
  window->UpdateProgress(3, 1);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->value(), 33);
  window->UpdateProgress(0, 1);  // changes nothing
  window->UpdateProgress(2, 3);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->value(), 33);
  window->UpdateProgress(3, 3);
  EXPECT_FALSE(bar->isVisible());
}

TEST_F(MainWindow, EnterDoesNotCloseAndEscapeClosesThePort) {
  StartModem();
  OpenWindow();
  QTest::keyClick(window.get(), Qt::Key_Return);
  QTest::keyClick(window.get(), Qt::Key_Enter);
  EXPECT_TRUE(window->isVisible());

  SelectPort(kSimPort);
  Find<QPushButton>("switchButton")->click();
  ASSERT_TRUE(window->Session().IsOpen());
  ASSERT_TRUE(WaitUntil([&] { return CommandButtonsEnabled() && !Messages().empty(); }, 5000));
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Session().IsOpen());
}

TEST_F(MainWindow, ExitAsksAndNoLeavesThePortOpen) {
  StartModem();
  OpenWindow();
  SelectPort(kSimPort);
  Find<QPushButton>("switchButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return CommandButtonsEnabled() && !Messages().empty(); }, 5000));
  texts.clear();
  answer = MessageAnswer::No;
  Find<QToolButton>("exitButton")->click();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Close this program, continue?"});
  EXPECT_EQ(window->Messages().History().back().caption, "Exit");
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Session().IsOpen());
  answer = MessageAnswer::Yes;
  Find<QToolButton>("exitButton")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Session().IsOpen());
}

TEST_F(MainWindow, ReadWithThePortClosed) {
  OpenWindow();
  for (const char* name : {"readButton", "writeButton", "defaultButton", "rebootButton"}) {
    texts.clear();
    Find<QToolButton>(name)->click();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed:Comm is not opened"}) << name;
  }
  EXPECT_EQ(window->Messages().History().back().caption, "Telvaro Pro");
  EXPECT_EQ(window->RunningWorkers(), 0);
}

TEST_F(MainWindow, OpeningThePortReadsAndReadSucceeds) {
  StartModem();
  OpenWindow();
  SelectPort(kSimPort);
  Find<QPushButton>("switchButton")->click();
  EXPECT_EQ(Find<QPushButton>("switchButton")->text(), "Close");
  EXPECT_FALSE(Find<QComboBox>("portSelector")->isEnabled());
  EXPECT_EQ(window->StatusField(2), "COM50 115200,n,8,1");
  // The automatic read: buttons busy, then back with the success text.
  EXPECT_FALSE(Find<QToolButton>("readButton")->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !Messages().empty(); }, 5000));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Operation succeed!"});
  EXPECT_TRUE(CommandButtonsEnabled());
  EXPECT_EQ(window->StatusField(3), "GPRS Online");  // the record's status text
  EXPECT_TRUE(Find<QLineEdit>("updateFrequency")->isEnabled());
  EXPECT_TRUE(window->State().responseReceived.load());
  // Every page is enabled by its own rules; one control each that is always on.
  const std::pair<PageIndex, const char*> alwaysOn[] = {
      {kCom, "baudRateList"}, {kGprs, "apnEdit"},     {kDi, "modeList0"},   {kDo, "diAlarmBox"},
      {kPhoneBook, "phoneNumber1"}, {kNetworks, "updateFrequency"}};
  for (const auto& [page, name] : alwaysOn) {
    auto* control = window->Page(page)->findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_TRUE(control->isEnabled()) << name;
  }
  // The simulator's PIN lock is off: the PIN change controls stay disabled.
  EXPECT_TRUE(Find<QLineEdit>("deviceNameEdit")->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>("pinCodeEdit")->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>("newPinCodeEdit")->isEnabled());

  // Read of the button.
  texts.clear();
  Find<QToolButton>("readButton")->click();
  EXPECT_FALSE(CommandButtonsEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !Messages().empty(); }, 5000));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Operation succeed!"});
  EXPECT_TRUE(CommandButtonsEnabled());
  const auto frames = modem->Frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].kind, sim::FrameKind::GetSysPara);
}

TEST_F(MainWindow, ASilentModemTimesOutAndOnlyTheReadButtonSaysSo) {
  sim::SimOptions options;
  options.silent = true;
  StartModem(options);
  OpenWindow();
  SelectPort(kSimPort);

  QElapsedTimer clock;
  clock.start();
  Find<QPushButton>("switchButton")->click();
  // The automatic read times out silently: buttons back, pages disabled.
  ASSERT_TRUE(WaitUntil([&] { return window->RunningWorkers() == 0; }, 8000));
  const qint64 silentMs = clock.elapsed();
  EXPECT_GT(silentMs, 3800);
  EXPECT_LT(silentMs, 7000);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(CommandButtonsEnabled());
  for (int i = 0; i < kPageCount; ++i)
    for (QWidget* control : window->Page(static_cast<PageIndex>(i))->InputControls())
      EXPECT_FALSE(control->isEnabled()) << i;
  EXPECT_TRUE(window->Session().IsOpen());

  clock.restart();
  Find<QToolButton>("readButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return !Messages().empty(); }, 8000));
  const qint64 readMs = clock.elapsed();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Failed: timeout"});
  EXPECT_GT(readMs, 3800);
  EXPECT_LT(readMs, 7000);
  EXPECT_TRUE(CommandButtonsEnabled());
}

TEST(Dialogs, HelpAndAboutShowTheirTexts) {
  auto texts = [](QWidget& dialog) {
    QStringList all;
    for (QLabel* label : dialog.findChildren<QLabel*>())
      if (!label->text().isEmpty()) all << label->text();
    return all.join("|");
  };
  CHelpDlg help;
  EXPECT_EQ(help.windowTitle(), "help");
  const QString helpText = texts(help);
  for (const char* line : {"*There are two working mode availble in Z770, which is Config Mode and Normal Mode;",
                           "*Debug page configuration is only availble under Normal Mode;",
                           "*User could only control the modem via AT Commands under Normal Mode;",
                           "*For rest page, it is only available for configuring under Config;"})
    EXPECT_TRUE(helpText.contains(line)) << line;
  CAboutDlg about;
  EXPECT_EQ(about.windowTitle(), "About Telvaro Pro");
  EXPECT_TRUE(texts(about).contains("Telvaro Pro V1.0.7"));
  for (QDialog* dialog : std::initializer_list<QDialog*>{&help, &about}) {
    auto* ok = dialog->findChild<QPushButton*>("okButton");
    ASSERT_NE(ok, nullptr);
    dialog->show();
    ok->click();
    EXPECT_FALSE(dialog->isVisible());
  }
}

}  // namespace
}  // namespace telvaro
