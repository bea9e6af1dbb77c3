// The page framework: the value exchange with its failure behaviour, the
// page operations, and the state the cross-page entry points leave behind.
// Runs under a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <memory>
#include <string>
#include <ostream>
#include <vector>

#include "pages/advanced1_page.h"
#include "pages/advanced2_page.h"
#include "pages/basic_page.h"
#include "pages/com_page.h"
#include "pages/di_page.h"
#include "pages/do_page.h"
#include "pages/gprs_page.h"
#include "pages/networks_page.h"
#include "pages/phone_book_page.h"
#include "pages/phone_group_page.h"
#include "pages/reboot_page.h"
#include "pages/wakeup_page.h"
#include "tests/recording_sink.h"

// Readable QString values in failure output.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace telvaro {
namespace {

// A page with one control of each kind, in this exchange order, plus a combo
// box outside the exchange.
class TestPage : public ConfigPage {
 public:
  explicit TestPage(MessageSink* messages)
      : ConfigPage(nullptr, messages),
        text(new QLineEdit(this)),
        number(new QLineEdit(this)),
        count(new QLineEdit(this)),
        box(new QCheckBox(this)),
        combo(new QComboBox(this)) {
    Exchange().Text(text, &textValue, 5);
    Exchange().Signed(number, &numberValue, -10, 10);
    Exchange().Unsigned(count, &countValue, 1, 3600);
    Exchange().Check(box, &boxValue);
    AddInputControl(combo);
  }

  QLineEdit* text;
  QLineEdit* number;
  QLineEdit* count;
  QCheckBox* box;
  QComboBox* combo;
  QString textValue = "abc";
  std::int32_t numberValue = -3;
  std::uint32_t countValue = 60;
  int boxValue = 1;
};

class ValueExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = std::make_unique<TestPage>(&sink);
    page->show();
    page->activateWindow();
    QApplication::processEvents();
    page->ShowValues();
  }

  // Takes with one field edited and returns the one message it must show.
  std::string TakeFailure(QLineEdit* edit, const QString& text) {
    sink.messages.clear();
    edit->setText(text);
    EXPECT_FALSE(page->TakeValues()) << text.toStdString();
    EXPECT_EQ(sink.messages.size(), 1u) << text.toStdString();
    return sink.messages.empty() ? std::string() : sink.messages.front();
  }

  RecordingSink sink;
  std::unique_ptr<TestPage> page;
};

TEST_F(ValueExchangeTest, ShowPutsValuesAndLimitsIntoControls) {
  EXPECT_EQ(page->text->text(), "abc");
  EXPECT_EQ(page->text->maxLength(), 5);
  EXPECT_EQ(page->number->text(), "-3");
  EXPECT_EQ(page->count->text(), "60");
  EXPECT_TRUE(page->box->isChecked());

  page->boxValue = 0;
  page->textValue = "";
  page->ShowValues();
  EXPECT_FALSE(page->box->isChecked());
  EXPECT_EQ(page->text->text(), "");

  // A text without a limit gets none; the operator can type a long line.
  QLineEdit free;
  QString freeValue(300, u'x');
  ValueExchange exchange;
  exchange.Text(&free, &freeValue, 0);
  exchange.Show();
  EXPECT_EQ(free.text(), freeValue);
  EXPECT_GT(free.maxLength(), 300);
  EXPECT_EQ(exchange.Controls(), std::vector<QWidget*>{&free});
}

TEST_F(ValueExchangeTest, TakeReadsEveryControlBack) {
  page->text->setText("hello");
  page->number->setText(" -10 ");
  page->count->setText("3600");
  page->box->setChecked(false);
  EXPECT_TRUE(page->TakeValues());
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(page->textValue, "hello");
  EXPECT_EQ(page->numberValue, -10);
  EXPECT_EQ(page->countValue, 3600u);
  EXPECT_EQ(page->boxValue, 0);

  page->number->setText("+7");
  page->count->setText("1");
  page->box->setChecked(true);
  EXPECT_TRUE(page->TakeValues());
  EXPECT_EQ(page->numberValue, 7);
  EXPECT_EQ(page->countValue, 1u);
  EXPECT_EQ(page->boxValue, 1);
}

TEST_F(ValueExchangeTest, LettersInAnIntegerFieldStopTheTakeThere) {
  page->text->setText("new");
  page->number->setText("abc");
  page->count->setText("99");
  page->box->setChecked(false);

  // What a click on an enabling control does: one message, the earlier text
  // taken, the failing and later fields back to their last accepted values.
  page->EnableByState();
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Please enter an integer."});
  EXPECT_EQ(page->textValue, "new");
  EXPECT_EQ(page->numberValue, -3);
  EXPECT_EQ(page->countValue, 60u);
  EXPECT_EQ(page->boxValue, 1);
  EXPECT_EQ(page->number->text(), "-3");
  EXPECT_EQ(page->count->text(), "60");
  EXPECT_TRUE(page->box->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), page->number);
}

TEST_F(ValueExchangeTest, BadNumbersAndRangesNameTheRule) {
  const std::string integer = "Please enter an integer.";
  const std::string signedRange = "Please enter an integer between -10 and 10.";
  const std::string unsignedRange = "Please enter an integer between 1 and 3600.";

  for (const char* text : {"", "   ", "-", "1 2", "1.5", "0x5", "5a", "99999999999", "-2147483649"}) {
    EXPECT_EQ(TakeFailure(page->number, text), integer) << text;
    page->ShowValues();
  }
  EXPECT_EQ(TakeFailure(page->number, "11"), signedRange);
  EXPECT_EQ(TakeFailure(page->number, "-11"), signedRange);
  EXPECT_EQ(TakeFailure(page->number, "2147483647"), signedRange);
  EXPECT_EQ(page->numberValue, -3);
  page->ShowValues();

  EXPECT_EQ(TakeFailure(page->count, "0"), unsignedRange);
  EXPECT_EQ(TakeFailure(page->count, "3601"), unsignedRange);
  EXPECT_EQ(TakeFailure(page->count, "-5"), unsignedRange);
  EXPECT_EQ(TakeFailure(page->count, "4294967296"), integer);
  EXPECT_EQ(TakeFailure(page->count, "abc"), integer);
  EXPECT_EQ(page->countValue, 60u);
  EXPECT_EQ(QApplication::focusWidget(), page->count);
  EXPECT_EQ(page->count->selectedText(), "abc");
}

TEST_F(ValueExchangeTest, TextLongerThanItsLimitIsRefused) {
  page->text->setMaxLength(100);  // as if typed past the limit
  EXPECT_EQ(TakeFailure(page->text, "abcdef"), "Please enter no more than 5 characters.");
  EXPECT_EQ(page->textValue, "abc");
  EXPECT_EQ(QApplication::focusWidget(), page->text);
  EXPECT_EQ(page->text->selectedText(), "abcdef");

  page->text->setText("abcde");
  sink.messages.clear();
  EXPECT_TRUE(page->TakeValues());
  EXPECT_EQ(page->textValue, "abcde");

  // A value already longer than the limit is shown whole, never cut short,
  // and the next take reports it.
  page->textValue = "abcdefgh";
  page->ShowValues();
  EXPECT_EQ(page->text->text(), "abcdefgh");
  EXPECT_EQ(TakeFailure(page->text, page->text->text()), "Please enter no more than 5 characters.");
}

TEST_F(ValueExchangeTest, DisableAllAndEnableByStateSwitchEveryInput) {
  const std::vector<QWidget*> inputs{page->text, page->number, page->count, page->box, page->combo};
  page->DisableAll();
  for (QWidget* w : inputs) EXPECT_FALSE(w->isEnabled());
  EXPECT_EQ(page->text->text(), "abc");  // values stay
  page->EnableByState();
  for (QWidget* w : inputs) EXPECT_TRUE(w->isEnabled());
  EXPECT_TRUE(sink.messages.empty());
}

// A page under test with one input control added, so that its enabling shows.
template <class Page>
class WithInput : public Page {
 public:
  WithInput() : Page(nullptr, nullptr), input(new QLineEdit(this)) { this->AddInputControl(input); }
  QLineEdit* input;
};

TEST(PagesTest, EveryPageIsAFixedSizeWidgetNamedAfterItsClass) {
  QWidget tabs;
  RecordingSink sink;
  std::vector<ConfigPage*> pages{
      new CComPage(&tabs, &sink),        new CBasicPage(&tabs, &sink),       new CGprsPage(&tabs, &sink),
      new CAdvanced1Page(&tabs, &sink),  new CAdvanced2Page(&tabs, &sink),   new CWakeupPage(&tabs, &sink),
      new CRebootPage(&tabs, &sink),     new CDiPage(&tabs, &sink),          new CDoPage(&tabs, &sink),
      new CPhoneBookPage(&tabs, &sink),  new CPhoneGroupPage(&tabs, &sink),  new CNetworksPage(&tabs, &sink)};
  const std::vector<std::string> names{"CComPage",       "CBasicPage",     "CGprsPage",      "CAdvanced1Page",
                                       "CAdvanced2Page", "CWakeupPage",    "CRebootPage",    "CDiPage",
                                       "CDoPage",        "CPhoneBookPage", "CPhoneGroupPage", "CNetworksPage"};
  ASSERT_EQ(pages.size(), names.size());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(pages[i]->objectName().toStdString(), names[i]);
    EXPECT_STREQ(pages[i]->metaObject()->className(), ("telvaro::" + names[i]).c_str());
    EXPECT_EQ(pages[i]->parentWidget(), &tabs);
    EXPECT_EQ(pages[i]->size(), QSize(430, 380));
    EXPECT_EQ(pages[i]->MainDlg(), nullptr);
    pages[i]->OnShow();
    pages[i]->DisableAll();
    pages[i]->EnableByState();
    pages[i]->ClearForRead();
  }
  EXPECT_TRUE(sink.messages.empty());
}

// `control` names an input the page enables whenever it has digital I/O.
template <class Page>
void ExpectEnablingFollowsIoPresent(const char* control) {
  RecordingSink sink;
  Page page(nullptr, &sink);
  page.OnShow();
  auto* input = page.template findChild<QWidget*>(control);
  ASSERT_NE(input, nullptr) << control;
  EXPECT_FALSE(page.ioPresent);
  page.EnableByState();
  EXPECT_FALSE(input->isEnabled());
  page.SetIoPresent(true);
  page.EnableByState();
  EXPECT_TRUE(input->isEnabled());
  page.DisableAll();
  EXPECT_FALSE(input->isEnabled());
  page.EnableByState();
  // A later response without digital I/O takes the page down again.
  page.SetIoPresent(false);
  page.EnableByState();
  EXPECT_FALSE(input->isEnabled());
  EXPECT_TRUE(sink.messages.empty());
}

TEST(PagesTest, DigitalIoPagesEnableOnlyWithDigitalIo) {
  ExpectEnablingFollowsIoPresent<CDiPage>("modeList0");
  ExpectEnablingFollowsIoPresent<CDoPage>("diAlarmBox");
}

TEST(PagesTest, PhoneGroupGridFollowsSetGridEnabledAndDigitalIo) {
  WithInput<CPhoneGroupPage> page;
  page.DisableAll();
  EXPECT_FALSE(page.GridEnabled());
  page.SetGridEnabled(true);  // no digital I/O yet: nothing happens
  EXPECT_FALSE(page.GridEnabled());
  EXPECT_FALSE(page.input->isEnabled());

  page.SetIoPresent(true);
  page.SetGridEnabled(true);
  EXPECT_TRUE(page.input->isEnabled());
  page.DisableAll();
  EXPECT_FALSE(page.input->isEnabled());
  page.EnableByState();  // takes and shows only: the grid stays off
  EXPECT_FALSE(page.input->isEnabled());
  page.SetGridEnabled(true);
  EXPECT_TRUE(page.input->isEnabled());
  page.SetGridEnabled(false);
  EXPECT_FALSE(page.GridEnabled());
  EXPECT_FALSE(page.input->isEnabled());
  page.EnableByState();
  EXPECT_FALSE(page.input->isEnabled());
}

TEST(PagesTest, EntryPointsStoreTheirArgumentsAndReEnableThePage) {
  WithInput<CWakeupPage> wakeup;
  wakeup.DisableAll();
  for (int mode : {2, 1, 0}) {
    wakeup.SetWakeupMode(mode);
    EXPECT_EQ(wakeup.WakeupMode(), mode);
  }
  EXPECT_TRUE(wakeup.input->isEnabled());

  WithInput<CRebootPage> reboot;
  reboot.DisableAll();
  reboot.SetRebootAvailability(1);
  EXPECT_EQ(reboot.RebootAvailability(), 1);
  EXPECT_TRUE(reboot.input->isEnabled());
  reboot.SetRebootAvailability(0);
  EXPECT_EQ(reboot.RebootAvailability(), 0);

  const std::vector<PhoneBookColumn> columns{PhoneBookColumn::CallReboot, PhoneBookColumn::CallWakeup,
                                             PhoneBookColumn::SmsReboot,  PhoneBookColumn::SmsWakeup,
                                             PhoneBookColumn::SmsControl, PhoneBookColumn::Csd};
  CPhoneBookPage book(nullptr, nullptr);
  for (PhoneBookColumn on : columns) {
    book.SetPhoneBookColumn(on, true);
    for (PhoneBookColumn c : columns) EXPECT_EQ(book.ColumnOn(c), c == on);
    book.SetPhoneBookColumn(on, false);
    EXPECT_FALSE(book.ColumnOn(on));
  }

  book.callRebootAvailable = book.callWakeupAvailable = book.csdAvailable = true;
  book.OnShow();
  EXPECT_FALSE(book.callRebootAvailable);
  EXPECT_FALSE(book.callWakeupAvailable);
  EXPECT_FALSE(book.csdAvailable);
}

}  // namespace
}  // namespace telvaro
