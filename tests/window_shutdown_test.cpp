// The window when things go wrong around it: closed during an upgrade, the
// port closed during a wait, the modem unplugged.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QTimer>

#include "widgets/icons.h"
#include "app/main_dialog.h"
#include "app/note_dialog.h"
#include "sim/modem_sim.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

class WindowFaults : public WindowWithModem {
 protected:
  WindowFaults() { answer = MessageAnswer::No; }

  void Open(sim::SimOptions simOptions = {}, bool waitForRead = true) {
    StartModem(simOptions);
    ASSERT_FALSE(HasFatalFailure());
    MainDlgOptions options;
    options.rememberedPort = kSimPort;
    options.chooseFirmwareFile = [this](QWidget*) { return firmware; };
    OpenWindow(std::move(options));
    window->findChild<QPushButton*>("switchButton")->click();
    if (waitForRead) {
      ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 6000));
      texts.clear();
    }
  }

  MessageAnswer Respond(const MessageRequest& request) override {
    if (request.caption == "Upgrade firmware") return MessageAnswer::Yes;  // the upgrade starts when asked
    return WindowWithModem::Respond(request);
  }

  int PacketsSent() const {
    int n = 0;
    for (const auto& f : modem->Frames()) n += f.kind == sim::FrameKind::UpgradeData;
    return n;
  }

  QTemporaryDir dir;
  QString firmware;
};

// Escape, the close box and File > Exit ask while an upgrade runs; kept open,
// the upgrade goes on. Closed anyway, it stops at the next packet, the port
// is closed, and nothing is shown for the window that has gone.
TEST_F(WindowFaults, ClosingDuringAnUpgradeAsksAndThenStopsSilently) {
  Open();
  firmware = dir.filePath("APROM.bin");
  QFile file(firmware);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(60 * 512, '\x5A'));
  file.close();

  window->findChild<QAction*>("upgradeAction")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return PacketsSent() >= 2; }, 10000));
  answer = MessageAnswer::No;
  QTest::keyClick(window.get(), Qt::Key_Escape);
  window->close();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[0].find("cannot be resumed"), std::string::npos) << texts[0];
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Session().IsOpen());
  const int before = PacketsSent();
  ASSERT_TRUE(WaitUntil([&] { return PacketsSent() > before; }, 5000));  // still going

  texts.clear();
  answer = MessageAnswer::Yes;
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Session().IsOpen());
  EXPECT_EQ(window->RunningWorkers(), 0);  // closing waited for the worker
  const int atClose = PacketsSent();
  EXPECT_LT(atClose, 60);
  QTest::qWait(500);
  EXPECT_EQ(PacketsSent(), atClose);
  EXPECT_EQ(texts.size(), 1u);  // the question only: no "Err:Comm Failed" afterwards
}

// The port closed while a Read waits for a silent modem: the wait ends at
// once without a message and every command button, Exit included, is back.
TEST_F(WindowFaults, ClosingThePortDuringAWaitGivesTheButtonsBack) {
  sim::SimOptions silent;
  silent.silent = true;
  Open(silent, false);
  ASSERT_TRUE(WaitUntil([&] { return !CommandButtonsEnabled(); }, 2000));
  auto* switchButton = window->findChild<QPushButton*>("switchButton");
  switchButton->click();
  EXPECT_FALSE(window->Session().IsOpen());
  EXPECT_TRUE(WaitUntil([&] { return CommandButtonsEnabled() && window->RunningWorkers() == 0; }, 2000));
  EXPECT_TRUE(texts.empty());
  // Back, but with the port closed they still look unavailable.
  auto* read = window->findChild<QToolButton*>("readButton");
  EXPECT_EQ(read->icon().cacheKey(), icons::CommandIcon(icons::Command::Read, true).cacheKey());

  // Closed and opened again at once: the first wait ends, but gives nothing
  // back while the second (the automatic Read) still waits.
  switchButton->click();
  ASSERT_TRUE(WaitUntil([&] { return !CommandButtonsEnabled(); }, 2000));
  switchButton->click();
  switchButton->click();
  ASSERT_TRUE(window->Session().IsOpen());
  QTest::qWait(400);
  EXPECT_FALSE(CommandButtonsEnabled());
  EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
}

// The other end of the line closing (a USB adapter pulled) closes the port as
// the switch button would and says so in the status bar; a Read waiting then
// ends and the buttons are back.
// A line that stops taking bytes (flow control held by the other end): the
// Write ends at its deadline with the reason while the window goes on (its
// timers fire), and a Reboot that did not go out opens no countdown.
TEST_F(WindowFaults, AStalledLineEndsTheWriteWithItsReasonAndTheWindowRunsOn) {
  Open();
  const int brake = ::open(modem->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(brake, 0);
  ::tcflow(brake, TCOOFF);
  int ticks = 0;
  int ticksAtMessage = -1;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(50);
  window->Messages().SetResponder([&](const MessageRequest& request) {
    texts.push_back(request.text.toStdString());
    if (ticksAtMessage < 0) ticksAtMessage = ticks;
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  });
  window->findChild<QToolButton*>("writeButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 15000));
  EXPECT_EQ(texts, std::vector<std::string>{"COM50: the line does not take data"});
  EXPECT_GE(ticksAtMessage, 3);  // the window's own events went on during the Write
  EXPECT_TRUE(CommandButtonsEnabled());

  texts.clear();
  window->findChild<QToolButton*>("rebootButton")->click();
  EXPECT_EQ(texts, (std::vector<std::string>{"The device will reboot, continue?", "COM50: the line does not take data"}));
  EXPECT_TRUE(window->findChildren<CNoteDlg*>().isEmpty());
  ::tcflow(brake, TCOON);
  ::close(brake);
}

TEST_F(WindowFaults, AnUnpluggedModemClosesThePortAndTheStatusBarSaysSo) {
  Open();
  modem->Stop();
  ASSERT_TRUE(WaitUntil([&] { return !window->Session().IsOpen(); }, 3000));
  EXPECT_EQ(window->findChild<QPushButton*>("switchButton")->text(), "Open");
  EXPECT_EQ(window->StatusField(1), "portClosedIcon");
  EXPECT_EQ(window->StatusField(3), "COM50: device disconnected");
  EXPECT_TRUE(window->findChild<QWidget*>("portSelector")->isEnabled());
  EXPECT_TRUE(WaitUntil([&] { return CommandButtonsEnabled(); }, 2000));
  EXPECT_TRUE(texts.empty());

  // Plugged in again (a new device path), the port opens and reads as before.
  ASSERT_TRUE(modem->Start());
  window->Session().Ports().AddPair("COM50=" + modem->DevicePath());
  window->findChild<QPushButton*>("switchButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 6000));
  EXPECT_EQ(texts, std::vector<std::string>{"Operation succeed!"});
}

}  // namespace
}  // namespace telvaro
