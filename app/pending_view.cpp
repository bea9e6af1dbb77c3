#include "app/pending_view.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace telvaro {

namespace {

constexpr int kMarkWidth = 3;
constexpr int kMarkGap = 1;
constexpr const char* kMarkName = "pendingMark";

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

}  // namespace

QString ShownValue(const PendingChange& change, const QString& value) {
  return change.secret ? QString::fromLatin1(kSecretMask) : value;
}

PendingListDialog::PendingListDialog(QWidget* parent, const PendingChanges& pending, const PageName& pageName)
    : QDialog(parent) {
  setObjectName("pendingListDialog");
  setWindowTitle(tr("Pending changes"));
  auto* layout = new QVBoxLayout(this);
  const int own = static_cast<int>(pending.changes.size()) - pending.Count();
  auto* heading = new QLabel(PendingCountText(pending.Count()) +
                                 (own > 0 ? tr(", and %1 that Write makes on its own").arg(own) : QString()),
                             this);
  layout->addWidget(heading);

  const int rows = static_cast<int>(pending.changes.size());
  table_ = new QTableWidget(rows, 5, this);
  table_->setObjectName("pendingTable");
  table_->setHorizontalHeaderLabels({tr("Page"), tr("Setting"), tr("Modem's value"), tr("New value"), tr("Why")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  for (int row = 0; row < rows; ++row) {
    const PendingChange& change = pending.changes[static_cast<std::size_t>(row)];
    table_->setItem(row, 0, Cell(pageName(change.page)));
    table_->setItem(row, 1, Cell(change.setting));
    table_->setItem(row, 2, Cell(ShownValue(change, change.modemValue)));
    table_->setItem(row, 3, Cell(ShownValue(change, change.newValue)));
    QTableWidgetItem* why = Cell(change.reason.isEmpty() ? tr("edited") : change.reason);
    why->setToolTip(why->text());
    table_->setItem(row, 4, why);
  }
  // The reasons are long: they take the room left, their tips say them whole.
  for (int column = 0; column < 4; ++column) table_->resizeColumnToContents(column);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->resizeRowsToContents();
  layout->addWidget(table_);

  // A page that would refuse its value stops Write there: say so under the list.
  for (const PageRefusal& refusal : pending.refusals) {
    auto* note = new QLabel(tr("Write would stop on %1: %2").arg(pageName(refusal.page), refusal.message), this);
    note->setTextFormat(Qt::PlainText);
    layout->addWidget(note);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  revertOne_ = buttons->addButton(tr("Revert setting"), QDialogButtonBox::ActionRole);
  revertOne_->setObjectName("revertOneButton");
  QPushButton* revertAll = buttons->addButton(tr("Revert all"), QDialogButtonBox::ActionRole);
  revertAll->setObjectName("revertAllButton");
  revertOne_->setEnabled(false);
  revertAll->setEnabled(rows > 0);
  connect(table_, &QTableWidget::itemSelectionChanged, this,
          [this] { revertOne_->setEnabled(!table_->selectedItems().isEmpty()); });
  connect(revertOne_, &QPushButton::clicked, this, [this] {
    chosen_ = Choice::One;
    chosenRow_ = table_->currentRow();
    accept();
  });
  connect(revertAll, &QPushButton::clicked, this, [this] {
    chosen_ = Choice::All;
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(620, 360);
}

void ControlMarks::Show(const PendingChanges& pending) {
  QList<QWidget*> stale = marks_.keys();
  for (const PendingChange& change : pending.changes) {
    QWidget* control = change.control;
    if (control == nullptr || control->parentWidget() == nullptr) continue;
    stale.removeAll(control);
    QPointer<QWidget>& mark = marks_[control];
    if (mark.isNull()) {
      auto* frame = new QFrame(control->parentWidget());
      frame->setObjectName(kMarkName);
      frame->setAutoFillBackground(true);
      frame->setBackgroundRole(QPalette::Highlight);
      frame->setAttribute(Qt::WA_TransparentForMouseEvents);
      mark = frame;
      tips_.insert(control, control->toolTip());
    }
    const QRect at = control->geometry();
    mark->setGeometry(std::max(0, at.left() - kMarkWidth - kMarkGap), at.top() + 2, kMarkWidth,
                      std::max(4, at.height() - 4));
    mark->show();
    QString tip = QCoreApplication::translate("telvaro::PendingView", "Modem: %1").arg(ShownValue(change, change.modemValue));
    if (!change.reason.isEmpty()) tip += "\n" + change.reason;
    control->setToolTip(tip);
  }
  for (QWidget* control : stale) Clear(control);
}

bool ControlMarks::IsMarked(const QWidget* control) const {
  const auto found = marks_.constFind(const_cast<QWidget*>(control));
  return found != marks_.constEnd() && !found->isNull();
}

void ControlMarks::Clear(QWidget* control) {
  if (QWidget* mark = marks_.take(control)) mark->deleteLater();
  control->setToolTip(tips_.take(control));
}

QIcon PendingTabIcon(const QPalette& palette) {
  QPixmap dot(10, 10);
  dot.fill(Qt::transparent);
  QPainter painter(&dot);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette.color(QPalette::WindowText), 1));
  painter.setBrush(palette.color(QPalette::Highlight));
  painter.drawEllipse(QRectF(1.5, 1.5, 7, 7));
  return QIcon(dot);
}

}  // namespace telvaro
