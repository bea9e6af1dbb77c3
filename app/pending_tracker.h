// The window's changes not yet written: the base they are counted against
// (the modem's record, or the settings file edited without a modem), the
// recount shortly after each edit, and how they show: the title, the tab
// markers, the side marks, the list with its reverts, and the question
// before anything throws them away.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "app/pending_changes.h"
#include "app/pending_view.h"

class QTimer;
class QWidget;

namespace telvaro {

class MessageOwner;
class TabControl;

// What the tracker asks of the window.
class PendingHost {
 public:
  // The record the pages are edited on.
  virtual ConfigRecord& EditedRecord() = 0;
  // The page validators on `record` without a word; the refusals they meet.
  virtual std::vector<PageRefusal> StorePagesQuietly(ConfigRecord& record) = 0;
  // The window's record on every page; the displayed clock too when asked.
  virtual void ShowRecord(bool loadClock) = 0;
  // One page shows a reverted value: the pages' enabling follows it.
  virtual void PageReverted() = 0;
  // The count changed: the status bar shows it unless a note stands there.
  virtual void PendingCountChanged() = 0;

 protected:
  ~PendingHost() = default;
};

class PendingTracker : public QObject {
  Q_OBJECT

 public:
  // Every input of the pages in `tabs` restarts the recount timer.
  PendingTracker(QWidget* window, PendingHost& host, MessageOwner& messages, TabControl& tabs);

  // A click on `field` lists the changes while there are any.
  void ListOnClick(QWidget* field);

  // What a Write would change in the modem, found now by storing the pages
  // quietly on a copy (nothing shown, nothing sent).
  PendingChanges PendingWrite();
  // What the window shows: recomputed shortly after each edit.
  const PendingChanges& Pending() const { return pending_; }
  void Recompute();
  void Schedule();
  // Settings > "Pending changes...": the list, with its revert buttons.
  void ShowList();
  // Back to the modem's value: one change of Pending(), or all (-1).
  void Revert(int index);
  bool ControlMarked(const QWidget* control) const { return marks_.IsMarked(control); }

  // The record changes are counted against: the modem's, or the file's.
  void SetBase(const ConfigRecord& record);
  void DropBase();
  // The settings file edited without a modem; empty while the modem is the base.
  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& name) { fileName_ = name; }
  // The network address of the open port, shown in the title; empty for a
  // local port or none.
  void SetPortAddress(const QString& address) {
    portAddress_ = address;
    UpdateTitle();
  }

  // The operator's changes now, an edit of the last moment included; 0 once
  // the window has closed, or while a close runs that asked already.
  int CountBeforeDiscard();
  // The operator chose to throw the changes away: the base's values go back
  // on every page and the marks go.
  void Discard() { Revert(-1); }
  // Runs `close` without asking again: Exit asked already.
  void WithoutAsking(const std::function<void()>& close);
  // The window has shut down: nothing is asked any more.
  void WindowClosed() { closed_ = true; }

  // Write: the changes the record about to be sent carries, for its note.
  void CountWriting(const ConfigRecord& toSend);
  int WritingCount() const { return writingCount_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowState();
  void UpdateTitle();
  void UpdateTabMarkers();

  QWidget* window_;
  PendingHost& host_;
  MessageOwner& messages_;
  TabControl& tabs_;
  QWidget* listField_ = nullptr;
  ConfigRecord base_;
  bool haveBase_ = false;
  // What Write would have sent right after the pages showed the base: what
  // they corrected on their own then is Write's change, not the operator's.
  ConfigRecord shown_;
  bool haveShown_ = false;
  std::vector<PageRefusal> baseRefusals_;  // what the base itself would have refused
  bool refusalBaseline_ = false;  // the next recount takes the baselines
  PendingChanges pending_;
  QTimer* timer_;  // recomputes shortly after the last edit
  ControlMarks marks_;
  QString fileName_;
  QString portAddress_;
  int writingCount_ = 0;  // changes the running Write sends
  bool asked_ = false;    // Exit has asked already
  bool closed_ = false;
};

}  // namespace telvaro
