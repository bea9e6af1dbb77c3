// How the window shows changes not yet written: the list of them (Settings >
// "Pending changes..."), the side mark beside a control whose value differs
// from the modem's, and the tab marker.
#pragma once

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <functional>

#include "app/pending_changes.h"

class QPushButton;
class QTableWidget;

namespace telvaro {

// The table of page, setting, the modem's value and the new value, with a
// button to revert the selected setting and one to revert them all. The
// dialog is shown modally and closes itself after a revert; the window opens
// it again if anything is left.
class PendingListDialog : public QDialog {
  Q_OBJECT

 public:
  using PageName = std::function<QString(int page)>;
  PendingListDialog(QWidget* parent, const PendingChanges& pending, const PageName& pageName);

  // After exec: the change to revert (its row), every change (-1), or none.
  enum class Choice { None, One, All };
  Choice Chosen() const { return chosen_; }
  int ChosenRow() const { return chosenRow_; }
  QTableWidget* Table() const { return table_; }

 private:
  QTableWidget* table_;
  QPushButton* revertOne_;
  Choice chosen_ = Choice::None;
  int chosenRow_ = -1;
};

// Marks beside the controls whose value differs from the modem's, with the
// modem's value in their tool tips; each call replaces the previous marks.
class ControlMarks {
 public:
  void Show(const PendingChanges& pending);
  bool IsMarked(const QWidget* control) const;

 private:
  void Clear(QWidget* control);

  QHash<QWidget*, QPointer<QWidget>> marks_;  // control -> its side mark
  QHash<QWidget*, QString> tips_;             // control -> its own tool tip
};

// The tab marker: a dot in the palette's highlight colour, seen on light and
// dark palettes alike.
QIcon PendingTabIcon(const QPalette& palette);

// The value a change shows: its own, or the mask for a secret.
QString ShownValue(const PendingChange& change, const QString& value);

}  // namespace telvaro
