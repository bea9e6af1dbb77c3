// How the window places its controls: dialog units of its font, and the
// client area that lays them out again when the window is resized.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace telvaro {

// The window is laid out in dialog units of its font, Arial 9: a horizontal
// unit is a quarter of the font's average character width, a vertical one an
// eighth of its height.
class DialogUnits {
 public:
  // The pages have a fixed size in pixels, so the units are never smaller
  // than what lets the tab control hold them (a font whose height rounds a
  // pixel short would otherwise clip every page's last line).
  DialogUnits(const QFont& font, int minBaseX, int minBaseY) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = std::max((letters / 26 + 1) / 2, minBaseX);
    baseY_ = std::max(metrics.height(), minBaseY);
  }
  int X(int units) const { return (units * baseX_ + 2) / 4; }
  int Y(int units) const { return (units * baseY_ + 4) / 8; }
  QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }

 private:
  int baseX_ = 7;
  int baseY_ = 15;
};

// The window's client area; lays its controls out again when resized.
class ClientArea : public QWidget {
 public:
  using QWidget::QWidget;
  std::function<void()> onResize;
  QSize ownSize;  // the window's layout size
  QSize sizeHint() const override { return ownSize; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (onResize) onResize();
  }
};

}  // namespace telvaro
