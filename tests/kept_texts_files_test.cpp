// What must not drift: the messages the operator and the documentation know,
// word for word in every language the window speaks, and the settings files
// it exports, byte for byte as earlier versions exported them.
#include <gtest/gtest.h>

#include <QAction>
#include <functional>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <string>
#include <vector>

#include "app/language.h"
#include "app/main_dialog.h"
#include "app/modem_operations.h"
#include "pages/config_page.h"
#include "app/note_dialog.h"
#include "operations/settings_file.h"
#include "protocol/record_checksum.h"
#include "sim/modem_sim.h"
#include "tests/gui_test_support.h"

#ifndef TELVARO_TEST_DATA_DIR
#error "TELVARO_TEST_DATA_DIR names the folder of the committed test files"
#endif

namespace telvaro {
namespace {

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A record with what the pages correct or keep on their own: a PIN lock
// above 2, flow control other than the serial settings file's, a disabled
// delimiter holding a byte, and unless left out a Call Reboot role in a
// column not offered (cleared only by pages that are enabled). The clock is
// fixed, so the file is the same on every run.
ConfigRecord DeskRecord(bool unofferedRole = true) {
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  if (!unofferedRole) {
    PhoneBookEntry first = record.PhoneBook(0);
    first.roles = static_cast<std::uint8_t>(first.roles & ~kCallReboot);
    record.SetPhoneBook(0, first);
  }
  for (std::size_t i = 0; i < field::rtc_time.width; ++i) record.SetRawByte(field::rtc_time.offset + i, 0x01);
  record.Set(field::pin_lock, 3);
  record.Set(field::flow_control_index, 1);
  record.Set(field::delimiter1, 0x0D);
  record.SetChecksum(RecordChecksum(record.Record()));
  return record;
}

class KeptTextsAndFiles : public WindowWithModem {
 protected:
  void OpenDeskWindow() {
    systemPorts.ports = {{"", "/dev/ttyS0", "built-in serial port"}};  // no box before the responder
    MainDlgOptions options;
    options.serialSettingsPath = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
    options.chooseSettingsFile = [this](QWidget*, bool) { return chosen; };
    OpenWindow(std::move(options));
  }
  QString WriteInput(bool unofferedRole = true) {
    ConfigRecord record = DeskRecord(unofferedRole);
    const QString input = dir.filePath("input.bin");
    EXPECT_TRUE(WriteSettingsFile(QFile::encodeName(input).toStdString(), record).ok());
    return input;
  }

  QTemporaryDir dir;
  QString chosen;
};

// Opened at the desk and exported, or imported with the port closed and
// exported: the bytes earlier versions wrote for the same record.
TEST_F(KeptTextsAndFiles, ExportedSettingsFilesAreByteIdenticalToEarlierVersions) {
  const QString data = QStringLiteral(TELVARO_TEST_DATA_DIR);
  struct Route {
    const char* golden;
    void (CMainDlg::*load)();
    bool unofferedRole;
  };
  const Route routes[] = {{"exported_opened_at_desk.bin", &CMainDlg::OpenSettingsFile, true},
                          {"exported_imported_port_closed.bin", &CMainDlg::ImportSettings, false}};
  for (const Route& route : routes) {
    OpenDeskWindow();
    chosen = WriteInput(route.unofferedRole);
    (window.get()->*route.load)();
    chosen = dir.filePath(route.golden);
    window->ExportSettings();
    EXPECT_EQ(texts.back(), "Export succeed") << route.golden;
    const QByteArray golden = FileBytes(data + "/" + route.golden);
    ASSERT_EQ(golden.size(), ConfigRecord::kBlockSize) << route.golden;
    EXPECT_EQ(FileBytes(chosen), golden) << route.golden;
    window.reset();
  }
}

// The messages operators and their manuals know, with their captions, word
// for word whatever language the window speaks.
TEST_F(KeptTextsAndFiles, TheMessagesAreTheSameInEveryLanguage) {
  sim::SimOptions quickRestart;
  quickRestart.rebootSilenceMs = 0;  // each language's window reads it at once
  StartModem(quickRestart);
  ASSERT_FALSE(HasFatalFailure());
  const QString good = WriteInput();
  ConfigRecord shortOne = DeskRecord();
  const QString damaged = dir.filePath("damaged.bin");
  ASSERT_TRUE(WriteSettingsFile(QFile::encodeName(damaged).toStdString(), shortOne).ok());
  QFile bad(damaged);
  ASSERT_TRUE(bad.open(QIODevice::ReadWrite));
  bad.seek(ConfigRecord::kBlockSize - 1);
  bad.write("\x7f");  // a checksum byte that does not match
  bad.close();
  const QString cut = dir.filePath("cut.bin");
  ASSERT_TRUE(QFile::copy(good, cut));
  ASSERT_TRUE(QFile::resize(cut, ConfigRecord::kSize));

  struct Step {
    std::function<void()> act;
    const char* text;
    const char* caption;
  };
  const Step steps[] = {
      {[&] { window->ReadParameters(); }, kPortNotOpen, "Telvaro Pro"},
      {[&] { window->ExitProgram(); }, "Close this program, continue?", "Exit"},
      {[&] { chosen = cut; window->ImportSettings(); }, "Read len err", "Telvaro Pro"},
      {[&] { chosen = damaged; window->ImportSettings(); }, "chksum err", "Telvaro Pro"},
      {[&] { chosen = dir.filePath("missing.bin"); window->ImportSettings(); }, "Open file err", "Telvaro Pro"},
      {[&] { chosen = good; window->ImportSettings(); }, "Import succeed", "Telvaro Pro"},
      {[&] { chosen = dir.filePath("export.bin"); window->ExportSettings(); }, "Export succeed", "Telvaro Pro"},
      {[&] {
         PressOpen();
         WaitUntil([&] { return texts.size() > 7 && CommandButtonsEnabled(); }, 10000);
       }, kOperationSucceeded, "Telvaro Pro"},
      {[&] { window->RebootDevice(); }, "The device will reboot, continue?", "Reboot"},
      {[&] {
         window->WriteParameters();
         WaitUntil([&] { return texts.size() > 9 && CommandButtonsEnabled(); }, 10000);
       }, kWriteSucceeded, "Telvaro Pro"},
      {[&] {
         window->findChild<QAction*>("upgradeAction")->trigger();
         WaitUntil([&] { return texts.size() > 10 && window->RunningWorkers() == 0; }, 10000);
       }, "Open file failed", "Telvaro Pro"},
      {[&] {
         window->Page(kNetworks)->findChild<QLineEdit*>("updateFrequency")->setText("0");
         window->WriteParameters();
       }, "Rssi interval err", "Telvaro Pro"},
  };
  struct BackToEnglish {
    ~BackToEnglish() { InstallLanguage("en"); }
  } restore;
  for (const char* language : {"en", "de", "zh_CN"}) {
    SCOPED_TRACE(language);
    ASSERT_EQ(InstallLanguage(language), language);
    texts.clear();
    captions.clear();
    answer = MessageAnswer::No;
    MainDlgOptions options;
    options.serialSettingsPath = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
    options.chooseSettingsFile = [this](QWidget*, bool) { return chosen; };
    options.chooseFirmwareFile = [this](QWidget*) { return dir.filePath("missing-image.bin"); };
    systemPorts.ports = {{"", "/dev/ttyS0", "built-in serial port"}};
    OpenWindow(std::move(options));
    for (const Step& step : steps) {
      const std::size_t before = texts.size();
      step.act();
      ASSERT_GT(texts.size(), before) << step.text;
      const std::string expected = step.text;
      EXPECT_EQ(texts[before].substr(0, texts[before].find('\n')), expected.substr(0, expected.find('\n')));
      EXPECT_EQ(captions[before], step.caption) << step.text;
    }
    // The countdown note after a Reboot.
    answer = MessageAnswer::Yes;
    window->Page(kNetworks)->findChild<QLineEdit*>("updateFrequency")->setText("30");
    window->RebootDevice();
    const auto notes = window->findChildren<CNoteDlg*>();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0]->Text(), "Restarting system, please wait 30 seconds...");
    window->WaitForWorkers();
    window.reset();
  }
}

}  // namespace
}  // namespace telvaro
