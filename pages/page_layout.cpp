#include "pages/page_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>
#include <QAbstractSpinBox>
#include <QAbstractButton>
#include <algorithm>
#include <limits>
#include <vector>

namespace telvaro::layout {

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int width, int height) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(x, y, width, height);
  return label;
}

QLabel* Value(QWidget* parent, const char* name, int x, int y, int width, int height) {
  QLabel* label = Label(parent, QString(), x, y, width, height);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  // Operators copy these (IMEI, cell, operator, local IP) into their notes.
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int width, int height) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(x, y, width, height);
  return edit;
}

QCheckBox* Check(QWidget* parent, const QString& text, const char* name, int x, int y, int width, int height) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setGeometry(x, y, width, height);
  return box;
}

QComboBox* List(QWidget* parent, const char* name, int x, int y, int width, int height) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setGeometry(x, y, width, height);
  return list;
}

QGroupBox* Group(QWidget* parent, const QString& title, int x, int y, int width, int height) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(x, y, width, height);
  return group;
}

namespace {

// What a caption can name: edits, lists, and boxes without text of their own.
bool TakesCaption(const QWidget* w) {
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
      qobject_cast<const QAbstractSpinBox*>(w))
    return true;
  const auto* box = qobject_cast<const QCheckBox*>(w);
  return box && box->text().isEmpty();
}

// Captions stand left of their control, their middle within its height.
bool OnRowOf(const QRect& caption, const QRect& control) {
  const int middle = caption.center().y();
  return middle >= control.top() && middle <= control.bottom() && caption.left() < control.left();
}

void TieCaptionsOf(QWidget* parent) {
  std::vector<QWidget*> controls;
  std::vector<QLabel*> captions;
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (!label->text().trimmed().isEmpty() && !label->buddy()) captions.push_back(label);
    } else if (TakesCaption(w)) {
      controls.push_back(w);
    } else {
      TieCaptionsOf(w);  // group boxes and other containers
    }
  }
  for (QWidget* control : controls) {
    if (!control->accessibleName().isEmpty()) continue;
    const QRect to = control->geometry();
    QLabel* nearest = nullptr;
    int nearestGap = std::numeric_limits<int>::max();
    for (QLabel* label : captions) {
      if (label->buddy() || !OnRowOf(label->geometry(), to)) continue;
      const int gap = to.left() - label->geometry().right();
      if (gap < nearestGap) {
        nearest = label;
        nearestGap = gap;
      }
    }
    if (!nearest) continue;
    // Another control between caption and control owns the caption.
    const bool blocked = std::any_of(controls.begin(), controls.end(), [&](QWidget* other) {
      const QRect g = other->geometry();
      return other != control && OnRowOf(nearest->geometry(), g) && g.left() < to.left() &&
             g.left() > nearest->geometry().left();
    });
    if (!blocked) nearest->setBuddy(control);
  }
}

constexpr int kCellGap = 4;         // kept between a widened cell and the next
constexpr int kShrinkableMin = 50;  // a data field keeps at least this width

// A modem's value (selectable text) or an edit: what may give up width.
bool Shrinkable(const QWidget* w) {
  if (qobject_cast<const QLineEdit*>(w)) return true;
  const auto* label = qobject_cast<const QLabel*>(w);
  return label && (label->textInteractionFlags() & Qt::TextSelectableByMouse);
}

bool SameRow(const QRect& a, const QRect& b) {
  return (a.center().y() >= b.top() && a.center().y() <= b.bottom()) ||
         (b.center().y() >= a.top() && b.center().y() <= a.bottom());
}

// What a cell may give up: a text cell its room beyond its text, a data
// field its width beyond the minimum.
int Slack(const QWidget* w) {
  if (const int need = NeededWidth(w); need > 0) return std::max(0, w->width() - need);
  return Shrinkable(w) ? std::max(0, w->width() - kShrinkableMin) : 0;
}

void FitTextsOf(QWidget* parent) {
  std::vector<QWidget*> cells;
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w->isWindow()) continue;
    cells.push_back(w);
    // Group boxes and plain holders are laid out the same way inside.
    if (qobject_cast<QGroupBox*>(w) || w->metaObject() == &QWidget::staticMetaObject) FitTextsOf(w);
  }
  std::stable_sort(cells.begin(), cells.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
  const int limit = parent->contentsRect().right() - 2;
  for (QWidget* w : cells) {
    const int overflow = NeededWidth(w) - w->width();
    if (overflow <= 0) continue;
    const QRect cell = w->geometry();
    std::vector<QWidget*> right;  // in x order, as `cells`
    for (QWidget* other : cells)
      if (other != w && other->x() > cell.x() && SameRow(other->geometry(), cell)) right.push_back(other);
    if (right.empty()) {
      w->resize(w->width() + std::min(overflow, std::max(0, limit - cell.right())), w->height());
      continue;
    }
    w->resize(w->width() + overflow, w->height());
    // The cells on its right move only as far as they must, each keeping
    // the gap it had (at most kCellGap) from the one before.
    int previousRight = cell.right();
    int newRight = w->geometry().right();
    for (QWidget* other : right) {
      const int gap = std::clamp(other->x() - previousRight - 1, 0, kCellGap);
      previousRight = other->geometry().right();
      if (other->x() < newRight + 1 + gap) other->move(newRight + 1 + gap, other->y());
      newRight = other->geometry().right();
    }
    // Past the edge: the cells on the right give up their slack, the last first.
    int past = newRight - limit;
    for (auto it = right.rbegin(); it != right.rend() && past > 0; ++it) {
      const int take = std::min(past, Slack(*it));
      if (take == 0) continue;
      (*it)->resize((*it)->width() - take, (*it)->height());
      for (auto after = right.rbegin(); after != it; ++after) (*after)->move((*after)->x() - take, (*after)->y());
      past -= take;
    }
  }
}

}  // namespace

namespace {

// The text as drawn: a mnemonic's "&" takes no room.
int DrawnWidth(const QWidget* w, QString text) {
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  return w->fontMetrics().horizontalAdvance(text);
}

}  // namespace

int NeededWidth(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    if (label->text().isEmpty() || label->wordWrap() || (label->textInteractionFlags() & Qt::TextSelectableByMouse))
      return 0;
    const int room = label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
    return DrawnWidth(label, label->text()) + label->width() - room;
  }
  if (const auto* box = qobject_cast<const QCheckBox*>(w)) {
    if (box->text().isEmpty()) return 0;
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    return DrawnWidth(box, box->text()) + box->width() - room.width();
  }
  if (const auto* list = qobject_cast<const QComboBox*>(w)) {
    // Its widest item in the field the closed list shows it in.
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) widest = std::max(widest, DrawnWidth(list, list->itemText(i)));
    if (widest == 0) return 0;
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect room = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    return widest + list->width() - room.width();
  }
  return 0;
}

void FitTexts(QWidget* page) { FitTextsOf(page); }

void TieCaptions(QWidget* page) { TieCaptionsOf(page); }

void GiveAccessKeys(QWidget* page, const QString& reserved) {
  QString used = reserved.toLower();
  const auto keyOf = [](const QString& text) {
    const auto at = text.indexOf('&');
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
  };
  // Keys the page's own texts carry already stay theirs.
  for (QAbstractButton* button : page->findChildren<QAbstractButton*>())
    if (const QChar key = keyOf(button->text()); !key.isNull()) used += key;
  std::vector<QLabel*> captions;
  for (QLabel* label : page->findChildren<QLabel*>()) {
    // Value labels show the modem's texts as they are.
    if (!label->buddy() || label->textFormat() == Qt::PlainText) continue;
    if (const QChar key = keyOf(label->text()); !key.isNull()) {
      used += key;
    } else {
      captions.push_back(label);
    }
  }
  // Top to bottom, left to right: the first caption met gets first pick.
  const auto place = [page](const QLabel* label) { return label->mapTo(page, QPoint(0, 0)); };
  std::stable_sort(captions.begin(), captions.end(), [&](const QLabel* a, const QLabel* b) {
    const QPoint pa = place(a), pb = place(b);
    return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
  });
  for (QLabel* label : captions) {
    QString text = label->text();
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text.at(i);
      // Only keys a keyboard of any layout types with Alt.
      if (c.unicode() >= 128 || !c.isLetterOrNumber() || used.contains(c.toLower())) continue;
      used += c.toLower();
      text.insert(i, '&');
      label->setText(text);
      break;
    }
  }
}

}  // namespace telvaro::layout
