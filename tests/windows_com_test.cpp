// The window on Windows against a modem on a real COM port: under Wine the
// build script maps the port to the simulated modem's pseudo-terminal and
// names it in TELVARO_TEST_COM ("COM52"); without it there is nothing to open.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/modem_operations.h"
#include "pages/config_page.h"
#include "record/config_record.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

TEST(WindowsComPort, ReadAndWriteThroughTheWin32SerialPort) {
  const QString com = qEnvironmentVariable("TELVARO_TEST_COM");
  if (com.isEmpty()) GTEST_SKIP() << "TELVARO_TEST_COM names no port";
  const std::string name = qEnvironmentVariable("TELVARO_TEST_DEVICE_NAME", "Win-7").toStdString();

  QTemporaryDir dir;
  MainDlgOptions options;
  // The port is opened by its Windows device name, as the system's list gives it.
  options.ports.AddPair(com.toStdString() + "=\\\\.\\" + com.toStdString());
  options.preferencesPath = QFile::encodeName(dir.filePath("preferences.ini")).toStdString();
  options.serialSettingsPath = QFile::encodeName(dir.filePath("Telvaro_Pro.ini")).toStdString();
  auto window = std::make_unique<CMainDlg>(std::move(options));
  std::vector<std::string> texts;
  window->Messages().SetResponder([&](const MessageRequest& request) {
    texts.push_back(request.text.toStdString());
    return MessageAnswer::Ok;
  });
  window->show();
  const auto idle = [&] { return window->RunningWorkers() == 0; };

  auto* selector = window->findChild<QComboBox*>("portSelector");
  selector->setCurrentIndex(selector->findText(com));
  ASSERT_EQ(selector->currentText(), com);
  window->findChild<QPushButton*>("switchButton")->click();  // opens, then reads
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && idle(); }, 20000));
  ASSERT_EQ(texts, std::vector<std::string>{kOperationSucceeded});
  EXPECT_FALSE(window->State().record.Get(field::imei).empty());

  texts.clear();
  window->Page(kBasic)->findChild<QLineEdit*>("deviceNameEdit")->setText(QString::fromStdString(name));
  window->findChild<QToolButton*>("writeButton")->click();  // written, then read back and compared
  ASSERT_TRUE(WaitUntil([&] { return !texts.empty() && idle(); }, 20000));
  EXPECT_EQ(texts, std::vector<std::string>{kWriteSucceeded});
  EXPECT_EQ(window->State().record.Get(field::device_name), name);
  window->WaitForWorkers();
}

}  // namespace
}  // namespace telvaro
