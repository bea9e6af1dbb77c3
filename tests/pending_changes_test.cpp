// Changes not yet written, as an operator meets them: marked where they are,
// counted in the title and status bar, listed with their reasons, and never
// thrown away without a question.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include "app/main_dialog.h"
#include "pages/config_page.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

class PendingChangesWindow : public WindowWithModem {
 protected:
  // Opens the port and waits until the automatic Read has been answered.
  void OpenAndRead() {
    PressOpen();
    ASSERT_TRUE(WaitUntil([&] { return texts.size() == 1; }, 10000));
    ASSERT_EQ(texts.back(), "Operation succeed!");
    texts.clear();
  }
  QLineEdit* Edit(PageIndex page, const char* name) const { return window->Page(page)->findChild<QLineEdit*>(name); }
  void Dump() const {
    for (const PendingChange& c : window->PendingWrite().changes)
      std::printf("%d | %s | %s | %s | %s\n", c.page, qPrintable(c.setting), qPrintable(c.modemValue), qPrintable(c.newValue),
                  qPrintable(c.reason));
  }
};

TEST_F(PendingChangesWindow, Debug) {
  StartWindow();
  OpenAndRead();
  Dump();
}

}  // namespace
}  // namespace telvaro
