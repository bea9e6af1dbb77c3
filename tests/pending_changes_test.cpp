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
#include <map>
#include <QToolButton>

#include "app/main_dialog.h"
#include "app/modem_operations.h"
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

  std::string Joined() const {
    std::string all;
    for (const std::string& text : texts) all += "[" + text + "]";
    return all;
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
  EXPECT_EQ(window->StatusField(4), "1 change not written");
  EXPECT_TRUE(window->ControlMarked(DeviceName()));
  EXPECT_EQ(DeviceName()->toolTip(), "Modem: " + QString::fromLatin1(modem->StoredRecord().Get(field::device_name)));
}

// Read, the close box, Exit and Reboot never drop an edit without asking;
// Enter keeps it, Discard puts the modem's values back on the pages, Write
// writes first and only then goes on.
TEST_F(PendingChangesWindow, AnEditIsNeverLostWithoutAQuestion) {
  StartWindow();
  OpenAndRead();
  QTest::keyClicks(DeviceName(), "-2");
  ASSERT_TRUE(Settles("Telvaro Pro *"));
  const QString modemName = QString::fromLatin1(modem->StoredRecord().Get(field::device_name));
  // Field 3 stays the modem's own status text; the count has its own field.
  EXPECT_EQ(window->StatusField(3), "GPRS Online");
  EXPECT_EQ(window->StatusField(4), "1 change not written");

  // Read asks first, with Cancel the default; Cancel keeps the edit and sends nothing.
  const std::size_t reads = Sent(sim::FrameKind::GetSysPara);
  window->findChild<QToolButton*>("readButton")->click();
  EXPECT_EQ(texts, std::vector<std::string>{"Discard 1 change not written to the modem?"});
  const MessageRequest asked = window->Messages().History().back();
  EXPECT_EQ(asked.buttons, MessageButtons::ActFirst);
  EXPECT_EQ(asked.defaultAnswer, MessageAnswer::Cancel);
  EXPECT_EQ(icons.back(), MessageIcon::Question);
  QTest::qWait(300);
  EXPECT_EQ(Sent(sim::FrameKind::GetSysPara), reads);
  EXPECT_TRUE(DeviceName()->text().endsWith("-2"));
  // The close box asks the same; Exit keeps its own question and counts;
  // Reboot offers to write first. Cancel keeps the window and sends nothing.
  captions = {captions.back()};
  EXPECT_FALSE(window->close());
  window->ExitProgram();
  window->RebootDevice();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(texts, (std::vector<std::string>{"Discard 1 change not written to the modem?",
                                             "Discard 1 change not written to the modem?",
                                             "Close this program, continue?\n1 change not written to the modem.",
                                             "1 change not written: write it before the reboot?"}));
  EXPECT_EQ(captions[2], "Exit");
  EXPECT_EQ(captions[3], "Reboot");
  EXPECT_EQ(Sent(sim::FrameKind::Reboot), 0u);

  // Discard before closing the port: the pages show the modem's values
  // again at once, and nothing is marked.
  texts.clear();
  choice = MessageAnswer::GoOn;
  window->TogglePort();
  ASSERT_FALSE(window->Session().IsOpen());
  EXPECT_EQ(texts, std::vector<std::string>{"Discard 1 change not written to the modem?"});
  texts.clear();
  EXPECT_EQ(DeviceName()->text(), modemName);
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro");
  EXPECT_FALSE(window->ControlMarked(DeviceName()));

  // Write first: the edit is written, and only then is the modem read again.
  OpenAndRead();
  DeviceName()->setText("site-9");
  window->RecomputePending();
  choice = MessageAnswer::Act;
  const std::size_t before = Sent(sim::FrameKind::GetSysPara);
  window->ReadParameters();
  // The Write's read-back, then the Read.
  ASSERT_TRUE(WaitUntil([&] { return Sent(sim::FrameKind::GetSysPara) == before + 2 && CommandButtonsEnabled(); }, 15000));
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), "site-9");
  EXPECT_EQ(DeviceName()->text(), "site-9");
  EXPECT_EQ(Sent(sim::FrameKind::SetSysPara), 1u);
}

// What the pages correct on their own as they show a modem's record (Flow
// Control from Telvaro_Pro.ini, a PIN lock of 3), and a value no control the
// operator can reach could hold (the hidden second input's filter), are
// Write's own business: listed with their reason, never counted, never
// asked about, never refused, and the kept value goes back as it came.
TEST_F(PendingChangesWindow, CorrectionsAndUnreachableValuesOfAnUneditedReadAreNotTheOperators) {
  StartWindow();
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  record.Set(field::flow_control_index, 1);  // the ini file says None
  record.Set(field::pin_lock, 3);
  record.Set(field::di_filter_ms, 20000, 1);
  modem->SetStoredRecord(record);
  OpenAndRead();
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro");
  EXPECT_EQ(window->StatusField(4), "");
  const PendingChanges pending = window->PendingWrite();
  EXPECT_EQ(pending.Count(), 0);
  std::map<std::string, std::string> reasons;
  for (const PendingChange& change : pending.changes) {
    EXPECT_TRUE(change.normalisation) << change.setting.toStdString();
    reasons[change.setting.toStdString()] = change.reason.toStdString();
  }
  EXPECT_EQ(reasons["Serial Interface: Flow Control"],
            "Flow Control is taken from Telvaro_Pro.ini: a record read does not set it");
  EXPECT_EQ(reasons["SIM Card PIN Setup: PIN Lock"], "a PIN lock setting above 2 is shown and stored as 0");
  EXPECT_EQ(reasons["DI_1 Config: Filtering"],
            "the modem's value, which the page cannot hold, kept as it came: its control is not available");

  // Read again, close and open the port, Exit, Write, Default: no question
  // about changes; Exit asks its own.
  window->ReadParameters();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && CommandButtonsEnabled(); }, 10000));
  EXPECT_EQ(texts, std::vector<std::string>{"Operation succeed!"});
  texts.clear();
  window->TogglePort();
  OpenAndRead();
  answer = MessageAnswer::No;
  window->ExitProgram();
  EXPECT_EQ(captions.back(), "Exit");
  // Written as read, without a word: the filter's byte as the modem had it.
  window->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return texts.size() == 2 && CommandButtonsEnabled(); }, 10000)) << Joined();
  EXPECT_EQ(modem->StoredRecord().Get(field::di_filter_ms, 1), 20000);
  EXPECT_EQ(modem->StoredRecord().Get(field::flow_control_index), 0);
  EXPECT_EQ(modem->StoredRecord().Get(field::pin_lock), 0);
  modem->SetStoredRecord(record);
  window->ReadParameters();
  ASSERT_TRUE(WaitUntil([&] { return texts.size() == 3 && CommandButtonsEnabled(); }, 10000));
  window->OnDefault();
  EXPECT_EQ(texts, (std::vector<std::string>{"Close this program, continue?", kWriteSucceeded, "Operation succeed!"}));
}

// Texts from the modem longer than typing allows get the validators' own
// messages on Write, and none on Read.
TEST_F(PendingChangesWindow, TooLongTextsFromTheModemGetTheirOwnMessages) {
  StartWindow();
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  record.Set(field::pin_lock, 1);
  for (std::size_t i = 0; i < field::pin_code.width; ++i) record.SetRawByte(field::pin_code.offset + i, '7');
  record.SetFlag(field::reboot_by_sms, true);
  record.SetFlag(field::reboot_sms_reply_enable, true);
  for (std::size_t i = 0; i < 21; ++i) record.SetRawByte(field::reboot_sms_reply_text.offset + i, 'y');
  modem->SetStoredRecord(record);
  OpenAndRead();
  window->WriteParameters();
  window->Page(kBasic)->findChild<QLineEdit*>("pinCodeEdit")->setText("1234");
  window->WriteParameters();
  EXPECT_EQ(texts, (std::vector<std::string>{"old pin code len err", "SMS len error"}));
  QTest::qWait(200);
  EXPECT_EQ(Sent(sim::FrameKind::SetSysPara), 0u);
}

// The serial settings file holds its one section: a [ui] section an earlier
// version left there is moved to the user's settings, once.
TEST_F(PendingChangesWindow, TheSerialSettingsFileHoldsOnlyItsSection) {
  QFile ini(dir.filePath("Telvaro_Pro.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[com.conf]\nBandRate=9600\n[ui]\nconfirm_success=0\nlast_port=COM50\n");
  ini.close();
  StartWindow();
  EXPECT_FALSE(window->ConfirmSuccess());
  EXPECT_TRUE(window->StatusField(2).startsWith("COM50 ")) << window->StatusField(2).toStdString();
  window->SetConfirmSuccess(true);
  OpenAndRead();
  window->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && CommandButtonsEnabled(); }, 10000));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_EQ(ini.readAll(), QByteArray("[com.conf]\nBandRate=115200\nDataBits=8\nParity=None\nStopBits=1\n"
                                      "FlowControl=None\n"));

  // A file that cannot be saved does not stop the Write; the status bar
  // says why, in the system's words.
  window->WaitForWorkers();
  window.reset();
  QFile blocker(dir.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  MainDlgOptions options;
  options.serialSettingsPath = QFile::encodeName(dir.filePath("blocker/Telvaro_Pro.ini")).toStdString();
  OpenWindow(std::move(options));
  texts.clear();
  OpenAndRead();
  window->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && CommandButtonsEnabled(); }, 10000));
  EXPECT_EQ(texts.back(), kWriteSucceeded);
  EXPECT_EQ(window->StatusField(3), "Telvaro_Pro.ini cannot be written: Not a directory");
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
  EXPECT_EQ(window->StatusField(4), "2 changes not written");
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
  EXPECT_EQ(window->StatusField(4), "");
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
  ASSERT_TRUE(WaitUntil([&] { return window->StatusField(4) == "Wrote 1 change"; }, 10000));
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
