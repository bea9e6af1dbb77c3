// Changes not yet written, as an operator meets them: marked where they are,
// counted in the title and status bar, listed with Write's own changes and
// their reasons, never thrown away without a question, and a settings file
// edited at the desk without a modem.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/main_dialog.h"
#include "operations/settings_file.h"
#include "pages/config_page.h"
#include "protocol/record_checksum.h"
#include "record/setting_rules.h"
#include "sim/modem_sim.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

class PendingChangesWindow : public WindowWithModem {
 protected:
  PendingChangesWindow() { answer = MessageAnswer::No; }

  // The modem's record carries both changes Write makes on its own: phone 1
  // holds Call Reboot, a column its settings do not offer, and Delimiter 1
  // holds a byte while it is not enabled.
  void StartWindow(bool withModem = true, sim::SimOptions simOptions = {}) {
    if (withModem) {
      StartModem(simOptions);
      ASSERT_FALSE(HasFatalFailure());
      ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
      record.Set(field::delimiter1, 0x0D);
      record.SetFlag(field::delimiter1_enable, false);
      modem->SetStoredRecord(record);
    }
    // A port to list, so no box comes before the responder.
    systemPorts.ports = {{"", "/dev/ttyS0", "built-in serial port"}};
    MainDlgOptions options;
    options.serialSettingsPath = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
    options.chooseSettingsFile = [this](QWidget*, bool) { return chosenFile; };
    options.rememberLastPort = true;
    OpenWindow(std::move(options));
  }

  void OpenAndRead() {
    auto* selector = window->findChild<QComboBox*>("portSelector");
    selector->setCurrentIndex(selector->findText("COM50"));
    window->TogglePort();
    ASSERT_TRUE(WaitUntil([&] { return !texts.empty(); }, 10000));
    ASSERT_EQ(texts.back(), "Operation succeed!");
    texts.clear();
    icons.clear();
  }

  QLineEdit* DeviceName() const { return window->Page(kBasic)->findChild<QLineEdit*>("deviceNameEdit"); }
  bool BasicMarked() const { return !window->TabBar()->tabIcon(1).isNull(); }  // "   Basic", normal order
  // Waits for the recomputation that follows an edit.
  bool Settles(const QString& title) const {
    return WaitUntil([&] { return window->windowTitle() == title; }, 5000);
  }
  std::size_t Sent(sim::FrameKind kind) const {
    std::size_t count = 0;
    for (const sim::ReceivedFrame& frame : modem->Frames()) count += frame.kind == kind ? 1 : 0;
    return count;
  }

  QTemporaryDir dir;
  QString chosenFile;
};

// Read and not edited, only what Write changes on its own is listed; an edit
// is marked where it is.
TEST_F(PendingChangesWindow, WritesOwnChangesAreListedUncountedAndAnEditIsMarked) {
  StartWindow();
  OpenAndRead();
  // Read and not edited: only what Write changes on its own, with its reason,
  // and nothing counted.
  PendingChanges pending = window->PendingWrite();
  ASSERT_EQ(pending.changes.size(), 2u);
  EXPECT_EQ(pending.Count(), 0);
  EXPECT_EQ(pending.changes[0].setting, "Data Packing: Delimiter 1");
  EXPECT_EQ(pending.changes[0].newValue, "00");
  EXPECT_EQ(pending.changes[0].reason, "Delimiter 1 is not enabled, so it is stored as 0");
  EXPECT_EQ(pending.changes[1].setting, "Phone 1 Call Reboot");
  EXPECT_EQ(pending.changes[1].reason, "the Call Reboot column is not available with these settings, so its tick is cleared");
  for (const PendingChange& change : pending.changes) EXPECT_TRUE(change.normalisation) << change.setting.toStdString();
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro");

  // One edit: the title, the Basic tab, status field 3 and the control say so.
  QTest::keyClicks(DeviceName(), "-2");
  ASSERT_TRUE(Settles("Telvaro Pro *"));
  EXPECT_TRUE(BasicMarked());
  EXPECT_EQ(window->StatusField(3), "1 change not written");
  EXPECT_TRUE(window->ControlMarked(DeviceName()));
  EXPECT_EQ(DeviceName()->toolTip(), "Modem: " + QString::fromLatin1(modem->StoredRecord().Get(field::device_name)));
}

// Read, the close box and Exit never drop an edit without asking.
TEST_F(PendingChangesWindow, AnEditIsNeverLostWithoutAQuestion) {
  StartWindow();
  OpenAndRead();
  QTest::keyClicks(DeviceName(), "-2");
  ASSERT_TRUE(Settles("Telvaro Pro *"));

  // Read asks first; No keeps the edit and sends nothing.
  const std::size_t reads = Sent(sim::FrameKind::GetSysPara);
  window->findChild<QToolButton*>("readButton")->click();
  EXPECT_EQ(texts, std::vector<std::string>{"Discard 1 change not written to the modem?"});
  EXPECT_EQ(icons.back(), MessageIcon::Question);
  QTest::qWait(300);
  EXPECT_EQ(Sent(sim::FrameKind::GetSysPara), reads);
  EXPECT_TRUE(DeviceName()->text().endsWith("-2"));
  // The close box and the Exit button ask the same; No keeps the window.
  EXPECT_FALSE(window->close());
  window->ExitProgram();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts.back(), "Discard 1 change not written to the modem?");

  // Yes reads again, and the modem's value comes back.
  texts.clear();
  answer = MessageAnswer::Yes;
  window->ReadParameters();
  ASSERT_TRUE(WaitUntil([&] { return texts.size() == 2; }, 10000));
  EXPECT_EQ(texts.back(), "Operation succeed!");
  EXPECT_EQ(Sent(sim::FrameKind::GetSysPara), reads + 1);
  EXPECT_EQ(DeviceName()->text(), QString::fromLatin1(modem->StoredRecord().Get(field::device_name)));
}

TEST_F(PendingChangesWindow, TheListHidesSecretsAndRevertsOneSettingAtATime) {
  StartWindow();
  OpenAndRead();
  QTest::keyClicks(DeviceName(), "-2");
  ASSERT_TRUE(Settles("Telvaro Pro *"));

  // The list names the page and setting and never shows a password; a
  // revert takes back only its own setting.
  auto* password = window->Page(kBasic)->findChild<QLineEdit*>("smsPasswordEdit");
  password->setText("hunter2");
  window->RecomputePending();
  EXPECT_EQ(window->StatusField(3), "2 changes not written");
  int secret = -1;
  {
    PendingListDialog list(window.get(), window->Pending(), [&](int page) { return window->PageName(page); });
    ASSERT_EQ(list.Table()->rowCount(), 4);
    for (int row = 0; row < list.Table()->rowCount(); ++row)
      if (list.Table()->item(row, 1)->text() == "SMS Control: Password") secret = row;
    ASSERT_GE(secret, 0);
    EXPECT_EQ(list.Table()->item(secret, 0)->text(), "Basic");
    EXPECT_EQ(list.Table()->item(secret, 3)->text(), kSecretMask);
  }
  window->RevertPending(secret);
  EXPECT_EQ(password->text(), QString::fromLatin1(modem->StoredRecord().Get(field::sms_control_password)));
  EXPECT_TRUE(DeviceName()->text().endsWith("-2"));

  // Reverting the one change left clears all three marks.
  const PendingChanges now = window->Pending();
  const auto edit = std::find_if(now.changes.begin(), now.changes.end(), [](const PendingChange& c) { return !c.normalisation; });
  ASSERT_NE(edit, now.changes.end());
  window->RevertPending(static_cast<int>(edit - now.changes.begin()));
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro");
  EXPECT_FALSE(BasicMarked());
  EXPECT_NE(window->StatusField(3), "1 change not written");
  EXPECT_FALSE(window->ControlMarked(DeviceName()));
}

TEST_F(PendingChangesWindow, RefusedValuesCountAndThePagesOwnStoresAreListed) {
  StartWindow();
  OpenAndRead();
  // A value Write would refuse cannot be listed as a change, but it counts.
  auto* output = window->Page(kWakeup)->findChild<QLineEdit*>("wakeupOutputEdit");
  const QString outputWas = output->text();
  output->setText("zz");
  ASSERT_TRUE(Settles("Telvaro Pro *"));
  ASSERT_EQ(window->Pending().refusals.size(), 1u);
  EXPECT_EQ(window->Pending().refusals[0].message, "Output Packet input err");
  output->setText(outputWas);
  ASSERT_TRUE(Settles("Telvaro Pro"));

  // "Synchronize with PC" is stored by the page's own code: listed by its box.
  auto* sync = window->Page(kBasic)->findChild<QCheckBox*>("syncWithPcBox");
  sync->setChecked(true);
  window->RecomputePending();
  // (the request to set the clock, and the PC's clock unless the modem's
  // shows the same second)
  const PendingChange* clock = window->Pending().ForControl(sync);
  ASSERT_NE(clock, nullptr);
  EXPECT_EQ(clock->setting, "Synchronize with PC");
  sync->setChecked(false);
}

TEST_F(PendingChangesWindow, AWriteWithoutTheSuccessBoxSaysWhatItWroteAndTheChoiceIsKept) {
  StartWindow();
  OpenAndRead();
  // Without the success box a Write says in the status bar what it wrote.
  window->SetConfirmSuccess(false);
  DeviceName()->setText("site-7");
  texts.clear();
  window->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return window->StatusField(3) == "Wrote 1 change"; }, 10000));
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), "site-7");
  EXPECT_EQ(window->Pending().Count(), 0);

  // The next start keeps the technician's choices: no success box, and the
  // port opened last preselected.
  window->WaitForWorkers();
  window.reset();
  StartWindow(false);
  EXPECT_FALSE(window->ConfirmSuccess());
  EXPECT_TRUE(window->StatusField(2).startsWith("COM50 ")) << window->StatusField(2).toStdString();
}

TEST_F(PendingChangesWindow, AFileIsEditedAndExportedWithoutAModem) {
  StartWindow(false);
  ConfigRecord file = sim::ModemSimulator::RealisticRecord(true);
  file.SetChecksum(RecordChecksum(file.Record()));
  chosenFile = dir.filePath("site.bin");
  ASSERT_TRUE(WriteSettingsFile(QFile::encodeName(chosenFile).toStdString(), file).ok());

  window->OpenSettingsFile();
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro - site.bin");
  ASSERT_TRUE(DeviceName()->isEnabled());
  DeviceName()->setText("desk");
  ASSERT_TRUE(Settles("Telvaro Pro - site.bin *"));
  window->WriteParameters();
  EXPECT_EQ(texts, std::vector<std::string>{"Failed:Comm is not opened"});

  chosenFile = dir.filePath("out.bin");
  window->ExportSettings();
  EXPECT_EQ(texts.back(), "Export succeed");
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro - out.bin");
  // The file as read, with the new name and the Call Reboot tick its
  // settings do not offer cleared, as Write would send it.
  ConfigRecord expected = file;
  expected.Set(field::device_name, "desk");
  PhoneBookEntry phone1 = expected.PhoneBook(0);
  phone1.roles = static_cast<std::uint8_t>(phone1.roles & ~kCallReboot);
  expected.SetPhoneBook(0, phone1);
  expected.SetChecksum(RecordChecksum(expected.Record()));
  QFile out(chosenFile);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  const QByteArray bytes = out.readAll();
  EXPECT_EQ(bytes, QByteArray(reinterpret_cast<const char*>(expected.Block().data()), ConfigRecord::kBlockSize));
}


// A modem that echoes without storing: the read-back shows it, the failure
// names the setting, no success box comes, and the edit stays marked.
TEST_F(PendingChangesWindow, AWriteIsVerifiedByReadingBackAndWhatWasNotKeptStaysMarked) {
  sim::SimOptions options;
  options.unheldFields = {"device_name"};
  StartWindow(true, options);
  OpenAndRead();
  const std::string modemName = modem->StoredRecord().Get(field::device_name);
  DeviceName()->setText("site-9");
  ASSERT_TRUE(Settles("Telvaro Pro *"));
  window->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && CommandButtonsEnabled(); }, 15000));
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Write failed: the modem did not keep Device Name");
  EXPECT_EQ(DeviceName()->text(), "site-9");
  EXPECT_EQ(window->Pending().Count(), 1);
  EXPECT_TRUE(BasicMarked());
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), modemName);
  EXPECT_EQ(Sent(sim::FrameKind::GetSysPara), 2u);  // the open's read and the read-back
}

// Another unit's file: the device fields stay the modem's and are never a
// change; Restore backup asks when the IMEIs differ, shows the changes, and
// writes them.
TEST_F(PendingChangesWindow, DeviceBytesStayTheModemsAndARestoreAsksForAnotherImei) {
  StartWindow();
  OpenAndRead();
  const ConfigRecord modemRecord = modem->StoredRecord();
  ConfigRecord other = modemRecord;
  other.Set(field::imei, "222222222222222");
  other.Set(field::me_type, "OTHER");
  other.Set(field::hw_options, 0);
  other.Set(field::tx_bytes, 123456u);
  other.Set(field::rx_bytes, 654321u);
  other.Set(field::status_text, "elsewhere");
  other.SetTime(field::rtc_time, BcdTime{1, 2, 3, 4, 5, 6, 7});
  other.Set(field::device_name, "other-unit");
  other.SetChecksum(RecordChecksum(other.Record()));
  chosenFile = dir.filePath("other.bin");
  ASSERT_TRUE(WriteSettingsFile(QFile::encodeName(chosenFile).toStdString(), other).ok());

  window->ImportSettings();
  EXPECT_EQ(window->Pending().Count(), 1);  // the name, and nothing the modem says of itself
  for (const PendingChange& change : window->Pending().changes)
    for (const FieldInfo* f : DeviceFields()) {
      const std::size_t start = f->offset, end = start + f->width;
      EXPECT_FALSE(change.offset < end && start < change.offset + change.width)
          << change.setting.toStdString() << " touches " << f->name;
    }
  window->RevertPending(-1);

  // A backup of another modem: asked, naming both; No restores nothing.
  texts.clear();
  window->RestoreBackup();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "other.bin is a backup of the modem with IMEI 222222222222222, not of this one (IMEI " +
                          modemRecord.Get(field::imei) + ").\nRestore it anyway?");
  EXPECT_EQ(Sent(sim::FrameKind::SetSysPara), 0u);

  // Yes to both: the changes are shown first, then written and verified.
  answer = MessageAnswer::Yes;
  texts.clear();
  window->RestoreBackup();
  ASSERT_TRUE(WaitUntil([&] { return texts.size() >= 3 && CommandButtonsEnabled(); }, 15000));
  EXPECT_NE(texts[1].find("Restore other.bin to the modem?"), std::string::npos) << texts[1];
  EXPECT_NE(texts[1].find("other-unit"), std::string::npos) << texts[1];
  EXPECT_EQ(texts[1].find("222222222222222"), std::string::npos) << texts[1];
  EXPECT_EQ(texts[2], "       Operation succeed!\nReboot for changes to take effect");
  const ConfigRecord held = modem->StoredRecord();
  EXPECT_EQ(held.Get(field::device_name), "other-unit");
  EXPECT_EQ(held.Get(field::imei), modemRecord.Get(field::imei));
  EXPECT_EQ(held.Get(field::me_type), modemRecord.Get(field::me_type));
}
}  // namespace
}  // namespace telvaro
