// What the GUI tests share: waiting for a condition while the window's
// events (timer, worker calls) are served.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace telvaro {

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(5);
  }
  return true;
}

}  // namespace telvaro

// The simulated modem runs on a POSIX pseudo-terminal: the Windows build's
// GUI tests are those without it.
#ifndef _WIN32
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "sim/modem_sim.h"

namespace telvaro {

// The window against a simulated modem on COM<kSimPort>. Every message's
// text, icon and caption is kept; a Yes/No question gets `answer`, a
// question before work is lost `choice` (Act, GoOn or Cancel), any other box
// OK. A fixture that answers otherwise overrides Respond.
class WindowWithModem : public ::testing::Test {
 protected:
  static constexpr int kSimPort = 50;

  void StartModem(sim::SimOptions simOptions = {}) {
    modem = std::make_unique<sim::ModemSimulator>(simOptions);
    ASSERT_TRUE(modem->Start());
  }

  // Opens the window with the modem's port listed (when there is a modem)
  // and `systemPorts` as the system's port table.
  void OpenWindow(MainDlgOptions options = {}) {
    if (modem) options.ports.AddPair("COM" + std::to_string(kSimPort) + "=" + modem->DevicePath());
    // The operator's preferences stay with this test.
    if (options.preferencesPath.empty())
      options.preferencesPath = QFile::encodeName(preferencesDir.filePath("preferences.ini")).toStdString();
    // So do the upgrade's backups.
    if (options.backupDir.isEmpty()) options.backupDir = preferencesDir.filePath("backups");
    options.portTable = [ports = systemPorts] { return ports; };
    window = std::make_unique<CMainDlg>(std::move(options));
    window->Messages().SetResponder([this](const MessageRequest& request) { return Respond(request); });
    window->show();
  }

  void StartWindow(sim::SimOptions simOptions = {}, MainDlgOptions options = {}) {
    StartModem(simOptions);
    if (!HasFatalFailure()) OpenWindow(std::move(options));
  }

  virtual MessageAnswer Respond(const MessageRequest& request) {
    texts.push_back(request.text.toStdString());
    icons.push_back(request.icon);
    captions.push_back(request.caption.toStdString());
    if (request.buttons == MessageButtons::ActFirst) return choice;
    return request.buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
  }

  // Selects the simulator's port and presses the switch button.
  QPushButton* PressOpen() {
    auto* selector = window->findChild<QComboBox*>("portSelector");
    selector->setCurrentIndex(selector->findText(QString("COM%1").arg(kSimPort)));
    auto* switchButton = window->findChild<QPushButton*>("switchButton");
    switchButton->click();
    return switchButton;
  }

  // Read, Write, Default, Reboot and Exit.
  bool CommandButtonsEnabled() const {
    for (const char* name : {"readButton", "writeButton", "defaultButton", "rebootButton", "exitButton"})
      if (!window->findChild<QToolButton*>(name)->isEnabled()) return false;
    return true;
  }

  void TearDown() override {
    if (window) {
      window->WaitForWorkers();
      window.reset();
    }
  }

  SystemPortTable systemPorts;
  QTemporaryDir preferencesDir;
  std::unique_ptr<sim::ModemSimulator> modem;
  std::unique_ptr<CMainDlg> window;
  std::vector<std::string> texts;
  std::vector<MessageIcon> icons;
  std::vector<std::string> captions;
  MessageAnswer answer = MessageAnswer::Ok;
  MessageAnswer choice = MessageAnswer::Cancel;
};

}  // namespace telvaro
#endif  // _WIN32
