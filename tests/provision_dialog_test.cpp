// Settings > "Provision several modems...": three simulated modems given one
// profile with a name of their own each, as telvaro-cli apply --units does.
#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/provision_dialog.h"
#include "tests/gui_test_support.h"
#include "record/config_record.h"

namespace telvaro {
namespace {

constexpr int kUnits = 3;
constexpr int kLongWaitMs = 60000;

class ProvisionDialogTest : public WindowWithModem {
 protected:
  void SetUp() override {
    for (int i = 0; i < kUnits; ++i) {
      sim::SimOptions simOptions;
      simOptions.stepped = i == steppedUnit;
      if (firmwareUnits) {
        simOptions.restartAfterUpgradeMs = 200;
        simOptions.factoryAfterUpgrade = i == 1;  // a firmware that resets the settings
      }
      units[i] = std::make_unique<sim::ModemSimulator>(simOptions);
      ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
      record.Set(field::imei, "35693803564380" + std::to_string(i));
      units[i]->SetStoredRecord(record);
      earlier[i] = record;
      ASSERT_TRUE(units[i]->Start());
      ASSERT_TRUE(units[i]->CreateLink(Link(i)));
    }
    profile = Write("site.yaml", "format: telvaro-profile/1\nbasic:\n  device_name: \"${SITE}\"\n");
    MainDlgOptions options;
    for (int i = 0; i < kUnits; ++i) options.ports.AddPair(Port(i) + "=" + Link(i));
    options.provisionBackupDir = (Dir() / "backups").string();
    options.upgradeSleep = [](int ms) { QTest::qSleep(std::min(ms, 50)); };
    options.chooseProvisionFile = [this](QWidget*, int) { return QString::fromStdString(chosenReport); };
    OpenWindow(std::move(options));
    window->findChild<QAction*>("provisionAction")->trigger();
    dialog = window->findChild<ProvisionDialog*>();
    ASSERT_NE(dialog, nullptr);
  }

  void TearDown() override {
    if (dialog) dialog->Stop();
    WindowWithModem::TearDown();
  }

  std::filesystem::path Dir() const { return std::filesystem::path(files.path().toStdString()); }
  std::string Link(int i) const { return (Dir() / ("modem" + std::to_string(i))).string(); }
  static std::string Port(int i) { return "COM" + std::to_string(61 + i); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(Dir() / name) << text;
    return (Dir() / name).string();
  }
  static std::string Slurp(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  QTableWidget* Table() const { return dialog->Table(); }
  QString Cell(int row, int column) const { return Table()->item(row, column)->text(); }
  QString State(int row) const { return Cell(row, dialog->StateColumn()); }
  void SetCell(int row, const QString& column, const QString& value) {
    Table()->item(row, dialog->ColumnOf(column))->setText(value);
  }
  void Press(const char* button) { dialog->findChild<QPushButton*>(button)->click(); }
  bool RunEnds() {
    return WaitUntil([this] { return !dialog->Running(); }, kLongWaitMs);
  }
  void ChoosePortsAndNames() {
    dialog->SetSource(QString::fromStdString(profile));
    for (int i = 0; i < kUnits; ++i) dialog->SetPortChecked(QString::fromStdString(Port(i)), true);
    ASSERT_EQ(Table()->rowCount(), kUnits);
    for (int i = 0; i < kUnits; ++i) SetCell(i, "SITE", QString("SITE-0%1").arg(i + 1));
  }

  int steppedUnit = -1;
  bool firmwareUnits = false;
  QTemporaryDir files;
  std::unique_ptr<sim::ModemSimulator> units[kUnits];
  ConfigRecord earlier[kUnits];
  std::string profile;
  std::string chosenReport;
  ProvisionDialog* dialog = nullptr;
};

TEST_F(ProvisionDialogTest, ThreeModemsGetTheirOwnNamesAndOneBadRowRunsNothing) {
  ChoosePortsAndNames();
  EXPECT_EQ(Cell(0, ProvisionDialog::kPortColumn), "COM61");

  // A name the pages would refuse in one row: no port is opened.
  SetCell(1, "SITE", QString(80, 'x'));
  Press("runButton");
  EXPECT_FALSE(dialog->Running());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "1 problem(s) in the units; nothing sent.");
  EXPECT_TRUE(State(1).contains("basic.device_name: 80 characters are too long")) << State(1).toStdString();
  EXPECT_EQ(State(0), "checked");
  for (const auto& unit : units) EXPECT_TRUE(unit->Frames().empty());

  SetCell(1, "SITE", "SITE-02");
  Press("runButton");
  ASSERT_TRUE(RunEnds());
  for (int i = 0; i < kUnits; ++i) {
    EXPECT_EQ(units[i]->StoredRecord().Get(field::device_name), "SITE-0" + std::to_string(i + 1));
    EXPECT_EQ(State(i), "ok, 2 setting(s) changed (basic.device_name, phone_book.phone_book[0])");
    const std::string backup = Cell(i, dialog->StateColumn() + 1).toStdString();
    EXPECT_TRUE(std::filesystem::is_regular_file(backup)) << backup;
  }
  EXPECT_EQ(dialog->findChild<QLabel*>("summaryLabel")->text(), "3 ok, 0 failed");
}

// The report's lines without the fields of time and place (start, seconds,
// backup), which two runs never share.
std::vector<std::string> ReportWithoutTimes(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
    if (fields.size() == 10) fields.resize(7);
    std::string kept;
    for (const std::string& f : fields) kept += f + ",";
    lines.push_back(kept);
  }
  return lines;
}

TEST_F(ProvisionDialogTest, UnitsSharingAPortWaitForTheNextModemAndStopLeavesTheRestToResume) {
  const std::string unitsFile =
      Write("units.csv", "port,SITE\n" + Port(0) + ",FIRST\n" + Port(0) + ",SECOND\n" + Port(1) + ",OTHER\n");
  dialog->SetSource(QString::fromStdString(profile));
  dialog->SetUnitsFile(QString::fromStdString(unitsFile));
  ASSERT_EQ(Table()->rowCount(), 3);
  Press("runButton");
  ASSERT_TRUE(WaitUntil([this] { return !dialog->Prompt().isEmpty(); }, kLongWaitMs));
  EXPECT_EQ(dialog->Prompt(), "Connect the next modem to COM61");
  EXPECT_TRUE(State(0).startsWith("ok")) << State(0).toStdString();
  EXPECT_EQ(State(1), "waiting");
  EXPECT_EQ(units[0]->StoredRecord().Get(field::device_name), "FIRST");
  // Stop instead of the next modem: what ran stays, the rest waits for Resume.
  Press("stopButton");
  ASSERT_TRUE(RunEnds());
  EXPECT_EQ(State(1), "not started");
  EXPECT_EQ(units[1]->StoredRecord().Get(field::device_name), "OTHER");
  EXPECT_EQ(dialog->findChild<QLabel*>("summaryLabel")->text(),
            "2 ok, 0 failed, 1 not started (stopped; Resume goes on)");

  Press("resumeButton");
  ASSERT_TRUE(WaitUntil([this] { return !dialog->Prompt().isEmpty(); }, kLongWaitMs));
  Press("continueButton");
  ASSERT_TRUE(RunEnds());
  EXPECT_EQ(units[0]->StoredRecord().Get(field::device_name), "SECOND");
  EXPECT_EQ(State(0), "ok before, skipped");
  EXPECT_TRUE(State(1).startsWith("ok, ")) << State(1).toStdString();
  EXPECT_TRUE(dialog->Prompt().isEmpty());
  EXPECT_EQ(dialog->Report().size(), 3u);
}

TEST_F(ProvisionDialogTest, TheReportSavedEqualsTheCommandLinesForTheSameRun) {
  std::string csv = "port,SITE\n";
  for (int i = 0; i < kUnits; ++i) csv += Port(i) + "=" + Link(i) + ",SITE-0" + std::to_string(i + 1) + "\n";
  const std::string unitsFile = Write("units.csv", csv);
  const std::string cliReport = (Dir() / "cli.csv").string();
  QProcess cli;
  cli.setWorkingDirectory(files.path());
  cli.start(TELVARO_CLI_PATH, {"apply", QString::fromStdString(profile), "--units", QString::fromStdString(unitsFile),
                               "--report", QString::fromStdString(cliReport)});
  ASSERT_TRUE(cli.waitForFinished(kLongWaitMs));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

  // The same modems as they were, and the same units from the dialog.
  for (int i = 0; i < kUnits; ++i) units[i]->SetStoredRecord(earlier[i]);
  dialog->SetSource(QString::fromStdString(profile));
  dialog->SetUnitsFile(QString::fromStdString(unitsFile));
  ASSERT_EQ(Table()->rowCount(), kUnits);
  EXPECT_EQ(Cell(2, dialog->ColumnOf("SITE")), "SITE-03");
  EXPECT_FALSE(dialog->findChild<QPushButton*>("saveReportButton")->isEnabled());
  Press("runButton");
  ASSERT_TRUE(RunEnds());
  chosenReport = (Dir() / "dialog.csv").string();
  Press("saveReportButton");
  EXPECT_EQ(texts.back(), "Report saved to " + chosenReport);
  const std::vector<std::string> fromCli = ReportWithoutTimes(Slurp(cliReport));
  ASSERT_EQ(fromCli.size(), kUnits + 1u) << Slurp(cliReport);
  // Units on different ports end in any order; the lines are the same.
  std::vector<std::string> fromDialog = ReportWithoutTimes(Slurp(chosenReport));
  std::vector<std::string> expected = fromCli;
  std::sort(fromDialog.begin() + 1, fromDialog.end());
  std::sort(expected.begin() + 1, expected.end());
  EXPECT_EQ(fromDialog, expected) << Slurp(chosenReport);
}

class ProvisionResumeTest : public ProvisionDialogTest {
 protected:
  void SetUp() override {
    steppedUnit = 1;  // its answers wait for the test
    ProvisionDialogTest::SetUp();
  }
};

TEST_F(ProvisionResumeTest, AUnitLostMidRunFailsWithItsReasonAndIsResumedAlone) {
  ChoosePortsAndNames();
  Press("runButton");
  // The second modem vanishes while its read is under way.
  ASSERT_TRUE(WaitUntil([this] { return State(1) == "running" && !units[1]->Frames().empty(); }, kLongWaitMs));
  units[1]->Stop();
  ASSERT_TRUE(RunEnds());
  EXPECT_EQ(State(1), "failed: device disconnected");
  EXPECT_TRUE(State(0).startsWith("ok")) << State(0).toStdString();
  EXPECT_TRUE(State(2).startsWith("ok")) << State(2).toStdString();
  ASSERT_EQ(dialog->Report().size(), 3u);
  EXPECT_EQ(dialog->findChild<QLabel*>("summaryLabel")->text(), "2 ok, 1 failed");

  // Back (a new device behind the same link): Resume touches it alone.
  units[1]->Options().stepped = false;
  ASSERT_TRUE(units[1]->Start());
  ASSERT_TRUE(units[1]->CreateLink(Link(1)));
  for (auto& unit : units) unit->ClearFrames();
  Press("resumeButton");
  ASSERT_TRUE(RunEnds());
  EXPECT_EQ(units[1]->StoredRecord().Get(field::device_name), "SITE-02");
  for (int i : {0, 2}) {
    for (const auto& frame : units[i]->Frames()) EXPECT_NE(frame.kind, sim::FrameKind::SetSysPara) << i;
    EXPECT_EQ(State(i), "ok before, skipped");
  }
  EXPECT_TRUE(State(1).startsWith("ok")) << State(1).toStdString();
  ASSERT_EQ(dialog->Report().size(), 4u);
  EXPECT_EQ(dialog->Report().back().row, 2u);
  EXPECT_TRUE(dialog->Report().back().ok);
  EXPECT_FALSE(dialog->findChild<QPushButton*>("resumeButton")->isEnabled());
}

class ProvisionFirmwareTest : public ProvisionDialogTest {
 protected:
  void SetUp() override {
    firmwareUnits = true;
    ProvisionDialogTest::SetUp();
  }
};

TEST_F(ProvisionFirmwareTest, TheFirmwareStepKeepsEachUnitsSettings) {
  window->findChild<QAction*>("fastUpgradeAction")->setChecked(true);
  // The fast upgrade is taken as a dialog opens: a second one has it.
  ProvisionDialog* first = dialog;
  window->findChild<QAction*>("provisionAction")->trigger();
  for (ProvisionDialog* opened : window->findChildren<ProvisionDialog*>())
    if (opened != first) dialog = opened;
  ASSERT_NE(dialog, first);
  dialog->SetSource(QString::fromStdString(profile));  // the step, not the profile, decides what Run does
  for (int i = 0; i < 2; ++i) dialog->SetPortChecked(QString::fromStdString(Port(i)), true);
  std::string image(1300, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7 + 1);
  dialog->SetFirmware(QString::fromStdString(Write("APROM.bin", image)));
  Press("runButton");
  ASSERT_TRUE(RunEnds());
  EXPECT_EQ(State(0), "ok, upgraded, settings kept");
  EXPECT_TRUE(State(1).startsWith("ok, upgraded, settings restored (basic.device_name")) << State(1).toStdString();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(units[i]->StoredRecord().Get(field::device_name), earlier[i].Get(field::device_name)) << i;
    EXPECT_EQ(dialog->Report()[static_cast<std::size_t>(i)].firmware, "upgraded");
  }

  // The firmware's report is not resumed by writing settings.
  for (auto& unit : units) unit->ClearFrames();
  dialog->SetFirmware(QString());
  for (int i = 0; i < 2; ++i) SetCell(i, "SITE", "SITE");
  dialog->Resume();
  EXPECT_EQ(texts.back(), "The report so far is of the other step; Run starts a new report.");
  EXPECT_FALSE(dialog->Running());
  for (const auto& unit : units) EXPECT_TRUE(unit->Frames().empty());
}

}  // namespace
}  // namespace telvaro
