// Reboot with its countdown note, and the firmware upgrade from the window,
// against the simulated modem over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <functional>

#include "app/main_dialog.h"
#include "tests/gui_test_support.h"
#include "app/note_dialog.h"
#include "pages/config_page.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

class RebootAndUpgrade : public WindowWithModem {
 protected:
  RebootAndUpgrade() { answer = MessageAnswer::Yes; }

  void Open(sim::SimOptions simOptions = {}, int noteLifeMs = 30000) {
    StartModem(simOptions);
    ASSERT_FALSE(HasFatalFailure());
    MainDlgOptions options;
    options.rememberedPort = kSimPort;
    options.chooseFirmwareFile = [this](QWidget*) { return firmware; };
    // Only the loader's 3000 ms start is shortened; the polls keep their 100 ms.
    options.upgradeSleep = [](int ms) { QThread::msleep(ms == 3000 ? 50 : ms); };
    options.noteLifeMs = noteLifeMs;
    OpenWindow(std::move(options));
    window->findChild<QPushButton*>("switchButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 6000));
    ASSERT_EQ(texts, std::vector<std::string>{"Operation succeed!"});
    texts.clear();
    captions.clear();
    icons.clear();
    modem->ClearFrames();
  }

  // Writes an image of `size` bytes and returns its bytes.
  QByteArray Image(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 512) & 0xFF);
    firmware = dir.filePath("APROM.bin");
    QFile file(firmware);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return bytes;
  }

  // Runs the upgrade from the Settings menu and waits for its final message.
  std::vector<sim::ReceivedFrame> Upgrade(int timeoutMs = 20000) {
    window->findChild<QAction*>("upgradeAction")->trigger();
    EXPECT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, timeoutMs));
    std::vector<sim::ReceivedFrame> packets;
    for (const auto& f : modem->Frames())
      if (f.kind == sim::FrameKind::UpgradeData) packets.push_back(f);
    return packets;
  }

  // The upgrade's question is kept apart, with what the modem had been sent
  // by then; every box gets `answer`.
  MessageAnswer Respond(const MessageRequest& request) override {
    if (request.caption == "Upgrade firmware" && request.text.startsWith("The new firmware did not keep")) {
      settingsQuestions.push_back(request.text.toStdString());
      return restoreAnswer;
    }
    if (request.caption == "Upgrade firmware") {
      EXPECT_EQ(request.icon, MessageIcon::Question);
      questions.push_back(request.text.toStdString());
      framesAtQuestion = modem->Frames().size();
      return answer;
    }
    WindowWithModem::Respond(request);
    shownAt.push_back(std::chrono::steady_clock::now());
    return answer;
  }

  QTemporaryDir dir;
  QString firmware;
  std::vector<std::string> questions;
  std::size_t framesAtQuestion = 0;
  std::vector<std::string> settingsQuestions;  // after the restart: write the backup back?
  MessageAnswer restoreAnswer = MessageAnswer::Yes;
  std::vector<std::chrono::steady_clock::time_point> shownAt;
};

TEST_F(RebootAndUpgrade, RebootAsksFirstAndCountsDown) {
  Open({}, 1500);
  answer = MessageAnswer::No;
  window->findChild<QToolButton*>("rebootButton")->click();
  EXPECT_EQ(texts, std::vector<std::string>{"The device will reboot, continue?"});
  EXPECT_EQ(captions, std::vector<std::string>{"Reboot"});
  QTest::qWait(200);
  EXPECT_TRUE(modem->Frames().empty());
  EXPECT_TRUE(window->findChildren<CNoteDlg*>().isEmpty());

  answer = MessageAnswer::Yes;
  window->findChild<QToolButton*>("rebootButton")->click();
  ASSERT_TRUE(modem->WaitForFrames(1, std::chrono::seconds(2)));
  const auto frames = modem->Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].kind, sim::FrameKind::Reboot);
  EXPECT_EQ(std::string(frames[0].bytes.begin(), frames[0].bytes.end()), "CON_STArebootCON_END");

  const auto notes = window->findChildren<CNoteDlg*>();
  ASSERT_EQ(notes.size(), 1);
  QPointer<CNoteDlg> note = notes[0];
  EXPECT_EQ(note->windowTitle(), "Note");
  EXPECT_TRUE(note->isVisible());
  EXPECT_EQ(note->Text(), "Restarting system, please wait 30 seconds...");
  // The window stays usable and the port open.
  EXPECT_TRUE(window->findChild<QToolButton*>("readButton")->isEnabled());
  EXPECT_TRUE(window->Session().IsOpen());

  ASSERT_TRUE(WaitUntil([&] { return note->Countdown() == 29; }, 1500));
  EXPECT_EQ(note->Text(), "Restarting system, please wait 29 seconds...");
  // OK hides it; it still closes itself when its time is up (shortened here).
  note->findChild<QPushButton*>("okButton")->click();
  EXPECT_FALSE(note->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return note.isNull(); }, 3000));
}

TEST_F(RebootAndUpgrade, EveryRebootHasANoteOfItsOwnAndTheRealPeriodsAreThePartsOnes) {
  Open();
  window->findChild<QToolButton*>("rebootButton")->click();
  window->findChild<QToolButton*>("rebootButton")->click();
  EXPECT_EQ(window->findChildren<CNoteDlg*>().size(), 2);
  EXPECT_EQ(CNoteDlg::kTickMs, 1000);
  EXPECT_EQ(CNoteDlg::kLifeMs, 30000);
  ASSERT_TRUE(modem->WaitForFrames(2, std::chrono::seconds(2)));
}

TEST_F(RebootAndUpgrade, ImagesOfOneAndTwoPackets) {
  Open();
  const QByteArray one = Image(512);
  auto packets = Upgrade();
  EXPECT_EQ(texts, std::vector<std::string>{"Upgrade Finished"});
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].bytes.size(), 543u);
  EXPECT_EQ(packets[0].total, 1);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(packets[0].bytes.data()) + 19, 512), one);
  const auto frames = modem->Frames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[0].kind, sim::FrameKind::GetSysPara);  // the backup, before anything else
  EXPECT_EQ(frames[1].kind, sim::FrameKind::RebootLdrom);

  texts.clear();
  modem->ClearFrames();
  const QByteArray two = Image(513);
  packets = Upgrade();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].total, 2);
  EXPECT_EQ(packets[1].index, 2);
  EXPECT_EQ(packets[1].bytes.size(), 32u);  // one data byte
  EXPECT_EQ(static_cast<char>(packets[1].bytes[19]), two[512]);
  EXPECT_FALSE(window->ProgressBar()->isVisible());
  EXPECT_TRUE(window->findChild<QToolButton*>("exitButton")->isEnabled());
  EXPECT_TRUE(window->findChild<QAction*>("upgradeAction")->isEnabled());
}

TEST_F(RebootAndUpgrade, AnUpgradeIsAskedForFirstAndASettingsFileIsRefused) {
  Open();
  // An exported settings file (all zero is a valid one) is never sent.
  firmware = dir.filePath("DATAROM.bin");
  QFile settings(firmware);
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly) && settings.write(QByteArray(ConfigRecord::kBlockSize, '\0')));
  settings.close();
  Upgrade();
  EXPECT_EQ(texts, std::vector<std::string>{"DATAROM.bin is a settings file, not a firmware image"});
  Image(512);
  answer = MessageAnswer::No;
  Upgrade();
  EXPECT_EQ(texts.size(), 1u);  // No: nothing more said, nothing sent
  EXPECT_TRUE(modem->Frames().empty());

  // Yes: asked before "reboot_ldrom" left; the failure warned, the end informs.
  answer = MessageAnswer::Yes;
  Upgrade();
  EXPECT_EQ(questions, std::vector<std::string>(2, "Upgrade the firmware of the modem on COM50 with APROM.bin (512 "
                                                   "bytes)?\nThe modem restarts in its loader and must stay "
                                                   "connected until the upgrade has finished."));
  EXPECT_EQ(framesAtQuestion, 0u);
  EXPECT_EQ(modem->Frames().at(1).kind, sim::FrameKind::RebootLdrom);
  EXPECT_EQ(texts.back(), "Upgrade Finished");
  EXPECT_EQ(icons, (std::vector<MessageIcon>{MessageIcon::Warning, MessageIcon::Information}));
}

// A new firmware that starts with the factory settings: the window names the
// settings it did not keep and, on Yes, writes the backup back; on No the
// modem keeps the new ones and the message says where the old ones are.
TEST_F(RebootAndUpgrade, TheSettingsTheNewFirmwareDidNotKeepAreNamedAndWrittenBackOnYes) {
  sim::SimOptions options;
  options.restartAfterUpgradeMs = 200;
  options.factoryAfterUpgrade = true;
  Open(options);
  const ConfigRecord before = modem->StoredRecord();
  Image(600);
  Upgrade(30000);
  ASSERT_EQ(settingsQuestions.size(), 1u);
  EXPECT_EQ(settingsQuestions[0].rfind("The new firmware did not keep 6 setting(s):\n  basic.device_name\n  gprs.apn\n",
                                       0),
            0u)
      << settingsQuestions[0];
  ASSERT_EQ(texts.size(), 1u);
  const std::string backups = preferencesDir.filePath("backups/").toStdString();
  EXPECT_EQ(texts[0].rfind("Upgrade Finished\nSettings restored from " + backups, 0), 0u) << texts[0];
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), before.Get(field::device_name));
  EXPECT_EQ(modem->StoredRecord().Get(field::apn), before.Get(field::apn));
  // The guard's reads showed the status only: the pages still show what they did.
  EXPECT_EQ(window->State().record.Get(field::device_name), before.Get(field::device_name));
  EXPECT_EQ(window->Page(kBasic)->findChild<QLineEdit*>("deviceNameEdit")->text().toStdString(),
            before.Get(field::device_name));

  texts.clear();
  restoreAnswer = MessageAnswer::No;
  modem->ClearFrames();
  Upgrade(30000);
  EXPECT_EQ(settingsQuestions.size(), 2u);
  for (const auto& f : modem->Frames()) EXPECT_NE(f.kind, sim::FrameKind::SetSysPara);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("The modem keeps the new firmware's settings (Read shows them); the earlier ones are in "),
            std::string::npos)
      << texts[0];
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), "Modem");
}

TEST_F(RebootAndUpgrade, AModemAnsweringZeroToEveryPacketEndsWithSuccess) {
  sim::SimOptions options;
  options.packetCodes[3] = 0;  // the last packet answered 0 instead of 8
  Open(options);
  Image(3 * 512 - 100);
  const auto packets = Upgrade();
  std::vector<int> indices;
  for (const auto& p : packets) indices.push_back(p.index);
  EXPECT_EQ(indices, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(texts, std::vector<std::string>{"Success"});
}

TEST_F(RebootAndUpgrade, ARefusedPacketIsSentAgainUnchanged) {
  sim::SimOptions options;
  options.packetCodes[3] = 6;
  Open(options);
  Image(4 * 512);
  const auto packets = Upgrade();
  std::vector<int> indices;
  for (const auto& p : packets) indices.push_back(p.index);
  EXPECT_EQ(indices, (std::vector<int>{1, 2, 3, 3, 4}));
  EXPECT_EQ(packets[2].bytes, packets[3].bytes);
  EXPECT_EQ(texts, std::vector<std::string>{"Upgrade Finished"});
}

TEST_F(RebootAndUpgrade, SilenceAfterPacketTenEndsTheUpgrade) {
  sim::SimOptions options;
  options.stopAfterPacket = 10;
  Open(options);
  Image(12 * 512);
  const auto packets = Upgrade(30000);
  ASSERT_EQ(packets.size(), 11u);  // packet 11 is sent once and never answered
  EXPECT_EQ(texts, std::vector<std::string>{"Err:Comm Failed"});
  // The final message came about 3.2 s after packet 11 (allowing for a busy machine).
  ASSERT_FALSE(shownAt.empty());
  const double afterLast = std::chrono::duration<double>(shownAt.back() - packets.back().when).count();
  EXPECT_GT(afterLast, 3.0);
  EXPECT_LT(afterLast, 6.0);
  EXPECT_FALSE(window->ProgressBar()->isVisible());
}

TEST_F(RebootAndUpgrade, CancelledUnreadableAndEmptyFiles) {
  Open();
  firmware.clear();  // the operator cancels the dialog
  window->findChild<QAction*>("upgradeAction")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return window->RunningWorkers() == 0; }, 3000));
  EXPECT_TRUE(texts.empty());

  firmware = dir.filePath("missing.bin");
  window->findChild<QAction*>("upgradeAction")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 3000));
  EXPECT_EQ(texts, std::vector<std::string>{"Open file failed\nNo such file or directory"});

  // A directory and an image over 64 KiB are refused before "reboot_ldrom".
  texts.clear();
  firmware = dir.path();
  window->findChild<QAction*>("upgradeAction")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 3000));
  Image(65536 + 1);
  window->findChild<QAction*>("upgradeAction")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return texts.size() == 2 && window->RunningWorkers() == 0; }, 3000));
  EXPECT_EQ(texts, (std::vector<std::string>{"Open file failed\nnot a regular file",
                                             "Firmware image too large: 65537 bytes, the limit is 65536 bytes"}));

  texts.clear();
  Image(0);
  window->findChild<QAction*>("upgradeAction")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 3000));
  // An empty image ends as an unanswered upgrade does, having sent nothing.
  EXPECT_EQ(texts, std::vector<std::string>{"Err:Comm Failed"});
  QTest::qWait(100);
  EXPECT_TRUE(modem->Frames().empty());  // not even "reboot_ldrom"
}

TEST_F(RebootAndUpgrade, WithThePortClosed) {
  Open();
  window->findChild<QPushButton*>("switchButton")->click();
  ASSERT_FALSE(window->Session().IsOpen());
  texts.clear();
  window->findChild<QToolButton*>("rebootButton")->click();
  window->findChild<QAction*>("upgradeAction")->trigger();
  EXPECT_EQ(texts, (std::vector<std::string>{"Failed:Comm is not opened", "Failed:Comm is not opened"}));
}

}  // namespace
}  // namespace telvaro
