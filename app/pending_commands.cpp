// The window's side of changes not yet written: what is pending against the
// modem's record (or the file's, when editing without a modem), how it is
// shown, the question before anything throws it away, the list with its
// reverts, and where successes are confirmed.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>

#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/tab_control.h"
#include "app/window_thread.h"
#include "operations/serial_settings.h"
#include "operations/settings_file.h"
#include "pages/com_page.h"
#include "pages/config_page.h"

namespace telvaro {

namespace {

// Long enough to let a typist finish a word, short enough to look immediate.
constexpr int kPendingDelayMs = 150;

}  // namespace

void CMainDlg::WatchEdits() {
  pendingTimer_ = new QTimer(this);
  pendingTimer_->setSingleShot(true);
  pendingTimer_->setInterval(kPendingDelayMs);
  connect(pendingTimer_, &QTimer::timeout, this, &CMainDlg::RecomputePending);
  // Every input of every page only restarts the timer: typing costs nothing more.
  for (ConfigPage* page : tabs_->Pages()) {
    for (auto* edit : page->findChildren<QLineEdit*>())
      connect(edit, &QLineEdit::textChanged, this, &CMainDlg::SchedulePending);
    for (auto* box : page->findChildren<QCheckBox*>())
      connect(box, &QCheckBox::toggled, this, &CMainDlg::SchedulePending);
    for (auto* list : page->findChildren<QComboBox*>())
      connect(list, &QComboBox::currentIndexChanged, this, &CMainDlg::SchedulePending);
  }
  status_->TextField()->installEventFilter(this);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == status_->TextField() && event->type() == QEvent::MouseButtonRelease && pending_.Count() > 0) {
    ShowPendingList();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

PendingChanges CMainDlg::PendingWrite() {
  if (!haveBase_) return {};
  ConfigRecord toSend = state_.record;
  std::vector<PageRefusal> refusals = StorePagesQuietly(toSend);
  PendingChanges pending = ComparePending(base_, toSend, tabs_->Pages());
  pending.refusals = std::move(refusals);
  return pending;
}

void CMainDlg::SchedulePending() {
  if (pendingTimer_ != nullptr) pendingTimer_->start();
}

void CMainDlg::RecomputePending() {
  if (pendingTimer_ != nullptr) pendingTimer_->stop();
  pending_ = PendingWrite();
  // The refusals of the record as it was shown are the record's own; any
  // other is a value typed since.
  if (refusalBaseline_) {
    baseRefusals_ = pending_.refusals;
    refusalBaseline_ = false;
  }
  for (PageRefusal& refusal : pending_.refusals) {
    refusal.fresh = std::none_of(baseRefusals_.begin(), baseRefusals_.end(), [&](const PageRefusal& known) {
      return known.page == refusal.page && known.message == refusal.message;
    });
  }
  ShowPendingState();
}

void CMainDlg::ShowPendingState() {
  UpdateTitle();
  UpdateTabMarkers();
  marks_.Show(pending_);
  if (status_->ShowsOwnText()) RefreshStatusBar();
}

void CMainDlg::UpdateTitle() {
  QString title = "Telvaro Pro";
  if (!fileName_.isEmpty()) title += " - " + fileName_;
  if (pending_.Count() > 0) title += " *";
  setWindowTitle(title);
}

void CMainDlg::UpdateTabMarkers() {
  const QIcon marker = PendingTabIcon(palette());
  QTabBar* bar = tabs_->Bar();
  for (int position = 0; position < bar->count(); ++position) {
    const bool pending = pending_.OnPage(tabs_->PageIndexAt(position));
    // A tab's icon changes its width: the strip is laid out again only when one changes.
    if (bar->tabIcon(position).isNull() == pending) bar->setTabIcon(position, pending ? marker : QIcon());
  }
}

void CMainDlg::SetBase(const ConfigRecord& record) {
  base_ = record;
  haveBase_ = true;
  refusalBaseline_ = true;  // taken at the next recount, once the pages show it
}

void CMainDlg::DropBase() {
  haveBase_ = false;
  RecomputePending();
}

bool CMainDlg::ConfirmDiscard() {
  if (shutDown_) return true;
  RecomputePending();  // an edit of the last moment counts too
  const int count = pending_.Count();
  if (count == 0) return true;
  const QString text = QString(count == 1 ? "Discard %1 change not written to the modem?"
                                          : "Discard %1 changes not written to the modem?")
                           .arg(count);
  return messages_->Show(text, QString(), MessageButtons::YesNo) == MessageAnswer::Yes;
}

void CMainDlg::ShowPendingList() {
  RecomputePending();
  // After a revert the list comes back with what is left, until it is closed.
  do {
    PendingListDialog dialog(this, pending_, [](int page) { return TabControl::PageName(page); });
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen() == PendingListDialog::Choice::None) return;
    RevertPending(dialog.Chosen() == PendingListDialog::Choice::All ? -1 : dialog.ChosenRow());
  } while (!pending_.changes.empty());
}

void CMainDlg::RevertPending(int index) {
  RecomputePending();
  if (!haveBase_ || index >= static_cast<int>(pending_.changes.size())) return;
  if (index < 0) {
    state_.record = base_;
    ShowRecord(false);
    RecomputePending();
    return;
  }
  const PendingChange change = pending_.changes[static_cast<std::size_t>(index)];
  // Only the change's own page is stored and shown again, so the edits of
  // every other page stay as they are.
  ConfigRecord record = state_.record;
  std::string ignored;
  if (change.page >= 0) tabs_->Page(static_cast<PageIndex>(change.page))->StoreQuietly(record, &ignored);
  for (std::size_t i = change.offset; i < change.offset + change.width; ++i) record.SetRawByte(i, base_.RawByte(i));
  state_.record = record;
  if (change.page >= 0) {
    tabs_->Page(static_cast<PageIndex>(change.page))->ShowRecord(state_.record);
    if (PagesEditable()) EnablePagesByState();
  }
  RecomputePending();
}

void CMainDlg::OpenSettingsFile() {
  const auto chosen = AskAndReadSettingsFile();
  if (!chosen) return;
  if (session_.IsOpen()) {
    // The modem stays what the changes are counted against, as after Import.
    state_.record.ImportKeepingDeviceBytes(chosen->record.Block());
    ShowRecord(true);
    return;
  }
  // No modem: the file is the whole record, and what the edits are counted against.
  state_.record = chosen->record;
  fileName_ = QFileInfo(chosen->path).fileName();
  SetBase(state_.record);
  ShowRecord(true);
}

void CMainDlg::ShowSuccess(const QString& text) {
  if (preferences_->ConfirmSuccess()) {
    messages_->Show(text);
    return;
  }
  RunOnWindowThread(this, [this, text] { status_->ShowTimedNote(text.simplified()); });
}

bool CMainDlg::ConfirmSuccess() const { return preferences_->ConfirmSuccess(); }

void CMainDlg::SetConfirmSuccess(bool on) { preferences_->SetConfirmSuccess(on); }

}  // namespace telvaro
