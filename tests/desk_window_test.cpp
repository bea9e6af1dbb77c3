// The window at the desk and beside the modem: a settings file opened first
// and then written to the modem, profiles with variables, the monitor that
// keeps the live status fresh without touching an edit, and a port the
// system's list does not show.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/live_monitor.h"
#include "app/main_dialog.h"
#include "link/serial_device.h"
#include "operations/settings_file.h"
#include "pages/config_page.h"
#include "protocol/record_checksum.h"
#include "sim/modem_sim.h"
#include "tests/gui_test_support.h"
#include "tests/ser2net_support.h"

namespace telvaro {
namespace {

class DeskWindow : public WindowWithModem {
 protected:
  void Start(MainDlgOptions options = {}) {
    StartModem();
    ASSERT_FALSE(HasFatalFailure());
    systemPorts.ports = {{"", "/dev/ttyS0", "built-in serial port"}};
    options.serialSettingsPath = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
    options.chooseSettingsFile = [this](QWidget*, bool) { return chosenFile; };
    OpenWindow(std::move(options));
  }

  bool OpenAndRead() {
    PressOpen();
    return WaitUntil([&] { return !texts.empty(); }, 15000) && texts.back() == "Operation succeed!";
  }

  QLineEdit* Edit(PageIndex page, const char* name) const { return window->Page(page)->findChild<QLineEdit*>(name); }
  std::size_t Sent(sim::FrameKind kind) const {
    std::size_t count = 0;
    for (const sim::ReceivedFrame& frame : modem->Frames()) count += frame.kind == kind ? 1 : 0;
    return count;
  }
  void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QTemporaryDir dir;
  QString chosenFile;
};

// A file prepared at the desk: opening the port asks which way the settings
// go; Write lists the changes against the modem, then writes the file's
// settings. Save goes back to the file, Export starts from it.
TEST_F(DeskWindow, AFileOpenedFirstIsWrittenWhenThePortOpens) {
  Start();
  ConfigRecord file = sim::ModemSimulator::RealisticRecord(true);
  file.Set(field::device_name, "from-file");
  file.Set(field::hw_options, 0);  // another unit's hardware
  file.SetChecksum(RecordChecksum(file.Record()));
  chosenFile = dir.filePath("site.bin");
  ASSERT_TRUE(WriteSettingsFile(QFile::encodeName(chosenFile).toStdString(), file).ok());
  window->OpenSettingsFile();
  EXPECT_EQ(window->ExportDefaultPath(), chosenFile);
  // The keyboard is on the page shown, so Ctrl+Tab and typing work at once.
  EXPECT_TRUE(window->PageAtPosition(0)->isAncestorOf(window->focusWidget()));
  Edit(kBasic, "deviceNameEdit")->setText("desk-edit");
  window->SaveSettingsFile();  // File > Save: back to site.bin
  ASSERT_TRUE(ReadSettingsFile(QFile::encodeName(chosenFile).toStdString()).record.has_value());
  EXPECT_EQ(ReadSettingsFile(QFile::encodeName(chosenFile).toStdString()).record->Get(field::device_name), "desk-edit");

  texts.clear();
  choice = MessageAnswer::Act;  // Write the file's settings
  answer = MessageAnswer::Yes;  // ... after seeing the list
  PressOpen();
  ASSERT_TRUE(WaitUntil([&] { return Sent(sim::FrameKind::SetSysPara) == 1 && CommandButtonsEnabled(); }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return texts.size() >= 3; }, 15000));
  EXPECT_EQ(texts[0], "Write the file's settings to the modem, or read the modem?");
  EXPECT_NE(texts[1].find("Write these changes to the modem on COM50?"), std::string::npos);
  EXPECT_NE(texts[1].find("-> desk-edit"), std::string::npos) << texts[1];
  EXPECT_EQ(texts[2], "       Operation succeed!\nReboot for changes to take effect");
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), "desk-edit");
  // The modem's own hardware byte stayed the modem's.
  EXPECT_EQ(modem->StoredRecord().Get(field::hw_options), sim::ModemSimulator::RealisticRecord(true).Get(field::hw_options));
}

// Import profile asks for every ${NAME} without a value in one form, once a
// session; Export profile puts passwords and PINs in only when asked, and
// such a file is its owner's alone.
TEST_F(DeskWindow, ProfileVariablesAreAskedOnceAndSecretsOnlyOnRequest) {
  std::vector<std::vector<std::string>> asked;
  MainDlgOptions options;
  options.askProfileVariables = [&](QWidget*, const std::vector<std::string>& names) {
    asked.push_back(names);
    return std::optional<std::vector<std::string>>(std::vector<std::string>{"north-07", "m2m.example"});
  };
  Start(options);
  ASSERT_TRUE(OpenAndRead());
  chosenFile = dir.filePath("site.yaml");
  WriteText(chosenFile, "format: telvaro-profile/1\nbasic:\n  device_name: \"${SITE}\"\ngprs:\n  apn: \"${APN_H31}\"\n");
  texts.clear();
  window->ImportProfile();
  ASSERT_EQ(asked, (std::vector<std::vector<std::string>>{{"SITE", "APN_H31"}}));
  EXPECT_EQ(texts, std::vector<std::string>{"Profile imported: 2 setting(s); Write sends them"});
  EXPECT_EQ(Edit(kBasic, "deviceNameEdit")->text(), "north-07");
  EXPECT_EQ(Edit(kGprs, "apnEdit")->text(), "m2m.example");
  window->ImportProfile();  // the values typed are kept for the session
  EXPECT_EQ(asked.size(), 1u);

  texts.clear();
  choice = MessageAnswer::Act;  // "Include passwords and PINs"
  answer = MessageAnswer::No;   // every setting, not only those off the factory defaults
  chosenFile = dir.filePath("secrets.yaml");
  window->ExportProfile();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1], "Only settings that differ from the factory defaults?");
  EXPECT_EQ(texts[2], "Profile exported with passwords and PINs (readable by you alone)");
  EXPECT_EQ(QFile::permissions(chosenFile) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ReadOwner | QFile::WriteOwner),
            QFile::Permissions());
  QFile exported(chosenFile);
  ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
  const QByteArray full = exported.readAll();
  EXPECT_TRUE(full.contains("pin_code"));

  // Only what differs from the factory defaults: the device name, not the rest.
  choice = MessageAnswer::GoOn;
  answer = MessageAnswer::Yes;
  chosenFile = dir.filePath("minimal.yaml");
  window->ExportProfile();
  QFile minimal(chosenFile);
  ASSERT_TRUE(minimal.open(QIODevice::ReadOnly));
  const QByteArray changed = minimal.readAll();
  EXPECT_TRUE(changed.contains("device_name: \"north-07\"")) << changed.toStdString();
  EXPECT_LT(changed.count('\n'), full.count('\n') / 2) << changed.toStdString();
}

// The monitor refreshes the Networks page over and over while an edit on
// the Basic page keeps its value and its mark, asks nothing, sends nothing
// else, and stops when the port goes.
TEST_F(DeskWindow, TheMonitorRefreshesTheLiveStatusAndLeavesEditsAlone) {
  MainDlgOptions options;
  options.monitorIntervalMs = 300;  // short, so a loaded machine still sees three polls quickly
  Start(options);
  ASSERT_TRUE(OpenAndRead());
  EXPECT_FALSE(window->Monitor().IsOn());  // off until asked
  QLineEdit* name = Edit(kBasic, "deviceNameEdit");
  name->setText("edited");
  ASSERT_TRUE(WaitUntil([&] { return window->ControlMarked(name); }, 10000));
  const int pending = window->Pending().Count();
  texts.clear();

  window->Page(kNetworks)->findChild<QToolButton*>("monitorButton")->click();
  EXPECT_TRUE(window->findChild<QAction*>("monitorAction")->isChecked());
  auto* cell = window->Page(kNetworks)->findChild<QLabel*>("cellIdValue");
  for (const char* id : {"1A01", "2B02", "3C03"}) {
    ConfigRecord record = modem->StoredRecord();
    record.Set(field::cell_id, id);
    modem->SetStoredRecord(record);
    ASSERT_TRUE(WaitUntil([&] { return cell->text() == id; }, 20000)) << id;
  }
  EXPECT_EQ(name->text(), "edited");
  EXPECT_TRUE(window->ControlMarked(name));
  EXPECT_EQ(window->Pending().Count(), pending);
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(Sent(sim::FrameKind::SetSysPara), 0u);

  modem->Stop();  // the device goes, the port closes, the monitor stops
  ASSERT_TRUE(WaitUntil([&] { return !window->Session().IsOpen(); }, 15000));
  EXPECT_FALSE(window->Monitor().IsOn());
  EXPECT_FALSE(window->Page(kNetworks)->findChild<QToolButton*>("monitorButton")->isChecked());
}

// "Other port..." takes a path the list misses, opens it, and lists it again
// at the next start. A permission error names owner, group and mode, and the
// group only when joining it would help.
TEST_F(DeskWindow, AnotherPortIsTypedOnceAndAPermissionErrorSaysWhy) {
  StartModem();
  ASSERT_FALSE(HasFatalFailure());
  const std::string ini = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
  const auto open = [&](int typedCalls) {
    MainDlgOptions options;
    options.serialSettingsPath = ini;
    options.preferencesPath = QFile::encodeName(dir.filePath("preferences.ini")).toStdString();
    int* calls = new int(0);
    options.askOtherPort = [this, calls](QWidget*) {
      ++*calls;
      return QString::fromStdString(modem->DevicePath());
    };
    // One port listed, so no box comes before the responder; the port
    // opened last is selected at the next start.
    options.portTable = [] { return SystemPortTable{true, {{"", "/dev/ttyS0", "built-in serial port"}}}; };
    options.rememberLastPort = true;
    window = std::make_unique<CMainDlg>(std::move(options));
    window->Messages().SetResponder([this](const MessageRequest& request) { return Respond(request); });
    window->show();
    auto* selector = window->findChild<QComboBox*>("portSelector");
    EXPECT_EQ(selector->itemText(selector->count() - 1), "Other port...");
    if (typedCalls > 0) emit selector->activated(selector->count() - 1);
    EXPECT_EQ(*calls, typedCalls);
    delete calls;
    return selector->currentText();
  };
  EXPECT_EQ(open(1), "COM300");
  texts.clear();
  window->findChild<QPushButton*>("switchButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty(); }, 15000));
  EXPECT_EQ(texts.back(), "Operation succeed!");
  window->WaitForWorkers();
  window.reset();
  EXPECT_EQ(open(0), "COM300");  // listed again, and selected as the port opened last

  DeviceAccess access{"root", "dialout", 020660, false, false};
  EXPECT_EQ(PermissionDeniedText(access),
            "Permission denied (owner root, group dialout, mode crw-rw----); join the group dialout: "
            "sudo usermod -aG dialout $USER, then log in again");
  access.listedInGroup = true;
  EXPECT_EQ(PermissionDeniedText(access),
            "Permission denied (owner root, group dialout, mode crw-rw----); you are in the group dialout: log in again");
  access = {"root", "root", 020600, false, false};  // no group would help
  EXPECT_EQ(PermissionDeniedText(access), "Permission denied (owner root, group root, mode crw-------)");
}

// "Network port..." takes a serial device server's address once: a modem
// behind ser2net (RFC 2217, its line starting at 9600) is read and written,
// the status bar and the title show the address, and it is listed again at
// the next start.
TEST_F(DeskWindow, ANetworkPortIsTypedOnceAndReadAndWrittenThroughSer2net) {
  if (!HaveSer2net()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it)";
  StartModem();
  ASSERT_FALSE(HasFatalFailure());
  const int port = FreePort();
  Ser2net server(QFile::encodeName(dir.path()).toStdString(), {{port, modem->DevicePath(), true, "9600n81"}});
  ASSERT_TRUE(server.Start());
  const QString address = QString("rfc2217://127.0.0.1:%1").arg(port);
  const auto open = [&](bool type) {
    MainDlgOptions options;
    options.serialSettingsPath = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
    options.preferencesPath = QFile::encodeName(dir.filePath("preferences.ini")).toStdString();
    options.askNetworkPort = [address](QWidget*) { return address; };
    options.portTable = [] { return SystemPortTable{true, {{"", "/dev/ttyS0", "built-in serial port"}}}; };
    options.rememberLastPort = true;
    window = std::make_unique<CMainDlg>(std::move(options));
    window->Messages().SetResponder([this](const MessageRequest& request) { return Respond(request); });
    window->show();
    auto* selector = window->findChild<QComboBox*>("portSelector");
    EXPECT_EQ(selector->itemText(selector->count() - 2), "Network port...");
    if (type) emit selector->activated(selector->count() - 2);
    return selector->currentText();
  };
  EXPECT_EQ(open(true), "COM300");
  texts.clear();
  window->findChild<QPushButton*>("switchButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty(); }, 15000));
  EXPECT_EQ(texts.back(), "Operation succeed!");
  EXPECT_TRUE(window->findChild<QLabel*>("statusPort")->text().startsWith(address + " 115200,n,8,1"))
      << window->findChild<QLabel*>("statusPort")->text().toStdString();
  EXPECT_TRUE(window->windowTitle().contains(address)) << window->windowTitle().toStdString();

  modem->ClearFrames();
  texts.clear();
  window->findChild<QToolButton*>("writeButton")->click();
  ASSERT_TRUE(WaitUntil([&] { return Sent(sim::FrameKind::GetSysPara) == 1 && window->RunningWorkers() == 0; },
                        15000));
  ASSERT_EQ(modem->Frames().size(), 2u);  // the Write and its read-back
  EXPECT_EQ(modem->Frames()[0].kind, sim::FrameKind::SetSysPara);
  window->WaitForWorkers();
  window.reset();
  EXPECT_EQ(open(false), "COM300");  // remembered, and selected as the port opened last
}

// The pages' captions carry access keys that collide neither on their page
// nor with the menu bar and the command buttons; Help offers the installed
// manual.
TEST_F(DeskWindow, CaptionsHaveTheirOwnAccessKeys) {
  Start();
  int keyed = 0;
  for (ConfigPage* page : {window->Page(kCom), window->Page(kGprs), window->Page(kPhoneBook), window->Page(kNetworks)}) {
    QString used = "fsvhrwdbx";
    for (QLabel* label : page->findChildren<QLabel*>()) {
      const auto at = label->text().indexOf('&');
      if (at < 0 || !label->buddy()) continue;
      const QChar key = label->text().at(at + 1).toLower();
      EXPECT_FALSE(used.contains(key)) << label->text().toStdString();
      used += key;
      ++keyed;
    }
  }
  EXPECT_GT(keyed, 10);
  EXPECT_NE(window->findChild<QAction*>("manualAction"), nullptr);
  EXPECT_TRUE(CMainDlg::UserManualPath().endsWith("/telvaro-pro/manual.html") ||
              CMainDlg::UserManualPath().endsWith("/packaging/manual.html"));
}

}  // namespace
}  // namespace telvaro
