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

#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "sim/modem_sim.h"

namespace telvaro {

// The window against a simulated modem on COM<kSimPort>; every message is
// answered OK and its text kept in `texts`.
class WindowWithModem : public ::testing::Test {
 protected:
  static constexpr int kSimPort = 50;

  void StartWindow(sim::SimOptions simOptions = {}) {
    modem = std::make_unique<sim::ModemSimulator>(simOptions);
    ASSERT_TRUE(modem->Start());
    MainDlgOptions options;
    options.ports.AddPair("COM" + std::to_string(kSimPort) + "=" + modem->DevicePath());
    options.portTable = [] { return SystemPortTable{}; };
    window = std::make_unique<CMainDlg>(std::move(options));
    window->Messages().SetResponder([this](const MessageRequest& request) {
      texts.push_back(request.text.toStdString());
      return MessageAnswer::Ok;
    });
    window->show();
  }

  // Selects the simulator's port and presses the switch button.
  QPushButton* PressOpen() {
    auto* selector = window->findChild<QComboBox*>("portSelector");
    selector->setCurrentIndex(selector->findText(QString("COM%1").arg(kSimPort)));
    auto* switchButton = window->findChild<QPushButton*>("switchButton");
    switchButton->click();
    return switchButton;
  }

  void TearDown() override {
    if (window) {
      window->WaitForWorkers();
      window.reset();
    }
  }

  std::unique_ptr<sim::ModemSimulator> modem;
  std::unique_ptr<CMainDlg> window;
  std::vector<std::string> texts;
};

}  // namespace telvaro
