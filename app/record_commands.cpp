// The commands that move the record between the pages, the factory settings
// and the modem: showing a record on every page, the page validators in their
// order, Default and Write.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>
#include <QToolButton>

#include "app/main_dialog.h"
#include "app/pending_view.h"
#include "app/preferences.h"
#include "app/window_thread.h"
#include "operations/serial_settings.h"
#include "protocol/record_checksum.h"
#include "operations/settings_file.h"
#include "pages/basic_page.h"
#include "pages/com_page.h"
#include "pages/config_page.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace telvaro {

namespace {

// The order in which a record reaches the pages.
constexpr PageIndex kShowOrder[] = {kBasic,   kCom,    kGprs, kAdvanced1, kAdvanced2, kWakeup,   kNetworks,
                                    kReboot,  kDi,     kDo,   kPhoneBook, kPhoneGroup};
constexpr const char* kSettingsFileName = "DATAROM.bin";
constexpr const char* kSettingsFileFilters = "*.bin (*.bin);;*.* (*)";

// The exact message, and on a second line what the system said, if anything.
QString WithDetail(const std::string& message, const std::string& detail) {
  QString text = QString::fromStdString(message);
  if (!detail.empty()) text += "\n" + QString::fromStdString(detail);
  return text;
}

// The validators' fixed order, shared by Write and Export.
constexpr PageIndex kValidateOrder[] = {kBasic,      kCom,       kGprs, kNetworks, kReboot, kAdvanced1,
                                        kAdvanced2,  kWakeup,    kPhoneBook, kDi,   kDo,      kPhoneGroup};

}  // namespace

void CMainDlg::ShowRecordOnPages(const ConfigRecord&) {
  // The modem's answer: what changes are counted against from now on, as it
  // came, before the pages correct anything.
  tracker_->SetFileName(QString());
  tracker_->SetBase(state_.record);
  liveStatus_ = QString();  // the answer's own status text is the newest
  if (fileToWrite_) {
    // The file's settings over the modem's own device bytes, counted against
    // what the modem holds.
    state_.record.ImportKeepingDeviceBytes(fileToWrite_->Block());
    fileToWrite_.reset();
    offerFileWrite_ = true;
  }
  ShowRecord(true);
}

void CMainDlg::ShowRecord(bool loadClock) {
  // The record is the window's own: the Basic page corrects it (PIN lock,
  // clock request) while it is shown.
  ConfigRecord& record = state_.record;
  if (clockLoad_) {
    if (loadClock) clock_.Load(record.FieldBytes(field::rtc_time).data());
  } else {
    clockLoad_ = true;
  }
  for (PageIndex index : kShowOrder) tabs_->Page(index)->ShowRecord(record);
  UpdatePortState(session_.IsOpen());
  tracker_->Recompute();  // the pages now show what is counted
  RefreshStatusBar();
}

int CMainDlg::ValidatePages(ConfigRecord& record) {
  for (PageIndex index : kValidateOrder) {
    const int result = tabs_->Page(index)->Validate(record);
    if (result < 0) {
      // Twelve pages are too many to guess from a message: the one that
      // failed comes to the front, with the focus where the correction goes
      // (a refused text stays in its control).
      tabs_->ShowPage(index);
      if (QWidget* control = tabs_->Page(index)->FailedControl()) {
        control->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
      }
      return result;
    }
    // Without "Synchronize with PC" the clock shown keeps running instead of
    // jumping back to the modem's when its answer arrives.
    if (index == kBasic && PageAs<CBasicPage>(kBasic)->syncWithPc != 1) clockLoad_ = false;
  }
  // What Write stores on its own, by the same rule as telvaro-cli.
  NormaliseRecord(record);
  return 0;
}

std::vector<PageRefusal> CMainDlg::StorePagesQuietly(ConfigRecord& record) {
  // Every page is stored, even after one refuses, so the list shows every
  // edit; the refusals say where Write would stop.
  std::vector<PageRefusal> refusals;
  for (PageIndex index : kValidateOrder) {
    std::string refusal;
    if (tabs_->Page(index)->StoreQuietly(record, &refusal) < 0) refusals.push_back({index, QString::fromStdString(refusal)});
  }
  NormaliseRecord(record);
  return refusals;
}

void CMainDlg::OnDefault() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  if (!ConfirmDiscard([this] { OnDefault(); })) return;
  ConfigRecord& record = state_.record;
  // What the device is stays as it is: only its settings go back to the factory's.
  const std::uint8_t rs485Absent = record.Get(field::rs485_absent);
  const std::uint8_t hwOptions = record.Get(field::hw_options);
  const std::uint8_t deviceFlag = record.Get(field::device_flag);
  ApplyFactoryDefaults(record);
  record.Set(field::rs485_absent, rs485Absent);
  record.Set(field::hw_options, hwOptions);
  record.Set(field::device_flag, deviceFlag);
  ShowRecord(true);
}

void CMainDlg::WriteParameters() { StartWrite(); }

void CMainDlg::WriteThen(std::function<void()> then) {
  if (StartWrite()) afterWrite_ = std::move(then);
}

bool CMainDlg::StartWrite() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return false;
  }
  // The pages go into a copy: a validator that fails leaves the window's
  // record exactly as it was, so nothing half-updated is ever sent, exported
  // or shown.
  ConfigRecord edited = state_.record;
  if (ValidatePages(edited) < 0) return false;
  tracker_->CountWriting(edited);
  state_.record = edited;
  // The Write goes on whether or not the file could be saved; why it could
  // not is noted once the Write has ended.
  const ProfileSave saved = SaveSerialSettings(state_.record, PageAs<CComPage>(kCom)->SettingsPath());
  iniFailure_ = saved ? QString()
                      : tr("%1 cannot be written: %2")
                            .arg(QString::fromLatin1(kSerialSettingsFileName), QString::fromStdString(saved.reason));
  SetCommandButtonsEnabled(false);
  state_.record.SetChecksum(RecordChecksum(state_.record.Record()));
  sentRecord_ = state_.record;
  state_.responseReceived.store(false, std::memory_order_release);
  writePending_.store(true);
  afterWrite_ = nullptr;
  StartOperation(state_.record);
  return true;
}

QString CMainDlg::ChooseSettingsFile(bool save) {
  if (options_.chooseSettingsFile) return options_.chooseSettingsFile(this, save);
  // No owner window and no default extension: a name is used as typed. The
  // save dialog asks before an existing file is overwritten.
  QFileDialog::Options options;
#ifdef Q_OS_WIN
  // Windows' own save dialog gives a name typed without extension the first
  // filter's ".bin" whatever the default extension says; Qt's dialog keeps
  // the name exactly as typed.
  if (save) options |= QFileDialog::DontUseNativeDialog;
#endif
  return save ? QFileDialog::getSaveFileName(nullptr, QString(), ExportDefaultPath(), kSettingsFileFilters, nullptr,
                                             options)
              : QFileDialog::getOpenFileName(nullptr, QString(), kSettingsFileName, kSettingsFileFilters);
}

QString CMainDlg::ExportDefaultPath() const { return openedFile_.isEmpty() ? QString(kSettingsFileName) : openedFile_; }

void CMainDlg::ExportSettings() { ExportSettingsTo(QString()); }

void CMainDlg::SaveSettingsFile() { ExportSettingsTo(openedFile_); }

void CMainDlg::ExportSettingsTo(QString path) {
  // The file holds exactly what the pages show; a page that does not
  // validate has said why, and nothing is saved.
  ConfigRecord edited = state_.record;
  if (ValidatePages(edited) < 0) {
    messages_->Show("Input wrong");
    return;
  }
  state_.record = edited;
  if (path.isEmpty()) path = ChooseSettingsFile(true);
  if (path.isEmpty()) return;
  const SettingsFileWrite written = WriteSettingsFile(QFile::encodeName(path).toStdString(), state_.record);
  if (!written.ok()) {
    messages_->Show(WithDetail(written.message, written.detail));
    return;
  }
  openedFile_ = path;  // File > Save writes here from now on
  // A file edited without a modem is now the file saved.
  if (!session_.IsOpen() && !tracker_->FileName().isEmpty()) {
    tracker_->SetFileName(QFileInfo(path).fileName());
    tracker_->SetBase(state_.record);
    tracker_->Recompute();
  }
  ShowSuccess("Export succeed");
}

void CMainDlg::ShowSettingsReadFailure(const SettingsFileRead& read) {
  messages_->Show(read.message == kSettingsOpenFailed ? WithDetail(read.message, read.detail)
                                                      : QString::fromStdString(read.message));
}

void CMainDlg::SaveTrafficLog() {
  const QString path = options_.chooseTrafficLogFile
                           ? options_.chooseTrafficLogFile(this)
                           : QFileDialog::getSaveFileName(nullptr, QString(), "traffic.log", "*.log (*.log);;*.* (*)");
  if (path.isEmpty()) return;
  // Saved as safely as a settings file: a failed save keeps the earlier log.
  const std::string text = traffic_.Text();
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  const SettingsFileWrite saved = SaveFileSafely(QFile::encodeName(path).toStdString(), bytes, 0600);
  if (!saved.ok()) messages_->Show(WithDetail(saved.message, saved.detail));
}

std::optional<CMainDlg::ChosenSettingsFile> CMainDlg::AskAndReadSettingsFile(void (CMainDlg::*again)()) {
  if (!ConfirmDiscard([this, again] { (this->*again)(); })) return std::nullopt;
  const QString path = ChooseSettingsFile(false);
  if (path.isEmpty()) return std::nullopt;
  const SettingsFileRead read = ReadSettingsFile(QFile::encodeName(path).toStdString());
  if (!read.record) {
    ShowSettingsReadFailure(read);
    return std::nullopt;
  }
  return ChosenSettingsFile{path, *read.record};
}

void CMainDlg::ImportSettings() {
  const auto chosen = AskAndReadSettingsFile(&CMainDlg::ImportSettings);
  if (!chosen) return;
  // What the connected device says of itself stays; the rest is the file's.
  ImportKeepingDevice(chosen->record);
  // With a modem, the modem stays what changes are counted against, and the
  // import shows as changes not written. Without one the pages show the file
  // and stay disabled, as whenever the port is closed: a file is edited at
  // the desk through File > Open settings file.
  if (!session_.IsOpen()) {
    tracker_->SetFileName(QString());
    tracker_->DropBase();
  }
  ShowRecord(true);
  ShowSuccess("Import succeed");
}

void CMainDlg::OpenSettingsFile() {
  const auto chosen = AskAndReadSettingsFile(&CMainDlg::OpenSettingsFile);
  if (!chosen) return;
  openedFile_ = chosen->path;
  if (session_.IsOpen()) {
    // The modem stays what the changes are counted against, as after Import.
    ImportKeepingDevice(chosen->record);
    ShowRecord(true);
    FocusPage();
    return;
  }
  // No modem: the file is the whole record, and what the edits are counted against.
  state_.record = chosen->record;
  tracker_->SetFileName(QFileInfo(chosen->path).fileName());
  tracker_->SetBase(state_.record);
  ShowRecord(true);
  FocusPage();
}

void CMainDlg::OfferFileWrite() {
  tracker_->Recompute();
  const PendingChanges& pending = tracker_->Pending();
  const int com = session_.RememberedPort();
  if (pending.changes.empty()) {
    ShowSuccess(QString("COM%1 already holds the file's settings").arg(com));
    return;
  }
  // What Write will change in the modem, as the pending list shows it.
  QString text = QString("Write these changes to the modem on COM%1?").arg(com);
  constexpr std::size_t kShown = 20;
  for (std::size_t i = 0; i < pending.changes.size() && i < kShown; ++i) {
    const PendingChange& change = pending.changes[i];
    const QString page = change.page >= 0 ? PageName(change.page) + ": " : QString();
    text += QString("\n%1%2: %3 -> %4").arg(page, change.setting, ShownValue(change, change.modemValue),
                                           ShownValue(change, change.newValue));
    if (!change.reason.isEmpty()) text += " (" + change.reason + ")";
  }
  if (pending.changes.size() > kShown) text += QString("\n... %1 more").arg(pending.changes.size() - kShown);
  if (messages_->Show(text, QString(), MessageButtons::YesNo) == MessageAnswer::Yes) WriteParameters();
}

void CMainDlg::RestoreBackup() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  const auto chosen = AskAndReadSettingsFile(&CMainDlg::RestoreBackup);
  if (!chosen) return;
  const QString name = QFileInfo(chosen->path).fileName();
  const QString backupImei = QString::fromLatin1(chosen->record.Get(field::imei));
  const QString modemImei = QString::fromLatin1(state_.record.Get(field::imei));
  if (backupImei != modemImei &&
      messages_->Show(tr("%1 is a backup of the modem with IMEI %2, not of this one (IMEI %3).\nRestore it anyway?")
                          .arg(name, backupImei.isEmpty() ? tr("(none)") : backupImei, modemImei),
                      tr("Restore backup"), MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  const ConfigRecord before = state_.record;
  ImportKeepingDevice(chosen->record);
  ShowRecord(true);
  // The changes first: what the backup changes in the modem, by name.
  QStringList changes;
  for (const PendingChange& change : tracker_->Pending().changes)
    if (!change.normalisation) changes << (change.secret ? change.setting : change.setting + ": " + change.modemValue +
                                                                                " -> " + change.newValue);
  if (changes.isEmpty()) changes << tr("(no changes: the modem holds every setting)");
  if (messages_->Show(tr("Restore %1 to the modem?\n\n%2").arg(name, changes.join("\n")), tr("Restore backup"),
                      MessageButtons::YesNo) != MessageAnswer::Yes) {
    state_.record = before;
    ShowRecord(false);
    return;
  }
  WriteParameters();
}

void CMainDlg::ImportKeepingDevice(const ConfigRecord& file) {
  // Without a modem there is no device to keep: the file's bytes stay, but
  // for what the window keeps of the last modem as an import always has.
  if (!session_.IsOpen()) {
    state_.record.ImportKeepingDeviceBytes(file.Block());
    return;
  }
  // The modem's identity, hardware, status, counters and clock are its own:
  // never a change, and never another unit's sent to it.
  ConfigRecord imported = file;
  KeepDeviceBytes(imported, state_.record);
  state_.record = imported;
}

void CMainDlg::ShowSuccess(const QString& text) {
  if (preferences_->ConfirmSuccess()) {
    messages_->ShowSuccess(text);
    return;
  }
  RunOnWindowThread(this, [this, text] { status_->ShowTimedNote(text.simplified()); });
}

bool CMainDlg::ConfirmSuccess() const { return preferences_->ConfirmSuccess(); }

void CMainDlg::SetConfirmSuccess(bool on) { preferences_->SetConfirmSuccess(on); }

}  // namespace telvaro
