// Small helpers every page uses to place its controls: pages have a fixed
// size, so controls get fixed geometry in page pixels. Controls that tests and
// the value exchange find by name get an object name.
#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace telvaro::layout {

inline constexpr int kRowHeight = 22;

// The row grid of pages laid out in group boxes: row n's top inside its box,
// and the height of a box that holds `rows` rows.
inline constexpr int kGroupFirstRow = 18;
inline constexpr int kGroupRowPitch = 25;
constexpr int Row(int n) { return kGroupFirstRow + n * kGroupRowPitch; }
constexpr int GroupHeight(int rows) { return Row(rows - 1) + kRowHeight + 8; }

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int width, int height = kRowHeight);
// A read-only text that shows what the modem sent: plain text, never markup,
// and selectable with the mouse.
QLabel* Value(QWidget* parent, const char* name, int x, int y, int width, int height = kRowHeight);
QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int width, int height = kRowHeight);
QCheckBox* Check(QWidget* parent, const QString& text, const char* name, int x, int y, int width,
                 int height = kRowHeight);
QComboBox* List(QWidget* parent, const char* name, int x, int y, int width, int height = kRowHeight);
QGroupBox* Group(QWidget* parent, const QString& title, int x, int y, int width, int height);

// Fits a built page to the language and font in effect: a caption, box or
// list whose text is wider than its cell (a translation longer than the
// English) takes the free room on its right, and where that is too little
// the controls on its right along the row move over, a data field at the
// row's end giving up width down to a minimum. Cells that fit stay exactly
// where they are, so the English pages keep their places.
void FitTexts(QWidget* page);
// The width a control needs to show its text whole; 0 for one without text
// of its own (an edit, a value shown from the modem, a picture).
int NeededWidth(const QWidget* w);

// Ties every caption of a built page to the control on its right on the same
// row (the nearest, with no other control between), so screen readers name
// each control after its own caption rather than its group box, and the
// caption's access key reaches it. Controls already named, and captions
// already tied, are left as they are.
void TieCaptions(QWidget* page);

// Gives each tied caption of a page an access key: its first letter or digit
// that no other caption or button of the page, nor `reserved` (the menu bar's
// keys), has taken; a caption without a free one gets none.
void GiveAccessKeys(QWidget* page, const QString& reserved);

}  // namespace telvaro::layout
