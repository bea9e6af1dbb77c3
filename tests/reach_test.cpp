// What every operator reaches, whatever reads the screen, however large it
// is scaled and whatever language the window speaks.
#include <QAccessible>
#include <QApplication>
#include <QCommandLineParser>
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QStyle>
#include <QStyleOption>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolButton>
#include <QTabBar>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/language.h"
#include "app/main_dialog.h"
#include "pages/config_page.h"
#include "record/setting_rules.h"

namespace telvaro {
namespace {

QString AccessibleName(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// The name a screen reader speaks for the widget; one that is only the
// surrounding group's title counts as none.
QString OwnName(QWidget* widget) {
  const QString name = AccessibleName(widget).trimmed();
  const auto* group = qobject_cast<QGroupBox*>(widget->parentWidget());
  return group && name == group->title().trimmed() ? QString() : name;
}

// Every edit, list and box of the page's accessibility tree without a name
// of its own.
void CollectUnnamed(QAccessibleInterface* node, const QString& page, std::vector<std::string>& unnamed) {
  if (!node) return;
  const QAccessible::Role role = node->role();
  if (role == QAccessible::EditableText || role == QAccessible::ComboBox || role == QAccessible::CheckBox ||
      role == QAccessible::SpinBox) {
    QWidget* widget = qobject_cast<QWidget*>(node->object());
    if (!widget || OwnName(widget).isEmpty())
      unnamed.push_back((page + ": " + (widget ? widget->objectName() : QString("?"))).toStdString());
    return;  // a list's own line edit is part of the list
  }
  for (int i = 0; i < node->childCount(); ++i) CollectUnnamed(node->child(i), page, unnamed);
}


}  // namespace

TEST(ReachScreenReader, EveryControlOfEveryPageHasItsOwnName) {
  CMainDlg window;
  window.show();
  std::vector<std::string> unnamed;
  for (int index = 0; index < kPageCount; ++index) {
    ConfigPage* page = window.Page(static_cast<PageIndex>(index));
    CollectUnnamed(QAccessible::queryAccessibleInterface(page), page->objectName(), unnamed);
  }
  // Pictures without words: the status bar's port icon, the signal bars,
  // the tab strip's arrows.
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    const auto* label = qobject_cast<QLabel*>(widget);
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    const bool picture = (label && label->text().isEmpty() && !label->pixmap().isNull()) ||
                         (button && button->text().isEmpty() && !button->icon().isNull());
    if (picture && !widget->isHidden() && OwnName(widget).isEmpty())
      unnamed.push_back("picture " + widget->objectName().toStdString());
  }
  EXPECT_TRUE(unnamed.empty()) << ::testing::PrintToString(unnamed);

  // The names are the captions the operator reads, and say what an
  // uncaptioned box is.
  const auto named = [&](const char* object) {
    auto* w = window.findChild<QWidget*>(object);
    return w ? AccessibleName(w).toStdString() : std::string("(missing ") + object + ")";
  };
  EXPECT_EQ(named("apnEdit"), "APN");
  EXPECT_EQ(named("connectIntervalEdit"), "Connect Interval (s)");
  EXPECT_EQ(named("wakeupTime2Box"), "Time 2");
  EXPECT_EQ(named("callRebootBox1"), "Phone 1 Call Reboot");
  EXPECT_EQ(named("group3Entry5"), "Group 3 member 5");
}

}  // namespace telvaro

namespace telvaro {

// The window as `telvaro-pro --lang <code>` starts it.
std::vector<std::string> TabCaptionsWithLang(const char* code) {
  QCommandLineParser parser;
  parser.addOption(LanguageOption());
  parser.process(QStringList{"telvaro-pro", "--lang", code});
  InstallLanguage(parser.value(LanguageOption().names().first()));
  CMainDlg window;
  std::vector<std::string> captions;
  for (int i = 0; i < window.TabBar()->count(); ++i) captions.push_back(window.TabBar()->tabText(i).toStdString());
  return captions;
}

TEST(ReachLanguages, LangOptionTranslatesTheWindowAndEnglishStaysExact) {
  struct BackToEnglish {
    ~BackToEnglish() { InstallLanguage("en"); }
  } restore;
  const std::vector<std::string> german = TabCaptionsWithLang("de");
  EXPECT_EQ(CurrentLanguage(), "de");
  EXPECT_EQ(german[1], "   Basis");
  EXPECT_EQ(german[5], "Wecken");
  EXPECT_EQ(german[9], "Telefonbuch");
  EXPECT_EQ(TabCaptionsWithLang("zh_CN")[6], "重启");
  {
    // Settings > Language offers English and each shipped translation.
    CMainDlg window;
    QStringList offered;
    for (QAction* action : window.findChild<QMenu*>("languageMenu")->actions()) offered << action->text();
    EXPECT_EQ(offered, (QStringList{"English", "Deutsch", "简体中文"}));
  }

  const std::vector<std::string> english = TabCaptionsWithLang("en");
  EXPECT_EQ(CurrentLanguage(), "en");
  EXPECT_EQ(english, (std::vector<std::string>{"   Com", "   Basic", "  GPRS", "Advanced 1", "Advanced 2", "Wakeup",
                                                "Reboot", "     DI", "    DO", "Phone Book", "Phone Group", "Networks"}));
}

// How many tabs the strip shows, or -1 when one is shown cut.
int WholeTabsShown(QTabBar* bar) {
  const QWidget* shown = bar->parentWidget();  // the strip's window onto the bar
  int whole = 0;
  for (int i = 0; i < bar->count(); ++i) {
    const QRect tab(bar->mapToParent(bar->tabRect(i).topLeft()), bar->tabRect(i).size());
    const QRect visible = tab.intersected(shown->rect());
    if (!visible.isEmpty() && visible != tab) return -1;
    whole += visible == tab ? 1 : 0;
  }
  return whole;
}

TEST(ReachScreens, TabsAreShownWholeAndSmallScreensScrollThePage) {
  CMainDlg window;
  window.show();
  QApplication::processEvents();
  QTabBar* bar = window.TabBar();
  // On a screen that holds it, the window's own size is its least size, and
  // it opens wide enough for all twelve tabs when the screen allows; one
  // made smaller (as on a small screen at a high scale) scrolls the page.
  const QSize own = window.minimumSize();
  const QRect screen = window.screen()->availableGeometry();
  ASSERT_TRUE(screen.height() > own.height() + 48);
  EXPECT_EQ(window.height(), own.height());
  EXPECT_TRUE(WholeTabsShown(bar) == kPageCount || window.width() >= screen.width() - 16)
      << window.width() << " of " << screen.width();
  auto* pageArea = window.findChild<QScrollArea*>("tabPane");
  ASSERT_NE(pageArea, nullptr);
  EXPECT_EQ(pageArea->verticalScrollBar()->maximum(), 0);
  window.setMinimumSize(0, 0);
  window.resize(own.width(), own.height() - 150);
  QApplication::processEvents();
  EXPECT_GT(pageArea->verticalScrollBar()->maximum(), 100);

  const int atStart = WholeTabsShown(bar);
  EXPECT_GT(atStart, 0);
  EXPECT_LT(atStart, kPageCount);
  window.findChild<QToolButton*>("tabsRight")->click();
  EXPECT_GT(WholeTabsShown(bar), 0);
  bar->setCurrentIndex(5);  // Networks-side pages rotate in; still whole
  EXPECT_GT(WholeTabsShown(bar), 0);

  // A tab that grows (a marker, a longer word) keeps the strip whole.
  bar->setTabText(0, bar->tabText(0) + " (wider)");
  QApplication::processEvents();
  EXPECT_GT(WholeTabsShown(bar), 0);

  window.resize(1100, 700);
  QApplication::processEvents();
  EXPECT_EQ(WholeTabsShown(bar), kPageCount);
  EXPECT_EQ(pageArea->verticalScrollBar()->maximum(), 0);
  EXPECT_FALSE(window.findChild<QToolButton*>("tabsRight")->isVisible());
}

}  // namespace telvaro

namespace telvaro {
namespace {

// The text as drawn: a mnemonic's "&" takes no room.
int TextWidth(const QWidget* w, QString text) {
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  return w->fontMetrics().horizontalAdvance(text);
}

// Every caption, box, list and group title of the page that does not show
// its text whole: wider than its text area, or reaching past its holder.
void CollectClipped(QWidget* holder, const QString& where, std::vector<std::string>& clipped) {
  for (QObject* child : holder->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w->isWindow() || w->isHidden()) continue;
    QString text;
    int room = 0;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (label->wordWrap() || (label->textInteractionFlags() & Qt::TextSelectableByMouse)) continue;
      text = label->text();
      room = label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
      QStyleOptionButton option;
      option.initFrom(box);
      option.text = box->text();
      text = box->text();
      room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
    } else if (auto* list = qobject_cast<QComboBox*>(w)) {
      QStyleOptionComboBox option;
      option.initFrom(list);
      room = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
      for (int i = 0; i < list->count(); ++i)
        if (TextWidth(list, list->itemText(i)) > TextWidth(list, text)) text = list->itemText(i);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      text = group->title();
      room = group->width() - 16;  // the frame's corners either side of the title
      CollectClipped(group, where, clipped);
    } else if (w->metaObject() == &QWidget::staticMetaObject) {
      CollectClipped(w, where, clipped);
      continue;
    }
    if (text.isEmpty()) continue;
    const int need = TextWidth(w, text);
    const bool outside = w->geometry().right() >= holder->width();
    if (need > room || outside)
      clipped.push_back((where + ": \"" + text + "\" needs " + QString::number(need) + " px, has " +
                         QString::number(room) + (outside ? ", reaches past its holder" : ""))
                            .toStdString());
  }
}

}  // namespace

// Every page in every language the window speaks shows each caption, box,
// list item and group title whole, in the fonts this machine has. Set
// TELVARO_SCREENSHOTS to a folder to keep a picture of each page.
TEST(ReachLanguages, EveryPageShowsItsTextsWholeInEveryLanguage) {
  struct BackToEnglish {
    ~BackToEnglish() { InstallLanguage("en"); }
  } restore;
  const QString shots = qEnvironmentVariable("TELVARO_SCREENSHOTS");
  for (const char* code : {"en", "de", "zh_CN"}) {
    ASSERT_EQ(InstallLanguage(code).toStdString(), code);
    CMainDlg window;
    window.show();
    std::vector<std::string> clipped;
    for (int index = 0; index < kPageCount; ++index) {
      ConfigPage* page = window.Page(static_cast<PageIndex>(index));
      const QPixmap picture = page->grab();
      EXPECT_FALSE(picture.isNull());
      if (!shots.isEmpty())
        picture.save(QDir(shots).filePath(QString("%1-%2.png").arg(code, page->objectName())));
      CollectClipped(page, QString(code) + " " + page->objectName(), clipped);
    }
    EXPECT_TRUE(clipped.empty()) << ::testing::PrintToString(clipped);
  }
  // The two hints the page prints as the window always did, though the
  // rules enforce another range (the reference says so).
  InstallLanguage("en");
  CMainDlg window;
  for (const SettingUnit& unit : kSettingUnits) {
    if (!unit.pageHint) continue;
    bool shown = false;
    for (const QLabel* label : window.findChildren<QLabel*>()) shown |= label->text() == unit.pageHint;
    EXPECT_TRUE(shown) << unit.pageHint;
  }
}

}  // namespace telvaro
