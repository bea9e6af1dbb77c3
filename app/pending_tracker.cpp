#include "app/pending_tracker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>
#include <algorithm>

#include "app/message_owner.h"
#include "app/tab_control.h"
#include "pages/config_page.h"

namespace telvaro {
namespace {

// Long enough to let a typist finish a word, short enough to look immediate.
constexpr int kPendingDelayMs = 150;

}  // namespace

PendingTracker::PendingTracker(QWidget* window, PendingHost& host, MessageOwner& messages, TabControl& tabs)
    : QObject(window), window_(window), host_(host), messages_(messages), tabs_(tabs) {
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setInterval(kPendingDelayMs);
  connect(timer_, &QTimer::timeout, this, &PendingTracker::Recompute);
  // Every input of every page only restarts the timer: typing costs nothing more.
  for (ConfigPage* page : tabs_.Pages()) {
    for (auto* edit : page->findChildren<QLineEdit*>())
      connect(edit, &QLineEdit::textChanged, this, &PendingTracker::Schedule);
    for (auto* box : page->findChildren<QCheckBox*>())
      connect(box, &QCheckBox::toggled, this, &PendingTracker::Schedule);
    for (auto* list : page->findChildren<QComboBox*>())
      connect(list, &QComboBox::currentIndexChanged, this, &PendingTracker::Schedule);
  }
  // Rotating the strip inserts its tabs again, without their markers.
  connect(&tabs_, &TabControl::rotated, this, &PendingTracker::UpdateTabMarkers);
}

void PendingTracker::ListOnClick(QWidget* field) {
  listField_ = field;
  field->installEventFilter(this);
}

bool PendingTracker::eventFilter(QObject* watched, QEvent* event) {
  if (watched == listField_ && event->type() == QEvent::MouseButtonRelease && pending_.Count() > 0) {
    ShowList();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

PendingChanges PendingTracker::PendingWrite() {
  if (!haveBase_) return {};
  ConfigRecord toSend = host_.EditedRecord();
  std::vector<PageRefusal> refusals = host_.StorePagesQuietly(toSend);
  if (refusalBaseline_) {
    shown_ = toSend;
    haveShown_ = true;
  }
  PendingChanges pending = ComparePending(base_, toSend, tabs_.Pages(), haveShown_ ? &shown_ : nullptr);
  pending.refusals = std::move(refusals);
  return pending;
}

void PendingTracker::Schedule() { timer_->start(); }

void PendingTracker::Recompute() {
  timer_->stop();
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
  ShowState();
}

void PendingTracker::ShowState() {
  UpdateTitle();
  UpdateTabMarkers();
  marks_.Show(pending_);
  host_.PendingCountChanged();
}

void PendingTracker::UpdateTitle() {
  QString title = "Telvaro Pro";
  if (!portAddress_.isEmpty()) title += " - " + portAddress_;
  if (!fileName_.isEmpty()) title += " - " + fileName_;
  if (pending_.Count() > 0) title += " *";
  window_->setWindowTitle(title);
}

void PendingTracker::UpdateTabMarkers() {
  const QIcon marker = PendingTabIcon(window_->palette());
  QTabBar* bar = tabs_.Bar();
  for (int position = 0; position < bar->count(); ++position) {
    const bool pending = pending_.OnPage(tabs_.PageIndexAt(position));
    // A tab's icon changes its width: the strip is laid out again only when one changes.
    if (bar->tabIcon(position).isNull() == pending) bar->setTabIcon(position, pending ? marker : QIcon());
  }
}

void PendingTracker::SetBase(const ConfigRecord& record) {
  base_ = record;
  haveBase_ = true;
  haveShown_ = false;
  refusalBaseline_ = true;  // taken at the next recount, once the pages show it
}

void PendingTracker::DropBase() {
  haveBase_ = false;
  haveShown_ = false;
  Recompute();
}

int PendingTracker::CountBeforeDiscard() {
  if (closed_ || asked_) return 0;
  Recompute();  // an edit of the last moment counts too
  return pending_.Count();
}

void PendingTracker::WithoutAsking(const std::function<void()>& close) {
  asked_ = true;
  close();
  asked_ = false;
}

void PendingTracker::CountWriting(const ConfigRecord& toSend) {
  writingCount_ = haveBase_ ? ComparePending(base_, toSend, tabs_.Pages(), haveShown_ ? &shown_ : nullptr).Count() : 0;
}

void PendingTracker::ShowList() {
  Recompute();
  // After a revert the list comes back with what is left, until it is closed.
  do {
    PendingListDialog dialog(window_, pending_, [](int page) { return TabControl::PageName(page); });
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen() == PendingListDialog::Choice::None) return;
    Revert(dialog.Chosen() == PendingListDialog::Choice::All ? -1 : dialog.ChosenRow());
  } while (!pending_.changes.empty());
}

void PendingTracker::Revert(int index) {
  Recompute();
  if (!haveBase_ || index >= static_cast<int>(pending_.changes.size())) return;
  ConfigRecord& edited = host_.EditedRecord();
  if (index < 0) {
    edited = base_;
    host_.ShowRecord(false);
    Recompute();
    return;
  }
  const PendingChange change = pending_.changes[static_cast<std::size_t>(index)];
  // Only the change's own page is stored and shown again, so the edits of
  // every other page stay as they are.
  ConfigRecord record = edited;
  std::string ignored;
  ConfigPage* page = change.page >= 0 ? tabs_.Page(static_cast<PageIndex>(change.page)) : nullptr;
  if (page) page->StoreQuietly(record, &ignored);
  for (std::size_t i = change.offset; i < change.offset + change.width; ++i) record.SetRawByte(i, base_.RawByte(i));
  edited = record;
  if (page) {
    page->ShowRecord(edited);
    host_.PageReverted();
  }
  Recompute();
}

}  // namespace telvaro
