// The window's commands that talk to the modem: Read and the end of its
// wait (shared by Write), an accepted answer, Reboot, the firmware upgrade and
// the device going away. The modem itself is reached through ModemOperations.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <utility>

#include "app/main_dialog.h"
#include "app/note_dialog.h"
#include "app/window_thread.h"
#include "fleet/upgrade_guard.h"
#include "operations/settings_file.h"
#include "operations/upgrade_flow.h"
#include "pages/config_page.h"
#include "pages/networks_page.h"
#include "record/setting_rules.h"

namespace telvaro {
namespace {

struct ReadPreparation {
  PageIndex page;
  bool clear;  // ClearForRead, or only show the current values again
};
constexpr ReadPreparation kReadPreparation[] = {
    {kBasic, true},   {kCom, false}, {kGprs, true}, {kAdvanced1, true}, {kAdvanced2, true},   {kWakeup, true},
    {kPhoneBook, true}, {kReboot, true}, {kDi, false}, {kDo, false},    {kPhoneGroup, true}, {kNetworks, true}};

}  // namespace

void CMainDlg::OnDeviceDisconnected(unsigned openCount) {
  if (shutDown_ || !session_.IsOpen() || session_.OpenCount() != openCount) return;
  // As the switch button closes it, then the reason where the operator looks.
  operations_->Client().Close();
  RefreshStatusBar();
  PageAs<CNetworksPage>(kNetworks)->ShowSignalLevel(0);
  const QString address = NetworkAddressOf(session_.RememberedPort());
  if (address.isEmpty()) {
    status_->ShowNote(tr("COM%1: device disconnected").arg(session_.RememberedPort()));
  } else {
    // A server's connection says why it went: closed, reset, timed out.
    status_->ShowNote(address + ": " + QString::fromStdString(session_.DisconnectedText()));
  }
}

void CMainDlg::ReadParameters() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  if (!ConfirmDiscard([this] { ReadParameters(); })) return;
  tracker_->DropBase();  // until the modem answers, nothing is counted
  state_.responseReceived.store(false, std::memory_order_release);
  userRead_.store(true);
  for (const ReadPreparation& step : kReadPreparation) {
    if (step.clear) {
      tabs_->Page(step.page)->ClearForRead();
    } else {
      tabs_->Page(step.page)->ShowValues();
    }
  }
  StartOperation(std::nullopt);
}

void CMainDlg::StartOperation(std::optional<ConfigRecord> toWrite) {
  // The buttons go busy before the worker starts, so no second command can
  // slip in before the worker's own first step has reached the window.
  SetCommandButtonsEnabled(false);
  const int com = session_.RememberedPort();
  status_->ShowBusy((writePending_.load() ? tr("Writing COM%1...") : tr("Reading COM%1...")).arg(com));
  // A wait left over from before a quick close and reopen must not give the
  // buttons back, or end the busy state, of the wait that followed it.
  const unsigned wait = waitGeneration_.fetch_add(1) + 1;
  operations_->Start(std::move(toWrite), wait);
}

void CMainDlg::OnOperationFinished(int outcome, const QString& text, unsigned generation) {
  if (shutDown_) return;
  // Judged here, on the window thread: a wait started since owns the buttons
  // and the busy state.
  if (waitGeneration_.load() == generation) {
    SetCommandButtonsEnabled(true);
    status_->EndBusy();
  }
  const bool write = writePending_.exchange(false);
  // What the operator asked to go on with once this Write has succeeded.
  std::function<void()> then = write ? std::exchange(afterWrite_, nullptr) : nullptr;
  const int com = session_.RememberedPort();
  if (outcome != ModemOperations::Succeeded && fileToWrite_) {
    // No record of the modem's came: the file's settings stay on the pages.
    state_.record = *fileToWrite_;
    fileToWrite_.reset();
    ShowRecord(false);
  }
  switch (outcome) {
    case ModemOperations::Succeeded:
      if (!write && offerFileWrite_) {
        offerFileWrite_ = false;
        OfferFileWrite();
        break;
      }
      ShowSuccess(write ? kWriteSucceeded : kOperationSucceeded);
      if (write) {
        const int count = tracker_->WritingCount();
        status_->ShowWritten((count == 1 ? tr("Wrote %1 change") : tr("Wrote %1 changes")).arg(count));
      }
      // Queued: the command goes on once this Write's worker has ended.
      if (then) QMetaObject::invokeMethod(this, std::move(then), Qt::QueuedConnection);
      break;
    case ModemOperations::TimedOut:
      // A silent modem gets no box after the automatic read, so the status
      // bar says it; the next answer's RefreshStatusBar clears it.
      DisableAllPages();
      status_->ShowNote(tr("No answer from the modem on COM%1").arg(com));
      if (userRead_.load()) messages_->Show(kOperationTimedOut);
      break;
    case ModemOperations::NotSent:
      // The operator's own command says why it did not go out; then, as
      // after a time-out, the pages are disabled. The automatic Read after
      // opening stays silent and says it in the status bar only.
      if (write || userRead_.load()) messages_->Show(QString("COM%1: %2").arg(com).arg(text));
      DisableAllPages();
      status_->ShowNote(QString("COM%1: %2").arg(com).arg(text));
      break;
    case ModemOperations::NotKept:
      ShowSettingsNotKept(text);
      break;
    default:  // closed, gone or reopened meanwhile: it ends without a word
      break;
  }
  // A Write goes on when the serial settings file cannot be saved; the
  // reason is said once it has ended.
  if (write && !iniFailure_.isEmpty()) status_->ShowNote(std::exchange(iniFailure_, QString()));
}

void CMainDlg::ShowSettingsNotKept(const QString& keys) {
  // The modem's record is what was read back (the base now); the pages go
  // back to what was sent, so what it did not keep stays marked as not
  // written, and the failure names it.
  ConfigRecord sent = sentRecord_;
  KeepDeviceBytes(sent, state_.record);
  state_.record = sent;
  ShowRecord(false);
  QStringList names;
  for (const PendingChange& change : tracker_->Pending().changes)
    if (!change.normalisation && !change.setting.isEmpty()) names << change.setting;
  if (names.isEmpty()) names = keys.split(", ");
  messages_->Show(tr("Write failed: the modem did not keep %1").arg(names.join(", ")));
}

void CMainDlg::OnRecordAccepted(const ConfigRecord& record) {
  if (shutDown_) return;
  {
    std::lock_guard guard(state_.recordLock);
    state_.record = record;
  }
  const bool ioPresent = (state_.record.Get(field::hw_options) & kHwOptionDigitalIo) != 0;
  SetIoPresent(ioPresent);
  SetGridEnabled(ioPresent);
  ShowRecordOnPages(state_.record);
  state_.responseReceived.store(true, std::memory_order_release);
  state_.AnswerArrived();
}

void CMainDlg::RebootDevice() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  // Changes not written would be lost to the restart: the operator may
  // write them first.
  if (const int count = tracker_->CountBeforeDiscard(); count > 0) {
    const QString text = QString(count == 1 ? "%1 change not written: write it before the reboot?"
                                            : "%1 changes not written: write them before the reboot?")
                             .arg(count);
    const QString without = count == 1 ? tr("Reboot &without it") : tr("Reboot &without them");
    switch (messages_->AskActFirst(text, "Reboot", tr("&Write and reboot"), without, tr("Cancel"))) {
      case MessageAnswer::Act:
        WriteThen([this] { SendReboot(); });
        return;
      case MessageAnswer::GoOn:
        SendReboot();
        return;
      default:
        return;
    }
  }
  if (messages_->Show("The device will reboot, continue?", "Reboot", MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  SendReboot();
}

void CMainDlg::SendReboot() {
  if (!session_.IsOpen()) return;  // closed while a Write went first
  // No answer comes; a reboot that did not go out is no reason to count down.
  if (const Result<void> sent = operations_->Client().Reboot(); !sent) {
    messages_->Show(
        QString("COM%1: %2").arg(session_.RememberedPort()).arg(QString::fromStdString(sent.failure().message)));
    return;
  }
  // Every Reboot gets a note of its own; the window stays fully usable.
  auto* note = new CNoteDlg(this, options_.noteTickMs, options_.noteLifeMs);
  note->show();
  note->move(geometry().center() - note->rect().center());
  note->repaint();
}

void CMainDlg::UpgradeFirmware() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  // One upgrade at a time: two would interleave their packets.
  upgradeAction_->setEnabled(false);
  workers_.Start([this] {
    UpgradeWorker();
    RunOnWindowThread(this, [this] { upgradeAction_->setEnabled(true); });
  });
}

void CMainDlg::UpgradeWorker() {
  QString path;
  RunOnWindowThread(this, [&] {
    if (options_.chooseFirmwareFile) {
      path = options_.chooseFirmwareFile(this);
      return;
    }
    // Titled for what it does; "APROM" typed alone opens "APROM.bin".
    QFileDialog dialog(nullptr, tr("Upgrade firmware"), QString(), "bin (*.bin);;all (*.*)");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("bin");
    dialog.selectFile("APROM.bin");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) path = dialog.selectedFiles().first();
  });
  if (path.isEmpty()) return;  // cancelled: nothing happens
  // Only a regular file, read no further than the limit: a FIFO or a device
  // would hang or flood the worker, and a cut image would be flashed.
  const FirmwareImage image = UpgradeFlow::LoadImage(QFile::encodeName(path).toStdString());
  // An empty image sends nothing, not even the switch to the loader, and
  // ends as an upgrade without an answer does.
  if (image.empty) {
    messages_->Show(QString::fromStdString(std::string(UpgradeStatusText(ModemState::kNoAnswer))));
    return;
  }
  if (!image.message.empty()) {
    // The exact message, and on a second line what the system said.
    messages_->Show(QString::fromStdString(image.detail.empty() ? image.message : image.message + "\n" + image.detail));
    return;
  }
  if (!ConfirmUpgrade(path, image.bytes)) return;
  SetCommandButtonsEnabled(false);
  RunOnWindowThread(this, [this] { status_->ShowBusy(tr("Upgrading COM%1...").arg(session_.RememberedPort())); });
  upgradeRunning_.store(true);
  UpgradeHooks hooks;
  hooks.progress = [this](std::uint16_t total, std::uint16_t index) { UpdateProgress(total, index); };
  // The window closing, or the device going, ends the transfer where it is.
  hooks.stop = [this] { return closing_.load() || session_.Disconnected(); };
  hooks.packetGapMs = fastUpgrade_.load() ? 0 : UpgradeFlow::kPacketGapMs;
  hooks.sleep = [this](int ms) {
    if (options_.upgradeSleep) {
      options_.upgradeSleep(ms);
      return;
    }
    for (int slept = 0; slept < ms && !closing_.load(); slept += 10) QThread::msleep(std::min(10, ms - slept));
  };
  ModemClient& client = operations_->Client();
  if (!options_.upgradeSleep) {
    hooks.waitAnswer = [&client](int ms) {
      ModemState& state = client.State();
      state.WaitForAnswer(ms, [&state] { return state.upgradeResult.load() != ModemState::kNoAnswer; });
    };
  }
  // The settings are kept: read and backed up first, compared once the new
  // firmware answers, and written back if the operator says so. The guard's
  // Reads show the status only; the pages keep what they show.
  UpgradeGuardOptions guard;
  guard.hooks = hooks;
  guard.sleep = hooks.sleep;
  guard.backupDir = (options_.backupDir.isEmpty()
                         ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/backups"
                         : options_.backupDir)
                        .toStdString();
  guard.portName = "COM" + std::to_string(session_.RememberedPort());
  guard.confirmRestore = [this](const std::vector<SettingChange>& changed) {
    QString names;
    for (const SettingChange& c : changed) names += "\n  " + QString::fromStdString(c.key);
    const QString question = tr("The new firmware did not keep %n setting(s):%1\n"
                                "Write the settings the modem had before the upgrade back to it?",
                                nullptr, static_cast<int>(changed.size()))
                                 .arg(names);
    return !closing_.load() &&
           messages_->Show(question, "Upgrade firmware", MessageButtons::YesNo) == MessageAnswer::Yes;
  };
  operations_->AnswersToStatus();
  const GuardedUpgrade upgraded = UpgradeKeepingSettings(client, image.bytes, guard);
  // The final code's text is what the window shows, whatever the result.
  const int result = upgraded.firmware == FirmwareStep::NotStarted ? ModemState::kNoAnswer : upgraded.code;
  upgradeRunning_.store(false);
  if (closing_.load()) return;  // the window is gone: nothing more to show
  RunOnWindowThread(this, [this] { status_->EndBusy(); });
  // The worker waits until the box is answered.
  QString status = QString::fromStdString(std::string(UpgradeStatusText(result)));
  const QString backup = QString::fromStdString(upgraded.backup);
  switch (upgraded.firmware) {
    case FirmwareStep::NotStarted:
      messages_->Show(QString::fromStdString(upgraded.failure));
      break;
    case FirmwareStep::Failed:
      messages_->Show(status);
      break;
    case FirmwareStep::NotBack:
      messages_->Show(status + "\n" +
                      tr("The modem did not answer again within %1 s; its settings are in %2")
                          .arg(guard.restartWaitMs / 1000)
                          .arg(backup));
      break;
    case FirmwareStep::Upgraded:
      if (upgraded.settings == SettingsFate::Restored) status += "\n" + tr("Settings restored from %1").arg(backup);
      if (upgraded.ok() && upgraded.settings != SettingsFate::Lost) {
        messages_->ShowSuccess(status);
      } else if (upgraded.ok()) {
        messages_->Show(status + "\n" + tr("The modem keeps the new firmware's settings (Read shows them); "
                                           "the earlier ones are in %1").arg(backup));
      } else {
        messages_->Show(status + "\n" + QString::fromStdString(upgraded.failure) + "\n" +
                        tr("The earlier settings are in %1").arg(backup));
      }
      break;
  }
  RunOnWindowThread(this, [this] { status_->HideProgress(); });
  SetCommandButtonsEnabled(true);
}

bool CMainDlg::ConfirmUpgrade(const QString& path, const std::vector<std::uint8_t>& image) {
  const QString name = QFileInfo(path).fileName();
  // An exported settings file has the size and checksum of nothing else:
  // flashed as code it would leave the modem without a working firmware.
  if (IsSettingsFile(image)) {
    messages_->Show(QString::fromStdString(NotAFirmwareImageText(name.toStdString())));
    return false;
  }
  if (image.empty()) return true;  // nothing will be sent, so nothing to ask
  // The modem leaves its firmware at once and cannot be stopped half-way:
  // the operator confirms where it goes and what is sent.
  const QString question =
      QString("Upgrade the firmware of the modem on COM%1 with %2 (%3 bytes)?\n"
              "The modem restarts in its loader and must stay connected until the upgrade has finished.")
          .arg(session_.RememberedPort())
          .arg(name)
          .arg(image.size());
  return messages_->Show(question, "Upgrade firmware", MessageButtons::YesNo) == MessageAnswer::Yes;
}

}  // namespace telvaro
