#include "app/provision_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <map>

#include "app/main_dialog.h"
#include "app/message_owner.h"
#include "fleet/fleet_files.h"
#include "operations/settings_file.h"
#include "operations/upgrade_flow.h"
#include "profile/profile.h"

namespace telvaro {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// A unit's end as its row shows it.
QString StateText(const UnitResult& r) {
  if (r.skipped) return ProvisionDialog::tr("ok before, skipped");
  if (!r.ok) return ProvisionDialog::tr("failed: %1").arg(Q(r.reason));
  if (!r.firmware.empty()) {
    // "ok, upgraded, settings restored (basic.device_name)", as the CLI's line says it.
    QString text = ProvisionDialog::tr("ok, %1").arg(Q(r.firmware));
    if (!r.settings.empty()) text += ProvisionDialog::tr(", settings %1").arg(Q(r.settings));
    if (!r.settings.empty() && !r.changedKeys.empty()) text += " (" + Q(Joined(r.changedKeys, ", ")) + ")";
    return text;
  }
  const QString changed = r.changedKeys.empty() ? QString() : " (" + Q(Joined(r.changedKeys, ", ")) + ")";
  return ProvisionDialog::tr("ok, %n setting(s) changed", nullptr, static_cast<int>(r.changedKeys.size())) + changed;
}

QTableWidgetItem* FixedItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

}  // namespace

ProvisionDialog::ProvisionDialog(MessageOwner& messages, ProvisionOptions options, QWidget* parent)
    : QDialog(parent), messages_(messages), options_(std::move(options)), ports_(options_.ports) {
  setObjectName("provisionDialog");
  setWindowTitle(tr("Provision several modems"));
  auto* layout = new QVBoxLayout(this);
  auto* files = new QGridLayout;
  layout->addLayout(files);

  const auto fileRow = [&](int row, const QString& label, QLineEdit*& edit, const char* name, ProvisionFile kind,
                           void (ProvisionDialog::*set)(const QString&)) {
    files->addWidget(new QLabel(label, this), row, 0);
    edit = new QLineEdit(this);
    edit->setObjectName(name);
    files->addWidget(edit, row, 1);
    auto* browse = new QPushButton(tr("Browse..."), this);
    files->addWidget(browse, row, 2);
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, set] {
      if (!running_) (this->*set)(edit->text());
    });
    connect(browse, &QPushButton::clicked, this, [this, kind, set] {
      QString path;
      if (options_.chooseFile) {
        path = options_.chooseFile(this, kind);
      } else {
        const QString filter = kind == ProvisionFile::Source
                                   ? tr("Profiles and settings files (*.yaml *.yml *.json *.bin);;All files (*)")
                                   : tr("Units files (*.csv);;All files (*)");
        path = QFileDialog::getOpenFileName(this, QString(), QString(), filter);
      }
      if (!path.isEmpty()) (this->*set)(path);
    });
  };
  fileRow(0, tr("Profile or settings file:"), sourceEdit_, "sourceEdit", ProvisionFile::Source,
          &ProvisionDialog::SetSource);
  fileRow(1, tr("Units file (optional):"), unitsEdit_, "unitsEdit", ProvisionFile::Units,
          &ProvisionDialog::SetUnitsFile);

  // The firmware step: an image given to every unit, keeping its settings.
  firmwareCheck_ = new QCheckBox(tr("Upgrade firmware"), this);
  firmwareCheck_->setObjectName("firmwareCheck");
  files->addWidget(firmwareCheck_, 2, 0);
  firmwareEdit_ = new QLineEdit(this);
  firmwareEdit_->setObjectName("firmwareEdit");
  files->addWidget(firmwareEdit_, 2, 1);
  auto* browseImage = new QPushButton(tr("Browse..."), this);
  files->addWidget(browseImage, 2, 2);
  connect(browseImage, &QPushButton::clicked, this, [this] {
    const QString path = options_.chooseFile ? options_.chooseFile(this, ProvisionFile::Firmware)
                                             : QFileDialog::getOpenFileName(this, QString(), QString(),
                                                                            tr("Firmware images (*.bin);;All files (*)"));
    if (!path.isEmpty()) SetFirmware(path);
  });

  auto* middle = new QHBoxLayout;
  layout->addLayout(middle, 1);
  portList_ = new QListWidget(this);
  portList_->setObjectName("portList");
  portList_->setMaximumWidth(160);
  for (const std::string& name : options_.portNames) {
    auto* item = new QListWidgetItem(Q(name), portList_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  connect(portList_, &QListWidget::itemChanged, this, [this] {
    if (!running_) Rebuild();
  });
  middle->addWidget(portList_);
  table_ = new QTableWidget(this);
  table_->setObjectName("unitTable");
  table_->horizontalHeader()->setStretchLastSection(true);
  middle->addWidget(table_, 1);

  auto* promptRow = new QHBoxLayout;
  layout->addLayout(promptRow);
  promptLabel_ = new QLabel(this);
  promptLabel_->setObjectName("promptLabel");
  promptRow->addWidget(promptLabel_, 1);
  continueButton_ = new QPushButton(tr("Continue"), this);
  continueButton_->setObjectName("continueButton");
  continueButton_->hide();
  promptRow->addWidget(continueButton_);
  summaryLabel_ = new QLabel(this);
  summaryLabel_->setObjectName("summaryLabel");
  layout->addWidget(summaryLabel_);

  // The steps of a run.
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  const auto button = [&](const QString& text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  checkButton_ = button(tr("Check"), "checkButton");
  connect(checkButton_, &QPushButton::clicked, this, [this] {
    if (Check()) summaryLabel_->setText(tr("%n unit(s), no problems", nullptr, table_->rowCount()));
  });
  runButton_ = button(tr("Run"), "runButton");
  connect(runButton_, &QPushButton::clicked, this, &ProvisionDialog::Run);
  stopButton_ = button(tr("Stop"), "stopButton");
  connect(stopButton_, &QPushButton::clicked, this, &ProvisionDialog::Stop);
  resumeButton_ = button(tr("Resume"), "resumeButton");
  connect(resumeButton_, &QPushButton::clicked, this, &ProvisionDialog::Resume);
  saveButton_ = button(tr("Save report..."), "saveReportButton");
  connect(saveButton_, &QPushButton::clicked, this, &ProvisionDialog::SaveReportAs);
  buttons->addStretch(1);
  connect(button(tr("Close"), "closeButton"), &QPushButton::clicked, this, &QDialog::close);
  connect(continueButton_, &QPushButton::clicked, this, &ProvisionDialog::Continue);
  resize(820, 460);
  Rebuild();
}

ProvisionDialog::~ProvisionDialog() {
  Stop();
  workers_.JoinAll();
}

void ProvisionDialog::SetSource(const QString& path) {
  sourceEdit_->setText(path);
  Rebuild();
}

void ProvisionDialog::SetUnitsFile(const QString& path) {
  unitsEdit_->setText(path);
  Rebuild();
}

void ProvisionDialog::SetFirmware(const QString& path) {
  firmwareEdit_->setText(path);
  firmwareCheck_->setChecked(!path.isEmpty());
}

void ProvisionDialog::SetPortChecked(const QString& port, bool checked) {
  for (int i = 0; i < portList_->count(); ++i)
    if (portList_->item(i)->text() == port) portList_->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int ProvisionDialog::ColumnOf(const QString& name) const {
  const auto it = std::find(columns_.begin(), columns_.end(), name.toStdString());
  return it == columns_.end() ? -1 : static_cast<int>(it - columns_.begin()) + 1;
}

int ProvisionDialog::StateColumn() const { return static_cast<int>(columns_.size()) + 1; }

QString ProvisionDialog::Prompt() const { return promptLabel_->text(); }

void ProvisionDialog::Rebuild() {
  // Values typed for a port's row are kept while the ports change.
  std::map<std::pair<std::string, std::string>, QString> typed;
  for (int row = 0; row < table_->rowCount() && row < static_cast<int>(units_.size()); ++row)
    for (std::size_t c = 0; c < columns_.size(); ++c)
      if (const QTableWidgetItem* item = table_->item(row, static_cast<int>(c) + 1))
        typed[{units_[static_cast<std::size_t>(row)].port.name, columns_[c]}] = item->text();

  ports_ = options_.ports;
  units_.clear();
  columns_.clear();
  report_.clear();
  const std::string source = sourceEdit_->text().toStdString();
  const std::string unitsPath = unitsEdit_->text().toStdString();
  if (!unitsPath.empty()) {
    try {
      units_ = ReadUnitsFile(unitsPath, ports_);
    } catch (const FleetFileError& error) {
      messages_.Show(Q(error.what()));
    }
    if (!units_.empty())
      for (const auto& [name, value] : units_.front().variables) columns_.push_back(name);
  } else {
    for (int i = 0; i < portList_->count(); ++i) {
      if (portList_->item(i)->checkState() != Qt::Checked) continue;
      const auto port = ResolvePort(portList_->item(i)->text().toStdString(), ports_);
      if (!port) continue;
      Unit unit;
      unit.row = units_.size() + 1;
      unit.port = *port;
      units_.push_back(unit);
    }
  }
  portList_->setEnabled(unitsPath.empty());
  // The profile's ${NAME}s a units file leaves out are columns too.
  for (const std::string& name : ProfileVariables(source))
    if (std::find(columns_.begin(), columns_.end(), name) == columns_.end()) columns_.push_back(name);

  table_->clear();
  QStringList headers{tr("Port")};
  for (const std::string& name : columns_) headers << Q(name);
  headers << tr("State") << tr("Backup");
  table_->setColumnCount(static_cast<int>(headers.size()));
  table_->setHorizontalHeaderLabels(headers);
  table_->setRowCount(static_cast<int>(units_.size()));
  for (std::size_t r = 0; r < units_.size(); ++r) {
    const Unit& unit = units_[r];
    const int row = static_cast<int>(r);
    table_->setItem(row, kPortColumn, FixedItem(Q(unit.port.name)));
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      QString value;
      const auto own = std::find_if(unit.variables.begin(), unit.variables.end(),
                                    [&](const auto& v) { return v.first == columns_[c]; });
      if (own != unit.variables.end()) value = Q(own->second);
      else if (const auto kept = typed.find({unit.port.name, columns_[c]}); kept != typed.end()) value = kept->second;
      table_->setItem(row, static_cast<int>(c) + 1, new QTableWidgetItem(value));
    }
    table_->setItem(row, StateColumn(), FixedItem(QString()));
    table_->setItem(row, StateColumn() + 1, FixedItem(QString()));
  }
  summaryLabel_->clear();
  UpdateButtons();
}

std::vector<Unit> ProvisionDialog::TableUnits() const {
  std::vector<Unit> units = units_;
  for (std::size_t r = 0; r < units.size(); ++r) {
    Unit& unit = units[r];
    unit.variables.clear();
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      const QTableWidgetItem* item = table_->item(static_cast<int>(r), static_cast<int>(c) + 1);
      const std::string value = item ? item->text().toStdString() : std::string();
      unit.variables.emplace_back(columns_[c], value);
      if (columns_[c] == "imei") unit.expectedImei = value;
    }
  }
  return units;
}

std::optional<UnitSource> ProvisionDialog::Source() {
  const std::string path = sourceEdit_->text().toStdString();
  if (path.empty()) {
    messages_.Show(tr("Choose a profile or a settings file first."));
    return std::nullopt;
  }
  UnitSource source;
  source.file = path;
  if (!IsProfilePath(path)) {
    const SettingsFileRead read = ReadSettingsFile(path);
    if (!read.record) {
      messages_.Show(Q(path + ": " + read.message + (read.detail.empty() ? "" : " (" + read.detail + ")")));
      return std::nullopt;
    }
    source.base = read.record;
  }
  return source;
}

bool ProvisionDialog::Check() {
  if (units_.empty()) {
    messages_.Show(tr("No units: check the ports to provision, or choose a units file."));
    return false;
  }
  // The firmware step writes no settings of the profile: the image is
  // judged when the run starts.
  if (firmwareCheck_->isChecked()) {
    for (std::size_t r = 0; r < units_.size(); ++r) SetRowState(r, tr("checked"));
    return true;
  }
  const std::optional<UnitSource> source = Source();
  if (!source) return false;
  if (const std::vector<std::string> unknown = UnknownColumns(source->file, columns_); !unknown.empty()) {
    messages_.Show(Q(Joined(unknown, "\n")) + "\n" + tr("Nothing sent."));
    return false;
  }
  std::size_t count = 0;
  const std::vector<Unit> units = TableUnits();
  for (std::size_t r = 0; r < units.size(); ++r) {
    const std::vector<std::string> problems = UnitProblems(*source, units[r].variables);
    count += problems.size();
    SetRowState(r, problems.empty() ? tr("checked") : Q(Joined(problems, "; ")));
    table_->item(static_cast<int>(r), StateColumn())
        ->setForeground(problems.empty() ? palette().text() : QBrush(Qt::red));
  }
  if (count) {
    messages_.Show(tr("%n problem(s) in the units; nothing sent.", nullptr, static_cast<int>(count)));
    return false;
  }
  return true;
}

void ProvisionDialog::Run() { Start(false); }

void ProvisionDialog::Resume() { Start(true); }

void ProvisionDialog::Start(bool resume) {
  if (running_ || !Check()) return;
  const bool upgrade = firmwareCheck_->isChecked();
  std::vector<std::uint8_t> image;
  std::optional<UnitSource> source;
  if (upgrade) {
    const std::string path = firmwareEdit_->text().toStdString();
    FirmwareImage loaded = UpgradeFlow::LoadImage(path);
    if (!loaded.message.empty()) {
      messages_.Show(Q(path + ": " + loaded.Text()));
      return;
    }
    // A settings file given where the image belongs would be flashed as code.
    if (IsSettingsFile(loaded.bytes)) {
      messages_.Show(Q(NotAFirmwareImageText(path)));
      return;
    }
    image = std::move(loaded.bytes);
  } else {
    source = Source();
    if (!source) return;
  }
  std::vector<Unit> units = TableUnits();
  // A report of settings written says nothing of a firmware, nor one of a
  // firmware of settings: Resume goes on only with the step it was made by.
  const bool firmwareReport =
      std::any_of(report_.begin(), report_.end(), [](const UnitResult& r) { return !r.firmware.empty(); });
  if (resume && !report_.empty() && firmwareReport != upgrade) {
    messages_.Show(tr("The report so far is of the other step; Run starts a new report."));
    return;
  }
  if (resume) {
    for (Unit& unit : units) {
      if (const UnitResult* before = OkBefore(unit, report_)) {
        unit.resumed = true;
        unit.resumedImei = before->imei;
      }
    }
  } else {
    report_.clear();
  }

  FleetOptions fleet;
  fleet.ports = ports_;
  if (!options_.backupDir.empty()) {
    fleet.backupDir = options_.backupDir;
  } else {
    const std::string beside = !unitsEdit_->text().isEmpty() ? unitsEdit_->text().toStdString()
                               : upgrade                    ? firmwareEdit_->text().toStdString()
                                                            : source->file;
    fleet.backupDir = std::filesystem::absolute(beside).parent_path() / "backups";
  }
  fleet.stopRequested = [this] { return stop_.load(); };
  fleet.waitForNextModem = [this](const std::string& port) { return WaitForNextModem(port); };
  fleet.started = [this](const Unit& unit) {
    const std::size_t row = unit.row;
    QMetaObject::invokeMethod(this, [this, row] { OnUnitStarted(row); }, Qt::QueuedConnection);
  };
  fleet.finished = [this](const UnitResult& result) {
    QMetaObject::invokeMethod(this, [this, result] { OnUnitFinished(result); }, Qt::QueuedConnection);
  };
  // With the firmware step the runner gives each unit the image through the
  // settings guard and never calls the merge.
  const MergeStep merge = upgrade ? MergeStep() : UnitMerge(*source);
  if (upgrade) {
    fleet.firmware = std::move(image);
    fleet.guard = options_.guard;
  }

  for (std::size_t r = 0; r < units.size(); ++r) SetRowState(r, tr("waiting"));
  stop_ = false;
  goOn_ = false;
  running_ = true;
  summaryLabel_->clear();
  UpdateButtons();
  workers_.Start([this, units = std::move(units), merge, fleet = std::move(fleet)] {
    const std::size_t ended = RunFleet(units, merge, fleet).size();
    const std::size_t total = units.size();
    QMetaObject::invokeMethod(this, [this, ended, total] { OnRunEnded(ended, total); }, Qt::QueuedConnection);
  });
}

void ProvisionDialog::Stop() {
  {
    std::lock_guard guard(promptLock_);
    stop_ = true;
  }
  promptWake_.notify_all();
  if (running_) summaryLabel_->setText(tr("Stopping: the units in flight finish; no further unit starts."));
}

void ProvisionDialog::Continue() {
  {
    std::lock_guard guard(promptLock_);
    goOn_ = true;
  }
  promptWake_.notify_all();
  ShowPrompt(QString());
}

bool ProvisionDialog::WaitForNextModem(const std::string& port) {
  std::unique_lock guard(promptLock_);
  goOn_ = false;
  const QString name = Q(port);
  QMetaObject::invokeMethod(this, [this, name] { ShowPrompt(name); }, Qt::QueuedConnection);
  promptWake_.wait(guard, [this] { return goOn_ || stop_; });
  return goOn_ && !stop_;
}

void ProvisionDialog::ShowPrompt(const QString& port) {
  promptLabel_->setText(port.isEmpty() ? QString() : tr("Connect the next modem to %1").arg(port));
  continueButton_->setVisible(!port.isEmpty());
}

void ProvisionDialog::SetRowState(std::size_t row, const QString& state, const QString& backup) {
  const int r = static_cast<int>(row);
  if (r >= table_->rowCount()) return;
  table_->item(r, StateColumn())->setText(state);
  table_->item(r, StateColumn())->setToolTip(state);
  table_->item(r, StateColumn())->setForeground(palette().text());
  table_->item(r, StateColumn() + 1)->setText(backup);
}

void ProvisionDialog::OnUnitStarted(std::size_t row) {
  if (row >= 1) SetRowState(row - 1, tr("running"));
}

void ProvisionDialog::OnUnitFinished(const UnitResult& result) {
  // The report lists every unit that ran; one skipped keeps its earlier line.
  if (!result.skipped) report_.push_back(result);
  if (result.row < 1) return;
  SetRowState(result.row - 1, StateText(result), Q(result.backup));
  if (!result.ok) table_->item(static_cast<int>(result.row) - 1, StateColumn())->setForeground(QBrush(Qt::red));
}

void ProvisionDialog::OnRunEnded(std::size_t ended, std::size_t total) {
  running_ = false;
  ShowPrompt(QString());
  for (int r = 0; r < table_->rowCount(); ++r) {
    const QString state = table_->item(r, StateColumn())->text();
    if (state == tr("waiting") || state == tr("running")) SetRowState(static_cast<std::size_t>(r), tr("not started"));
  }
  std::size_t ok = 0, failed = 0, skipped = 0;
  for (int r = 0; r < table_->rowCount(); ++r) {
    const QString state = table_->item(r, StateColumn())->text();
    if (state.startsWith(tr("ok before"))) ++skipped;
    else if (state.startsWith(tr("ok"))) ++ok;
    else if (state.startsWith(tr("failed"))) ++failed;
  }
  QString summary = tr("%1 ok, %2 failed").arg(ok).arg(failed);
  if (skipped) summary += tr(", %1 skipped (ok before)").arg(skipped);
  if (ended < total) summary += tr(", %1 not started (stopped; Resume goes on)").arg(total - ended);
  summaryLabel_->setText(summary);
  UpdateButtons();
}

void ProvisionDialog::UpdateButtons() {
  const bool rows = !units_.empty();
  checkButton_->setEnabled(!running_ && rows);
  runButton_->setEnabled(!running_ && rows);
  stopButton_->setEnabled(running_);
  const bool unfinished = std::any_of(units_.begin(), units_.end(), [this](const Unit& u) {
    return OkBefore(u, report_) == nullptr;
  });
  resumeButton_->setEnabled(!running_ && !report_.empty() && unfinished);
  saveButton_->setEnabled(!running_ && !report_.empty());
  sourceEdit_->setEnabled(!running_);
  firmwareCheck_->setEnabled(!running_);
  firmwareEdit_->setEnabled(!running_);
  unitsEdit_->setEnabled(!running_);
  portList_->setEnabled(!running_ && unitsEdit_->text().isEmpty());
  table_->setEditTriggers(running_ ? QAbstractItemView::NoEditTriggers : QAbstractItemView::AllEditTriggers);
}

bool ProvisionDialog::SaveReport(const QString& path) {
  const std::string file = path.toStdString();
  if (const std::string problem = ReportDestinationProblem(file); !problem.empty()) {
    messages_.Show(Q(file + ": " + problem));
    return false;
  }
  try {
    WriteReport(file, report_);
  } catch (const std::exception& error) {
    messages_.Show(Q(error.what()));
    return false;
  }
  return true;
}

void ProvisionDialog::SaveReportAs() {
  const QString path =
      options_.chooseFile ? options_.chooseFile(this, ProvisionFile::Report)
                          : QFileDialog::getSaveFileName(this, QString(), "REPORT.csv",
                                                         tr("Reports (*.csv *.json);;All files (*)"));
  if (path.isEmpty()) return;
  if (SaveReport(path)) messages_.ShowSuccess(tr("Report saved to %1").arg(path));
}

void ProvisionDialog::reject() {
  if (running_) {
    Stop();
    return;
  }
  QDialog::reject();
}

void ProvisionDialog::closeEvent(QCloseEvent* event) {
  // The units in flight finish before the dialog goes; none further starts.
  if (running_) {
    Stop();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void CMainDlg::ProvisionSeveralModems() {
  ProvisionOptions options;
  options.ports = session_.Ports();
  for (const PortEntry& entry : telvaro::ListSerialPorts(options_.portTable(), 0, session_.Ports()).entries)
    options.portNames.push_back(entry.text);
  if (options_.chooseProvisionFile)
    options.chooseFile = [choose = options_.chooseProvisionFile](QWidget* parent, ProvisionFile kind) {
      return choose(parent, static_cast<int>(kind));
    };
  options.backupDir = options_.provisionBackupDir;
  // The firmware step sends as the window's own upgrade does.
  options.guard.hooks.packetGapMs = fastUpgrade_.load() ? 0 : UpgradeFlow::kPacketGapMs;
  if (options_.upgradeSleep) options.guard.hooks.sleep = options.guard.sleep = options_.upgradeSleep;
  auto* dialog = new ProvisionDialog(*messages_, std::move(options), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

}  // namespace telvaro
