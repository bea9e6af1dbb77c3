// Settings > "Provision several modems...": one profile (or settings file)
// given to many units, as `telvaro-cli apply --units` gives it, on the same
// fleet runner. A table holds one row per unit (its port, its values for the
// profile's ${NAME}s, its state); every row is checked by the setting rules
// before any port is opened, then the units run on a worker thread, the
// units on one port in turn with a prompt for the next modem.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/worker_threads.h"
#include "fleet/fleet.h"
#include "fleet/unit_plan.h"
#include "fleet/upgrade_guard.h"
#include "link/port_map.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace telvaro {

class MessageOwner;

// The files the dialog asks for.
enum class ProvisionFile { Source, Units, Report, Firmware };

struct ProvisionOptions {
  PortMap ports;                   // the window's COM<n> pairs
  std::vector<std::string> portNames;  // the ports offered with check boxes
  // A file to read (Source, Units) or the report to save, or an empty text
  // when the operator cancels; the file dialogs unless a test gives one.
  std::function<QString(QWidget*, ProvisionFile)> chooseFile;
  // Where each unit's backup goes; "backups" beside the units file (or the
  // profile) when empty.
  std::string backupDir;
  // The firmware step's guard for every unit (restart wait, keep settings,
  // packet gap); tests shorten its waits.
  UpgradeGuardOptions guard;
};

class ProvisionDialog : public QDialog {
  Q_OBJECT

 public:
  // Columns before the unit's values and after them.
  static constexpr int kPortColumn = 0;

  ProvisionDialog(MessageOwner& messages, ProvisionOptions options, QWidget* parent);
  ~ProvisionDialog() override;

  // The profile or settings file, and the units file ("" for none); each
  // rebuilds the table.
  void SetSource(const QString& path);
  void SetUnitsFile(const QString& path);
  void SetPortChecked(const QString& port, bool checked);
  // The "Upgrade firmware" step: with an image, Run gives each unit the
  // image through the settings guard instead of the profile's settings, as
  // `telvaro-cli upgrade --units` does. An empty path turns the step off.
  void SetFirmware(const QString& path);

  // Every row checked by the setting rules; problems shown in their rows.
  // True when every row may run.
  bool Check();
  // Check, then every unit from the start (a new report).
  void Run();
  // The units not ok in the report so far, resumed as `apply --resume` does.
  void Resume();
  // No further unit starts; the units in flight finish.
  void Stop();
  // The next modem is connected to the port the prompt names.
  void Continue();
  bool Running() const { return running_; }
  // The report so far in `path` (CSV, or JSON for .json), as telvaro-cli
  // writes it; Save report... asks where.
  bool SaveReport(const QString& path);
  void SaveReportAs();

  QTableWidget* Table() const { return table_; }
  // The column of a unit's value, the state and the backup; -1 when none.
  int ColumnOf(const QString& name) const;
  int StateColumn() const;
  QString Prompt() const;
  const std::vector<UnitResult>& Report() const { return report_; }

 protected:
  // While units run, closing stops the run instead: the units in flight
  // finish first.
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Rebuild();
  // The units as the table has them now: values from the cells.
  std::vector<Unit> TableUnits() const;
  std::optional<UnitSource> Source();
  void Start(bool resume);
  void SetRowState(std::size_t row, const QString& state, const QString& backup = QString());
  void OnUnitStarted(std::size_t row);
  void OnUnitFinished(const UnitResult& result);
  void OnRunEnded(std::size_t started, std::size_t total);
  void ShowPrompt(const QString& port);
  void UpdateButtons();
  bool WaitForNextModem(const std::string& port);

  MessageOwner& messages_;
  ProvisionOptions options_;
  QLineEdit* sourceEdit_ = nullptr;
  QLineEdit* unitsEdit_ = nullptr;
  QCheckBox* firmwareCheck_ = nullptr;
  QLineEdit* firmwareEdit_ = nullptr;
  QListWidget* portList_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* promptLabel_ = nullptr;
  QLabel* summaryLabel_ = nullptr;
  QPushButton* checkButton_ = nullptr;
  QPushButton* runButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QPushButton* resumeButton_ = nullptr;
  QPushButton* continueButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;

  PortMap ports_;                     // the window's, with the units' ports added
  std::vector<Unit> units_;           // the rows: ports, "imei", the file's values
  std::vector<std::string> columns_;  // the value columns, after the port
  std::vector<UnitResult> report_;    // every unit that ended, as the report lists it
  bool running_ = false;
  std::atomic<bool> stop_{false};
  std::mutex promptLock_;
  std::condition_variable promptWake_;
  bool goOn_ = false;  // Continue pressed for the prompt shown
  WorkerThreads workers_;
};

}  // namespace telvaro
