// Takes the README's screenshot: the window after a successful Read against
// the simulated modem. Run it under a real X server (scripts/screenshot.sh
// uses Xvfb): window_screenshot OUTPUT.png [TAB POSITION]
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <cstdio>
#include <cstdlib>

#include "app/main_dialog.h"
#include "sim/modem_sim.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_screenshot OUTPUT.png\n");
    return 2;
  }
  telvaro::sim::ModemSimulator modem;
  if (!modem.Start()) return 1;
  telvaro::MainDlgOptions options;
  options.ports.AddPair("COM50=" + modem.DevicePath());
  options.rememberedPort = 50;
  telvaro::CMainDlg window(std::move(options));
  bool succeeded = false;
  window.Messages().SetResponder([&](const telvaro::MessageRequest& request) {
    succeeded = succeeded || request.text == "Operation succeed!";
    return telvaro::MessageAnswer::Ok;
  });
  window.show();
  window.findChild<QPushButton*>("switchButton")->click();
  QElapsedTimer timer;
  timer.start();
  while (!succeeded && timer.elapsed() < 8000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  // The Networks tab shows what the Read brought, unless another tab position
  // is asked for: window_screenshot OUTPUT.png [POSITION]
  window.TabBar()->setCurrentIndex(argc > 2 ? std::atoi(argv[2]) : telvaro::kPageCount - 1);
  // Let the window settle, then take it with its frame as the screen shows it.
  timer.restart();
  while (timer.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 20);
  const QRect frame = window.frameGeometry();
  QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (shot.isNull() || shot.width() <= 1) shot = window.grab();
  if (!succeeded || !shot.save(argv[1])) {
    std::fprintf(stderr, "no screenshot: read %s\n", succeeded ? "succeeded" : "failed");
    return 1;
  }
  std::printf("%s: %dx%d\n", argv[1], shot.width(), shot.height());
  window.close();
  return 0;
}
