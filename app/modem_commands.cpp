// The window's commands that talk to the modem: Read and the wait for its
// answer (shared by Write), Reboot, the firmware upgrade, response dispatch
// and the device going away.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include "app/main_dialog.h"
#include "app/note_dialog.h"
#include "app/window_thread.h"
#include "operations/settings_file.h"
#include "operations/upgrade_flow.h"
#include "pages/config_page.h"
#include "pages/networks_page.h"

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

void CMainDlg::DeviceDisconnected() {
  // On the reader thread: nothing here may wait for the window thread, which
  // may be closing the session and waiting for this very reader.
  const unsigned opens = session_.OpenCount();
  QMetaObject::invokeMethod(this, [this, opens] { OnDeviceDisconnected(opens); }, Qt::QueuedConnection);
}

void CMainDlg::OnDeviceDisconnected(unsigned openCount) {
  if (shutDown_ || !session_.IsOpen() || session_.OpenCount() != openCount) return;
  // As the switch button closes it, then the reason where the operator looks.
  session_.Close();
  RefreshStatusBar();
  PageAs<CNetworksPage>(kNetworks)->ShowSignalLevel(0);
  status_->ShowNote(tr("COM%1: device disconnected").arg(session_.RememberedPort()));
}

void CMainDlg::ReadParameters() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  if (!tracker_->ConfirmDiscard()) return;
  tracker_->DropBase();  // until the modem answers, nothing is counted
  state_.responseReceived.store(false, std::memory_order_release);
  operation_.userRead.store(true);
  for (const ReadPreparation& step : kReadPreparation) {
    if (step.clear) {
      tabs_->Page(step.page)->ClearForRead();
    } else {
      tabs_->Page(step.page)->ShowValues();
    }
  }
  StartOperationWait(FrameCodec::GetSysParaFrame());
}

void CMainDlg::StartOperationWait(Bytes frame) {
  // The buttons go busy before the worker starts, so no second command can
  // slip in before the worker's own first step has reached the window.
  SetCommandButtonsEnabled(false);
  const int com = session_.RememberedPort();
  status_->ShowBusy((operation_.writePending.load() ? tr("Writing COM%1...") : tr("Reading COM%1...")).arg(com));
  // A wait belongs to the port as it was opened: closed, gone or reopened
  // since, it ends and gives the buttons back.
  const unsigned opens = session_.OpenCount();
  // A wait left over from before a quick close and reopen must not give the
  // buttons back, or end the busy state, of the wait that followed it.
  const unsigned wait = waitGeneration_.fetch_add(1) + 1;
  workers_.Start([this, opens, com, wait, frame = std::move(frame)] {
    OperationWaitHooks hooks;
    hooks.readerRunning = [this, opens] { return session_.ReaderRunning() && session_.OpenCount() == opens; };
    hooks.setCommandButtonsEnabled = [this, wait](bool enabled) {
      if (!enabled) {
        SetCommandButtonsEnabled(false);
        return;
      }
      // Judged on the window thread: a wait started while this call was on
      // its way there owns the buttons and the busy state.
      RunOnWindowThread(this, [this, wait] {
        if (waitGeneration_.load() != wait) return;
        SetCommandButtonsEnabled(true);
        status_->EndBusy();
      });
    };
    // A silent modem gets no box after the automatic read, so the status bar
    // says it; the next answer's RefreshStatusBar clears it.
    hooks.disableAllPages = [this, com] {
      RunOnWindowThread(this, [this, com] {
        DisableAllPages();
        status_->ShowNote(tr("No answer from the modem on COM%1").arg(com));
      });
    };
    hooks.showMessage = [this](const std::string& text) {
      const QString message = QString::fromStdString(text);
      if (text != kOperationSucceeded && text != kWriteSucceeded) {
        messages_->Show(message);
        return;
      }
      ShowSuccess(message);
      if (text == kWriteSucceeded) {
        RunOnWindowThread(this, [this] {
          const int count = tracker_->WritingCount();
          status_->ShowTimedNote((count == 1 ? tr("Wrote %1 change") : tr("Wrote %1 changes")).arg(count));
        });
      }
    };
    // A lost frame shows up as a time-out; one that never went out says why.
    const int sent = session_.Write(frame);
    // Only an answer received after this frame went out is its answer.
    const std::uint64_t epoch = session_.FrameEpoch();
    hooks.answered = [this, epoch] { return state_.answerEpoch.load(std::memory_order_acquire) == epoch; };
    // Woken by the accepted answer; still at most one 100 ms wait per count.
    hooks.sleep = [this, epoch](int ms) {
      state_.WaitForAnswer(ms, [this, epoch] {
        return state_.responseReceived.load(std::memory_order_acquire) &&
               state_.answerEpoch.load(std::memory_order_acquire) == epoch;
      });
    };
    if (sent != 0) {
      operation_.writePending.store(false);
      hooks.setCommandButtonsEnabled(true);
      // Closed, gone or reopened meanwhile: the wait ends without a word, as
      // it would have after the frame.
      if (!hooks.readerRunning()) return;
      hooks.showMessage(QString("COM%1: %2").arg(com).arg(QString::fromStdString(session_.WriteFailureText(sent)))
                            .toStdString());
      return;
    }
    OperationWait(state_.responseReceived, operation_, session_.ResponseWaitLimit(), hooks);
  });
}

void CMainDlg::RebootDevice() {
  if (!session_.IsOpen()) {
    messages_->Show(kPortNotOpen);
    return;
  }
  if (messages_->Show("The device will reboot, continue?", "Reboot", MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  // No answer comes; a reboot that did not go out is no reason to count down.
  if (const int sent = FrameCodec::WriteInThreeParts(session_, command::kReboot); sent != 0) {
    messages_->Show(
        QString("COM%1: %2").arg(session_.RememberedPort()).arg(QString::fromStdString(session_.WriteFailureText(sent))));
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
  if (!image.message.empty()) {
    messages_->Show(QString::fromStdString(image.message));
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
  if (!options_.upgradeSleep) {
    hooks.waitAnswer = [this](int ms) {
      state_.WaitForAnswer(ms, [this] { return state_.upgradeResult.load() != ModemState::kNoAnswer; });
    };
  }
  hooks.freshAnswer = [this] { return state_.answerEpoch.load() == session_.FrameEpoch(); };
  const int result = UpgradeFlow::Run(image.bytes, session_, state_.upgradeResult, hooks);
  upgradeRunning_.store(false);
  if (closing_.load()) return;  // the window is gone: nothing more to show
  RunOnWindowThread(this, [this] { status_->EndBusy(); });
  ShowUpgradeStatus(*messages_, result);  // the worker waits until it is answered
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

void CMainDlg::ServiceDispatch() {
  dispatchPosted_.store(false);  // bytes from now on post another call
  dispatching_ = true;
  const int next = dispatchTimer_.Service();
  dispatching_ = false;
  if (next >= 0) {
    quietTimer_->start(next);
  } else {
    quietTimer_->stop();
  }
  // Messages dispatch raised ("bad chksum") are shown only now, each from a
  // call of its own: while a box is open, dispatch and the clock go on.
  for (std::string& text : dispatchMessages_)
    QMetaObject::invokeMethod(this, [this, text = std::move(text)] { messages_->ShowMessage(text); },
                              Qt::QueuedConnection);
  dispatchMessages_.clear();
}

void CMainDlg::ShowMessage(const std::string& text) {
  if (dispatching_) {
    dispatchMessages_.push_back(text);
  } else {
    messages_->ShowMessage(text);
  }
}

}  // namespace telvaro
