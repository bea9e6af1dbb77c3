// Default, Write, Export and Import through the window against the simulated
// modem: what reaches the modem and the files, byte for byte.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/modem_operations.h"
#include "operations/settings_file.h"
#include "pages/config_page.h"
#include "protocol/record_checksum.h"
#include "record/factory_defaults.h"
#include "sim/modem_sim.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

constexpr std::size_t kRecordInFrame = 7 + 11;  // "CON_STA" "set_syspara"

// A record with every page filled with values the pages can show and take
// back unchanged.
ConfigRecord EveryPageFilled() {
  ConfigRecord r = sim::ModemSimulator::RealisticRecord(true);
  r.Set(field::pin_lock, 1);
  r.Set(field::pin_code, "4321");
  r.Set(field::com_type, 1);
  r.Set(field::init_command, "AT+CSQ");
  r.Set(field::sms_control_password, "ctl");
  r.SetFlag(field::debug_output_enable, true);
  r.Set(field::flow_control_index, 0);  // as the Com page starts without a settings file
  r.Set(field::parity_index, 2);
  r.Set(field::gprs_user, "user");
  r.Set(field::gprs_password, "secret");
  r.Set(field::dns1, "192.0.2.53");
  r.Set(field::socket_mode, 2);
  r.Set(field::connection_mode, 1);
  r.Set(field::inactivity_time, 300);
  r.SetFlag(field::delimiter1_enable, true);
  r.Set(field::delimiter1, 0x0D);
  r.Set(field::delimiter_process, 2);
  r.Set(field::packet_length, 512);
  r.SetFlag(field::roaming_enable, false);
  r.Set(field::preferred_plmn, "26201");
  r.SetFlag(field::login_enable, true);
  const std::uint8_t login[] = {0x0D, 0x0A, 0xFF};
  r.Set(field::login_request, login);
  r.SetFlag(field::keepalive_enable, true);
  r.Set(field::keepalive_request, std::span(login, 1));
  r.SetFlag(field::reboot_time_enable, true, 0);
  r.SetScheduleTime(field::reboot_times, 8, 5, 0);
  r.SetScheduleTime(field::reboot_times, 23, 59, 1);
  r.SetFlag(field::reboot_by_call, true);
  r.SetFlag(field::reboot_by_sms, true);
  r.Set(field::reboot_sms_password, "boot");
  r.SetScheduleTime(field::wakeup_times, 6, 30, 0);
  r.SetScheduleTime(field::wakeup_times, 0, 0, 1);
  r.SetScheduleTime(field::wakeup_times, 12, 0, 2);
  r.SetFlag(field::wakeup_by_call, true);
  r.Set(field::wakeup_call_reply_text, "awake");
  const std::uint8_t output[] = {0x41, 0x54};
  r.Set(field::online_output, output);
  r.SetPhoneBook(0, {"+4915112345678", kCallReboot | kSmsControl});
  r.SetPhoneBook(3, {"+4930123456", kSmsWakeup});
  r.SetPhoneGroupMask(0, 0x0009);
  r.SetPhoneGroupMask(9, 0x0200);
  r.Set(field::di_mode, 3, 0);
  r.Set(field::di_mode, 1, 1);
  r.Set(field::di_filter_ms, 50, 0);
  r.Set(field::di_filter_ms, 70, 1);
  r.Set(field::di_alarm_on_text, "door open", 0);
  r.Set(field::di_alarm_off_text, "door shut", 1);
  r.Set(field::do_alarm_source, kDiAlarm | kPhoneControlAlarm);
  r.Set(field::do_alarm_on_action, 2);
  r.Set(field::do_alarm_off_action, 1);
  r.Set(field::do_alarm_on_text, "pump on");
  r.Set(field::do_phone_group, 4);
  return r;
}

class RecordCommands : public WindowWithModem {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settingsPath = dir.filePath("Telvaro_Pro.ini").toStdString();
  }

  void StartWith(sim::SimOptions simOptions = {}) {
    // The window's own settings file lives in the test's folder.
    MainDlgOptions options;
    options.serialSettingsPath = settingsPath;
    options.chooseSettingsFile = [this](QWidget*, bool) { return chosenFile; };
    options.chooseTrafficLogFile = [this](QWidget*) { return chosenFile; };
    StartWindow(simOptions, std::move(options));
  }
  // Every box OK, Yes/No questions too; a question of three ways on `choice`.
  MessageAnswer Respond(const MessageRequest& request) override {
    const MessageAnswer given = WindowWithModem::Respond(request);
    return request.buttons == MessageButtons::ActFirst ? given : MessageAnswer::Ok;
  }

  // Presses a command button and waits until its operation has ended.
  void Press(const char* button) {
    window->findChild<QToolButton*>(button)->click();
    ASSERT_TRUE(WaitUntil([&] { return window->RunningWorkers() == 0; }, 8000));
  }
  void OpenAndRead() {
    PressOpen();
    ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && window->RunningWorkers() == 0; }, 8000));
    ASSERT_EQ(texts, std::vector<std::string>{kOperationSucceeded});
    texts.clear();
  }
  std::vector<std::uint8_t> SentRecord(std::size_t frame) const {
    const auto frames = modem->Frames();
    EXPECT_GT(frames.size(), frame);
    if (frames.size() <= frame || frames[frame].kind != sim::FrameKind::SetSysPara) return {};
    const auto& bytes = frames[frame].bytes;
    return {bytes.begin() + kRecordInFrame, bytes.begin() + kRecordInFrame + ConfigRecord::kSize};
  }
  static std::vector<std::uint8_t> Bytes(const ConfigRecord& r) { return {r.Record().begin(), r.Record().end()}; }
  QLineEdit* Edit(PageIndex page, const char* name) const { return window->Page(page)->findChild<QLineEdit*>(name); }
  QComboBox* List(PageIndex page, const char* name) const { return window->Page(page)->findChild<QComboBox*>(name); }
  std::string SettingsFileText() const {
    QFile file(QString::fromStdString(settingsPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<none>");
  }

  QTemporaryDir dir;
  std::string settingsPath;
  QString chosenFile;
};

TEST_F(RecordCommands, AnUneditedRecordGoesBackByteForByteAndAnEditExactlyAsMade) {
  const ConfigRecord filled = EveryPageFilled();
  StartWith();
  modem->SetStoredRecord(filled);
  OpenAndRead();
  const ConfigRecord shown = window->State().record;
  modem->ClearFrames();

  Press("writeButton");
  EXPECT_EQ(texts, std::vector<std::string>{kWriteSucceeded});
  ASSERT_EQ(modem->Frames().size(), 2u);  // the Write and its read-back
  EXPECT_EQ(modem->Frames()[1].kind, sim::FrameKind::GetSysPara);
  EXPECT_EQ(modem->Frames()[0].bytes.size(), kSetSysParaFrameSize);
  EXPECT_EQ(SentRecord(0), Bytes(shown));
  EXPECT_EQ(modem->Frames()[0].bytes[1646], RecordChecksum(shown.Record()));
  // Write also remembered the modem's serial settings.
  EXPECT_NE(SettingsFileText().find("Parity=Even"), std::string::npos) << SettingsFileText();

  // One edit: the device name's bytes change, nothing else (the counters and
  // clock are those of the read-back, as shown).
  texts.clear();
  const ConfigRecord readBack = window->State().record;
  Edit(kBasic, "deviceNameEdit")->setText("Site-7");
  Press("writeButton");
  ConfigRecord expected = window->State().record;  // the modem's answer, shown again
  ConfigRecord edited = readBack;
  edited.Set(field::device_name, "Site-7");
  EXPECT_EQ(SentRecord(2), Bytes(edited));  // after the first Write and its read-back
  EXPECT_EQ(expected.Get(field::device_name), "Site-7");
}

TEST_F(RecordCommands, AFailingPageShowsOnlyItsMessageAndNothingIsSentOrSaved) {
  const std::string settings = "[com.conf]\nBandRate=9600\n";
  QFile file(QString::fromStdString(settingsPath));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(settings.c_str());
  file.close();
  StartWith();
  OpenAndRead();
  const ConfigRecord before = window->State().record;
  modem->ClearFrames();
  Edit(kWakeup, "wakeupTime1Edit")->setText("24:00");  // checked even with its box unticked
  Edit(kBasic, "deviceNameEdit")->setText("changed");  // a page before the failing one
  Press("writeButton");
  EXPECT_EQ(texts, std::vector<std::string>{"Wakeup time1 error"});
  EXPECT_TRUE(modem->Frames().empty());
  EXPECT_EQ(SettingsFileText(), settings);
  EXPECT_EQ(window->State().record, before);  // nothing half-updated is kept

  // Export runs the same validators.
  texts.clear();
  chosenFile = dir.filePath("never.bin");
  window->ExportSettings();
  EXPECT_EQ(texts, (std::vector<std::string>{"Wakeup time1 error", "Input wrong"}));
  EXPECT_FALSE(QFile::exists(chosenFile));
}

TEST_F(RecordCommands, ARefusedValueStopsWriteAndExportAndLeadsToItsControl) {
  StartWith();
  modem->SetStoredRecord(EveryPageFilled());
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  OpenAndRead();
  modem->ClearFrames();
  // Refused while the GPRS page is taken: nothing sent or saved, and the
  // operator is brought back to the refused text.
  QLineEdit* interval = Edit(kGprs, "connectIntervalEdit");
  interval->setText("5");
  Press("writeButton");
  chosenFile = dir.filePath("never.bin");
  window->ExportSettings();
  const std::string range = "Please enter an integer between 10 and 1200.";
  EXPECT_EQ(texts, (std::vector<std::string>{range, range, "Input wrong"}));
  EXPECT_FALSE(QFile::exists(chosenFile));
  EXPECT_TRUE(window->Page(kGprs)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), interval);
  EXPECT_EQ(interval->text(), "5");

  // A validator's own check brings up its page from another one.
  texts.clear();
  interval->setText("15");
  window->Page(kWakeup)->findChild<QCheckBox*>("wakeupTime1Box")->click();
  QLineEdit* time = Edit(kWakeup, "wakeupTime1Edit");
  time->setText("25:00");
  Press("writeButton");
  EXPECT_EQ(texts, std::vector<std::string>{"Wakeup time1 error"});
  EXPECT_TRUE(window->Page(kWakeup)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), time);

  // Corrected, the one record that goes out carries what was typed.
  time->setText("06:30");
  Press("writeButton");
  ASSERT_EQ(modem->Frames().size(), 2u);  // the Write and its read-back
  EXPECT_EQ(SentRecord(0)[field::connect_interval.offset], 15);
}

TEST_F(RecordCommands, FlagsGoOutAsTheirBoxesShowThemAndNormalisationsAreFieldChanges) {
  // Other "on" bytes these flags read as off, DO source bits without a box,
  // a disabled delimiter's byte, and slot 1's Call Reboot role while "Call "
  // reads off.
  ConfigRecord modemRecord = EveryPageFilled();
  modemRecord.SetRawByte(field::reboot_by_call.offset, 2);
  modemRecord.SetRawByte(field::serial_data_wakeup.offset, 0x80);
  modemRecord.SetRawByte(field::do_alarm_source.offset, 0xFF);
  modemRecord.Set(field::delimiter2, 0x0A);
  StartWith();
  modem->SetStoredRecord(modemRecord);
  OpenAndRead();
  const ConfigRecord read = window->State().record;
  modem->ClearFrames();
  Press("writeButton");
  ConfigRecord sent;
  sent.ReplaceFrom(SentRecord(0));
  EXPECT_EQ(sent.RawByte(field::reboot_by_call.offset), 0);
  EXPECT_EQ(sent.RawByte(field::serial_data_wakeup.offset), 0);
  EXPECT_EQ(sent.RawByte(field::do_alarm_source.offset), 0x07);
  std::vector<std::string> changed;
  for (const FieldInfo* f : AllFields())
    if (!std::ranges::equal(sent.FieldBytes(*f), read.FieldBytes(*f))) changed.push_back(f->name);
  EXPECT_EQ(changed, (std::vector<std::string>{"reboot_by_call", "phone_book", "delimiter2", "serial_data_wakeup",
                                               "do_alarm_source"}));
}

TEST_F(RecordCommands, DefaultShowsTheFactorySettingsAndKeepsPinAndDeviceBytes) {
  ConfigRecord filled = EveryPageFilled();
  filled.Set(field::rs485_absent, 1);
  filled.Set(field::device_flag, 0x5A);
  filled.Set(field::com_type, 0);
  StartWith();
  modem->SetStoredRecord(filled);
  OpenAndRead();
  ConfigRecord expected = window->State().record;
  ApplyFactoryDefaults(expected);
  modem->ClearFrames();

  window->findChild<QToolButton*>("defaultButton")->click();
  EXPECT_TRUE(texts.empty());  // no question, no message
  EXPECT_EQ(window->State().record, expected);
  EXPECT_EQ(window->State().record.Get(field::pin_code), "4321");
  EXPECT_EQ(window->State().record.Get(field::device_flag), 0x5A);
  EXPECT_EQ(window->State().record.Get(field::hw_options), kHwOptionDigitalIo);
  EXPECT_EQ(Edit(kBasic, "deviceNameEdit")->text(), "Modem");
  EXPECT_EQ(Edit(kNetworks, "updateFrequency")->text(), "30");
  EXPECT_EQ(Edit(kGprs, "apnEdit")->text(), "cmnet");
  EXPECT_EQ(Edit(kGprs, "portEdit")->text(), "502");
  EXPECT_EQ(List(kGprs, "dnsList")->currentText(), "Use Peer DNS");
  EXPECT_EQ(List(kAdvanced1, "plmnList")->currentText(), "PLMN in SIM");
  for (const char* time : {"rebootTime1Edit", "rebootTime2Edit", "rebootTime3Edit"})
    EXPECT_EQ(Edit(kReboot, time)->text(), "00:00") << time;
  for (const char* time : {"wakeupTime1Edit", "wakeupTime2Edit", "wakeupTime3Edit"})
    EXPECT_EQ(Edit(kWakeup, time)->text(), "00:00") << time;
  EXPECT_TRUE(Edit(kBasic, "pinCodeEdit")->text() == "4321");
  QTest::qWait(300);
  EXPECT_TRUE(modem->Frames().empty());  // nothing is sent until Write
}

TEST_F(RecordCommands, WriteToASilentModemTimesOutWithAMessageOnlyAfterTheReadButton) {
  sim::SimOptions silent;
  silent.silent = true;
  StartWith(silent);
  PressOpen();
  ASSERT_TRUE(WaitUntil([&] { return window->RunningWorkers() == 0; }, 8000));
  // Without any record the Basic page has no interface type to store: the
  // factory settings give it one.
  window->findChild<QToolButton*>("defaultButton")->click();
  Press("writeButton");
  EXPECT_TRUE(texts.empty());
  EXPECT_FALSE(Edit(kBasic, "deviceNameEdit")->isEnabled());
  Press("readButton");
  window->findChild<QToolButton*>("defaultButton")->click();  // the Read emptied the pages
  Press("writeButton");
  EXPECT_EQ(texts, (std::vector<std::string>{kOperationTimedOut, kOperationTimedOut}));
}

class SettingsFiles : public RecordCommands {
 protected:
  void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  static QByteArray Block(const ConfigRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(r.Block().data()), ConfigRecord::kBlockSize);
  }
};

TEST_F(SettingsFiles, ExportThenImportReproducesTheRecordKeepingTheDeviceBytes) {
  StartWith();
  modem->SetStoredRecord(EveryPageFilled());
  OpenAndRead();
  chosenFile = dir.filePath("site.bin");
  window->ExportSettings();
  EXPECT_EQ(texts, std::vector<std::string>{"Export succeed"});
  ConfigRecord exported = window->State().record;
  exported.SetChecksum(RecordChecksum(exported.Record()));
  QFile file(chosenFile);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), Block(exported));

  // The same file, with other device bytes and another name, into a window
  // whose port is closed: the pages show it and stay disabled, as whenever
  // the port is closed.
  ConfigRecord other = exported;
  other.Set(field::device_name, "from-file");
  other.Set(field::hw_options, 0);
  other.Set(field::device_flag, 0x77);
  other.SetChecksum(RecordChecksum(other.Record()));
  chosenFile = dir.filePath("other.bin");
  WriteFile(chosenFile, Block(other));
  window->TogglePort();
  texts.clear();
  window->ImportSettings();
  EXPECT_EQ(texts, std::vector<std::string>{"Import succeed"});
  ConfigRecord expected = other;
  expected.Set(field::hw_options, exported.Get(field::hw_options));
  expected.Set(field::device_flag, exported.Get(field::device_flag));
  expected.Set(field::rs485_absent, exported.Get(field::rs485_absent));
  EXPECT_EQ(Bytes(window->State().record), Bytes(expected));
  EXPECT_EQ(Edit(kBasic, "deviceNameEdit")->text(), "from-file");
  EXPECT_FALSE(Edit(kBasic, "deviceNameEdit")->isEnabled());
  EXPECT_EQ(window->windowTitle(), "Telvaro Pro");
}

TEST_F(SettingsFiles, TheTrafficLogHoldsTheFramesWithoutTheSecrets) {
  StartWith();
  modem->SetStoredRecord(EveryPageFilled());  // PIN 4321, GPRS password "secret"
  OpenAndRead();
  chosenFile = dir.filePath("traffic.log");
  window->findChild<QAction*>("saveTrafficLogAction")->trigger();
  EXPECT_TRUE(texts.empty());
  QFile file(chosenFile);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const std::string log = file.readAll().toStdString();
  const std::size_t sent = log.find(" COM50 sent 25 bytes\n");
  EXPECT_NE(sent, std::string::npos) << log;
  EXPECT_GT(log.find(" COM50 received 1651 bytes\n"), sent);
  EXPECT_EQ(log.find("secret"), std::string::npos);
}

TEST_F(SettingsFiles, FilesThatAreNotSettingsAreRefusedAndChangeNothing) {
  StartWith();
  OpenAndRead();
  const ConfigRecord before = window->State().record;
  ConfigRecord good = EveryPageFilled();
  good.SetChecksum(RecordChecksum(good.Record()));
  QByteArray badSum = Block(good);
  badSum[1628] = static_cast<char>(badSum[1628] + 1);
  ASSERT_EQ(mkfifo(dir.filePath("fifo").toLocal8Bit().constData(), 0600), 0);
  const std::pair<QString, QByteArray> files[] = {
      {"short.bin", Block(good).left(1628)}, {"long.bin", Block(good) + '\0'}, {"sum.bin", badSum}};
  for (const auto& [name, bytes] : files) WriteFile(dir.filePath(name), bytes);
  const std::pair<QString, std::string> cases[] = {{"short.bin", "Read len err"},
                                                    {"long.bin", "Read len err"},
                                                    {"sum.bin", "chksum err"},
                                                    {"missing.bin", "Open file err"},
                                                    {"fifo", "Open file err"},  // never blocks
                                                    {".", "Open file err"}};
  for (const auto& [name, message] : cases) {
    texts.clear();
    chosenFile = dir.filePath(name);
    window->ImportSettings();
    ASSERT_EQ(texts.size(), 1u) << name.toStdString();
    EXPECT_EQ(texts[0].substr(0, texts[0].find('\n')), message) << name.toStdString();
    EXPECT_EQ(window->State().record, before) << name.toStdString();
  }

  // A cancelled dialog does nothing.
  texts.clear();
  chosenFile.clear();
  window->ImportSettings();
  window->ExportSettings();
  EXPECT_TRUE(texts.empty());

  // An all-zero record is a valid file, imported with the port closed.
  window->TogglePort();
  chosenFile = dir.filePath("zero.bin");
  WriteFile(chosenFile, QByteArray(ConfigRecord::kBlockSize, '\0'));
  window->ImportSettings();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "Import succeed");
}

TEST_F(SettingsFiles, AFailedExportSaysSoAndLeavesTheEarlierFileAlone) {
  StartWith();
  OpenAndRead();
  // The target is a folder: the new file cannot replace it.
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
  chosenFile = dir.filePath("taken");
  window->ExportSettings();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].substr(0, texts[0].find('\n')), "Write file err");
  EXPECT_TRUE(QDir(chosenFile).exists());
  // A folder that does not exist cannot take the file at all.
  texts.clear();
  chosenFile = dir.filePath("no/such/folder/site.bin");
  window->ExportSettings();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].substr(0, texts[0].find('\n')), "Open file err");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);  // no temporary file left behind
}

TEST_F(SettingsFiles, TheWindowAndTheCommandLineReadEachOthersFiles) {
  StartWith();
  modem->SetStoredRecord(EveryPageFilled());
  OpenAndRead();
  window->TogglePort();  // the command line takes the port
  chosenFile = dir.filePath("window.bin");
  window->ExportSettings();
  ASSERT_EQ(texts, std::vector<std::string>{"Export succeed"});
  const QString port = QString("--port=COM%1=%2").arg(kSimPort).arg(QString::fromStdString(modem->DevicePath()));
  QProcess cli;
  cli.start(TELVARO_CLI_PATH, {"write", "--port", port.mid(7), chosenFile});
  ASSERT_TRUE(cli.waitForFinished(15000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const QString fromCli = dir.filePath("cli.bin");
  cli.start(TELVARO_CLI_PATH, {"read", "--port", port.mid(7), "-o", fromCli});
  ASSERT_TRUE(cli.waitForFinished(15000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  texts.clear();
  chosenFile = fromCli;
  window->ImportSettings();
  EXPECT_EQ(texts, std::vector<std::string>{"Import succeed"});
  EXPECT_EQ(window->State().record.Get(field::device_name), EveryPageFilled().Get(field::device_name));
}

}  // namespace
}  // namespace telvaro

namespace telvaro {
namespace {

TEST_F(SettingsFiles, AProfileGoesOverThePagesOnlyWhenItHasNoProblem) {
  StartWith();
  modem->SetStoredRecord(EveryPageFilled());
  OpenAndRead();
  chosenFile = dir.filePath("unit.yaml");
  choice = MessageAnswer::GoOn;  // leave the secrets out
  window->ExportProfile();
  EXPECT_EQ(texts, (std::vector<std::string>{"Put the SIM PIN and the passwords into the profile?",
                                             "Only settings that differ from the factory defaults?",
                                             "Profile exported (secrets left out)"}));
  QFile exported(chosenFile);
  ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
  const QByteArray yaml = exported.readAll();
  EXPECT_TRUE(yaml.contains("  apn: \"internet\"  # at most 50 characters\n")) << yaml.constData();
  EXPECT_FALSE(yaml.contains("secret\""));  // the GPRS password stays out

  // An edit not yet written stays under a profile that does not set it.
  Edit(kBasic, "deviceNameEdit")->setText("edited");
  modem->ClearFrames();
  texts.clear();
  chosenFile = dir.filePath("bad.yaml");
  WriteFile(chosenFile, "format: telvaro-profile/1\ngprs:\n  apn: m2m\n  conect_interval: 30\n  max_retries: 99\n");
  const ConfigRecord before = window->State().record;
  window->ImportProfile();
  EXPECT_EQ(texts, std::vector<std::string>{"Profile not imported: 2 problem(s)\n"
                                            "bad.yaml:4:3: gprs.conect_interval: unknown key, did you mean connect_interval?\n"
                                            "bad.yaml:5:16: gprs.max_retries: 99 is out of range (1 to 60)"});
  EXPECT_EQ(Edit(kGprs, "apnEdit")->text(), "internet");
  EXPECT_EQ(window->State().record, before);

  texts.clear();
  chosenFile = dir.filePath("good.yaml");
  WriteFile(chosenFile, "format: telvaro-profile/1\ngprs:\n  apn: m2m\n");
  window->ImportProfile();
  EXPECT_EQ(texts, std::vector<std::string>{"Profile imported: 1 setting(s); Write sends them"});
  EXPECT_EQ(Edit(kGprs, "apnEdit")->text(), "m2m");
  EXPECT_EQ(Edit(kBasic, "deviceNameEdit")->text(), "edited");
  EXPECT_TRUE(modem->Frames().empty());
}

}  // namespace
}  // namespace telvaro
