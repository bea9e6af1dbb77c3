#include "app/tab_control.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollArea>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>

#include "pages/config_page.h"
#include "pages/page_layout.h"

namespace telvaro {
namespace {

constexpr int kMinTabWidth = 59;

struct TabEntry {
  const char* label;
  PageIndex page;
};

// Position by position; the DI label of the normal order changes after the
// first rotation back (see InsertTabs).
constexpr TabEntry kNormalOrder[kPageCount] = {
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "   Com"), kCom},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "   Basic"), kBasic},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "  GPRS"), kGprs},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Advanced 1"), kAdvanced1},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Advanced 2"), kAdvanced2},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Wakeup"), kWakeup},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Reboot"), kReboot},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "     DI"), kDi},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "    DO"), kDo},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Phone Book"), kPhoneBook},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Phone Group"), kPhoneGroup},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Networks"), kNetworks}};
constexpr TabEntry kRotatedOrder[kPageCount] = {
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Reboot"), kReboot},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "     DI"), kDi},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "     DO"), kDo},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Phone Book"), kPhoneBook},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Phone Group"), kPhoneGroup},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Networks"), kNetworks},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "   Com"), kCom},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "   Basic"), kBasic},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "  GPRS"), kGprs},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Advanced 1"), kAdvanced1},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Advanced 2"), kAdvanced2},
    {QT_TRANSLATE_NOOP("telvaro::TabControl", "Wakeup"), kWakeup}};
constexpr const char* kDiLabelAfterRotation = QT_TRANSLATE_NOOP("telvaro::TabControl", "    DI");

}  // namespace

// The tab strip shows whole tabs only. The bar lies at its full length behind
// a window that ends at the last tab fitting whole from the first one shown;
// two arrows step one tab at a time when not all fit.
class TabStrip : public QWidget {
 public:
  explicit TabStrip(QWidget* parent) : QWidget(parent) {
    viewport_ = new QWidget(this);
    bar_ = new QTabBar(viewport_);
    bar_->setObjectName("tabBar");
    bar_->setExpanding(false);
    bar_->setUsesScrollButtons(false);
    bar_->setElideMode(Qt::ElideNone);
    bar_->setDrawBase(true);
    // The bar's own arrows stay unused; like the strip's they never take focus.
    for (QToolButton* arrow : bar_->findChildren<QToolButton*>()) arrow->setFocusPolicy(Qt::NoFocus);
    // A tab's text or icon changing changes its width: the bar asks its
    // parent for a new layout, and the strip lays itself out again.
    viewport_->installEventFilter(this);
    left_ = MakeArrow(Qt::LeftArrow, "tabsLeft", QCoreApplication::translate("telvaro::TabControl", "Earlier tabs"), -1);
    right_ = MakeArrow(Qt::RightArrow, "tabsRight", QCoreApplication::translate("telvaro::TabControl", "Later tabs"), 1);
  }
  QTabBar* Bar() const { return bar_; }

  // Lays the strip out again; with `showCurrent` the first tab shown moves
  // as far as needed for the selected tab to be whole.
  void Relayout(bool showCurrent) {
    bar_->resize(bar_->sizeHint().width(), height());
    const int count = bar_->count();
    const int whole = count > 0 ? End(count - 1) : 0;
    if (count == 0 || whole <= width()) {
      first_ = 0;
      left_->hide();
      right_->hide();
      viewport_->setGeometry(0, 0, width(), height());
      bar_->move(0, 0);
      return;
    }
    const int arrow = height();
    const int room = std::max(0, width() - 2 * arrow);
    const int current = bar_->currentIndex();
    if (showCurrent && current >= 0) {
      first_ = std::min(first_, current);
      while (first_ < current && End(current) - Start(first_) > room) ++first_;
    }
    // No empty room at the end while earlier tabs would fit.
    while (first_ > 0 && End(count - 1) - Start(first_ - 1) <= room) --first_;
    first_ = std::clamp(first_, 0, count - 1);
    int last = first_;
    while (last + 1 < count && End(last + 1) - Start(first_) <= room) ++last;
    const int shown = std::min(room, End(last) - Start(first_));
    viewport_->setGeometry(0, 0, shown, height());
    bar_->move(-Start(first_), 0);
    left_->setGeometry(width() - 2 * arrow, 0, arrow, arrow);
    right_->setGeometry(width() - arrow, 0, arrow, arrow);
    left_->setEnabled(first_ > 0);
    right_->setEnabled(last + 1 < count);
    left_->show();
    right_->show();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == viewport_ && event->type() == QEvent::LayoutRequest) Relayout(true);
    return QWidget::eventFilter(watched, event);
  }

 private:
  int Start(int index) const { return bar_->tabRect(index).left(); }
  int End(int index) const { return bar_->tabRect(index).right() + 1; }

  QToolButton* MakeArrow(Qt::ArrowType type, const char* name, const QString& text, int step) {
    auto* arrow = new QToolButton(this);
    arrow->setObjectName(name);
    arrow->setArrowType(type);
    arrow->setAutoRaise(true);
    // The arrows are for the mouse; the keyboard has Ctrl+Tab.
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setToolTip(text);
    arrow->setAccessibleName(text);
    arrow->setAccessibleDescription(
        QCoreApplication::translate("telvaro::TabControl", "Shows the tabs that do not fit in the strip"));
    connect(arrow, &QToolButton::clicked, this, [this, step] {
      first_ = std::max(0, first_ + step);
      Relayout(false);
    });
    return arrow;
  }

  QWidget* viewport_;
  QTabBar* bar_;
  QToolButton* left_;
  QToolButton* right_;
  int first_ = 0;  // the first tab shown whole
};

TabControl::TabControl(QWidget* parent, const QRect& rect) : QWidget(parent) {
  setObjectName("tabControl");
  setGeometry(rect);
  strip_ = new TabStrip(this);
  bar_ = strip_->Bar();
  bar_->setStyleSheet(QString("QTabBar::tab { min-width: %1px; }").arg(kMinTabWidth - 16));
  rotated_ = false;
  InsertTabs();  // first, so the strip has its height
  // The page area: scrolls when the window is smaller than a page.
  pageArea_ = new QScrollArea(this);
  pageArea_->setObjectName("tabPane");
  pageArea_->setFrameShape(QFrame::StyledPanel);
  pageHolder_ = new QWidget;
  pageHolder_->setObjectName("pageHolder");
  pageArea_->setWidget(pageHolder_);
  // Pages keep their place under the strip: the page area starts where the
  // strip ends.
  const int stripHeight = bar_->sizeHint().height();
  pageAt_ = QPoint(kPageX - pageArea_->frameWidth(), kPageY - (stripHeight - 1) - pageArea_->frameWidth());
  pageHolder_->resize(pageAt_.x() + kPageWidth, pageAt_.y() + kPageHeight);
}

void TabControl::Place(PageIndex index, ConfigPage* page) {
  page->setParent(pageHolder_);
  page->setGeometry(QRect(pageAt_, QSize(kPageWidth, kPageHeight)));
  page->OnShow();
  layout::FitTexts(page);
  layout::TieCaptions(page);
  // The menu bar's keys (File, Settings, View, help) and the command
  // buttons' (Read, Write, Default, Reboot, Exit) stay theirs.
  layout::GiveAccessKeys(page, QStringLiteral("fsvhrwdbx"));
  page->hide();
  pages_[index] = page;
}

void TabControl::Start() {
  LayOut();
  connect(bar_, &QTabBar::currentChanged, this, &TabControl::OnTabChanged);
  pages_[kCom]->show();
}

void TabControl::LayOut() {
  // The strip runs along the top of the tab control, the page area below it.
  const int stripHeight = bar_->sizeHint().height();
  strip_->setGeometry(0, 0, width(), stripHeight);
  strip_->Relayout(true);
  pageArea_->setGeometry(0, stripHeight - 1, width(), height() - stripHeight + 1);
  pageArea_->lower();
}

void TabControl::InsertTabs() {
  rebuildingTabs_ = true;
  while (bar_->count() > 0) bar_->removeTab(0);
  const TabEntry* order = rotated_ ? kRotatedOrder : kNormalOrder;
  for (int position = 0; position < kPageCount; ++position) {
    const bool shortDi = !rotated_ && order[position].page == kDi && diLabelShortened_;
    bar_->addTab(tr(shortDi ? kDiLabelAfterRotation : order[position].label));
  }
  rebuildingTabs_ = false;
}

QString TabControl::PageName(int page) {
  for (const TabEntry& entry : kNormalOrder)
    if (entry.page == page) return QString::fromLatin1(entry.label).trimmed();
  return QString("-");
}

PageIndex TabControl::PageIndexAt(int position) const {
  return (rotated_ ? kRotatedOrder : kNormalOrder)[position].page;
}

ConfigPage* TabControl::PageAtPosition(int position) const {
  return position >= 0 && position < kPageCount ? pages_[PageIndexAt(position)] : nullptr;
}

void TabControl::ShowPage(PageIndex index) {
  for (int position = 0; position < kPageCount; ++position) {
    if (PageAtPosition(position) == pages_[index]) {
      bar_->setCurrentIndex(position);
      return;
    }
  }
}

void TabControl::StepPage(int step) {
  // Moving into the strip's second half rotates it (OnTabChanged), so the
  // positions walk all twelve pages in turn, in both directions.
  bar_->setCurrentIndex((bar_->currentIndex() + step + kPageCount) % kPageCount);
}

void TabControl::OnTabChanged(int position) {
  if (rebuildingTabs_ || position < 0) return;
  // Choosing one of the last six tabs swaps the halves of the strip, so the
  // chosen page moves to the first half and stays selected.
  if (position >= kPageCount / 2) {
    if (rotated_) diLabelShortened_ = true;  // rotating back to the normal order
    rotated_ = !rotated_;
    InsertTabs();
    position -= kPageCount / 2;
    rebuildingTabs_ = true;
    bar_->setCurrentIndex(position);
    rebuildingTabs_ = false;
    emit rotated();
  }
  for (ConfigPage* page : pages_) page->hide();
  PageAtPosition(position)->show();
  strip_->Relayout(true);
}

}  // namespace telvaro
