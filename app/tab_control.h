// The tab control: the strip of twelve tabs over the page area, the two tab
// orders (choosing one of the last six tabs swaps the strip's halves) and
// which page each position shows.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QScrollArea;
class QTabBar;

namespace telvaro {

class ConfigPage;
class TabStrip;

// The pages in normal tab order.
enum PageIndex { kCom, kBasic, kGprs, kAdvanced1, kAdvanced2, kWakeup, kReboot, kDi, kDo, kPhoneBook, kPhoneGroup, kNetworks, kPageCount };

// Each page lies at (10, 43) in the tab control, 430 x 380 pixels.
inline constexpr int kPageX = 10, kPageY = 43, kPageWidth = 430, kPageHeight = 380;
// The tab control, in dialog units, and the base units it needs to hold a page.
inline constexpr int kTabWidthUnits = 256, kTabHeightUnits = 229;
inline constexpr int kMinBaseX = ((kPageX + kPageWidth + 4) * 4 + kTabWidthUnits - 1) / kTabWidthUnits;
inline constexpr int kMinBaseY = ((kPageY + kPageHeight + 4) * 8 + kTabHeightUnits - 1) / kTabHeightUnits;

class TabControl : public QWidget {
  Q_OBJECT

 public:
  // The strip with its tabs in normal order, and the page area, at `rect`.
  TabControl(QWidget* parent, const QRect& rect);

  // Where the pages are created.
  QWidget* PageParent() const { return pageHolder_; }
  // Places a page, created in tab order, in the page area and runs its on
  // show; the page stays hidden.
  template <typename P>
  P* Add(PageIndex index, P* page) {
    Place(index, page);
    return page;
  }
  // After the last page: lays the control out, follows the strip and shows
  // the Com page.
  void Start();
  // Places the strip and the page area in the control as it is now.
  void LayOut();

  ConfigPage* Page(PageIndex index) const { return pages_[index]; }
  const std::array<ConfigPage*, kPageCount>& Pages() const { return pages_; }
  // The page shown at each tab position, as the strip is now.
  ConfigPage* PageAtPosition(int position) const;
  PageIndex PageIndexAt(int position) const;
  // A page's name as its tab says it, without the leading spaces.
  static QString PageName(int page);
  // Brings a page to the front, through the strip's rotation like a click.
  void ShowPage(PageIndex index);
  // Ctrl+Tab and its kin: the next (+1) or previous (-1) tab position,
  // through the strip's rotation, so every page comes in turn.
  void StepPage(int step);
  QTabBar* Bar() const { return bar_; }

 signals:
  // The tabs were inserted again in the other order (their icons are gone).
  void rotated();

 private:
  void Place(PageIndex index, ConfigPage* page);
  void InsertTabs();
  void OnTabChanged(int position);

  TabStrip* strip_;
  QTabBar* bar_;
  QScrollArea* pageArea_;
  QWidget* pageHolder_;
  QPoint pageAt_;  // a page's place in the holder
  std::array<ConfigPage*, kPageCount> pages_{};
  bool rotated_ = false;
  bool diLabelShortened_ = false;  // "    DI" after the first rotation back
  bool rebuildingTabs_ = false;
};

}  // namespace telvaro
