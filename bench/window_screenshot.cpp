// Takes the pictures in docs/: the window after a successful Read against the
// simulated modem. Run it under a real X server (scripts/screenshot.sh uses
// Xvfb):
//   window_screenshot OUTPUT.png [--tab N] [--dark] [--port-list] [--lang CODE]
//                    [--size WxH] [--scroll-bottom] [--edited] [--list]
//                    [--first-sight] [--question]
// --tab shows page N (the Networks page by default), --dark gives the window a
// dark palette, --port-list opens the port selector's list as well, with a few
// USB adapters beside the simulated modem. --lang starts the window in another
// language as telvaro-pro --lang does, --size resizes the window, and
// --scroll-bottom scrolls the page area to its end. --edited changes Device
// Name so the marks of a change not yet written show, --list opens the list of
// them over the window. --first-sight takes the window as it opens, before
// any port is opened; --question edits Device Name and takes the question
// Read asks before it throws the edit away, over the window. QT_SCALE_FACTOR
// scales the window.
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QScreen>
#include <QStyleFactory>
#include <QTabBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/language.h"
#include "app/main_dialog.h"
#include "pages/config_page.h"
#include "sim/modem_sim.h"

namespace {

void Settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QPalette DarkPalette() {
  QPalette dark;
  const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe0, 0xe0, 0xe0);
  dark.setColor(QPalette::Window, window);
  dark.setColor(QPalette::WindowText, text);
  dark.setColor(QPalette::Base, base);
  dark.setColor(QPalette::AlternateBase, window);
  dark.setColor(QPalette::Text, text);
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, text);
  dark.setColor(QPalette::ToolTipBase, base);
  dark.setColor(QPalette::ToolTipText, text);
  dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
  return dark;
}

// The window with its frame as the screen shows it, and any popup over it.
QPixmap Grab(QWidget& window, QWidget* popup) {
  QRect area = window.frameGeometry();
  if (popup) area = area.united(popup->frameGeometry()).adjusted(-8, -8, 8, 8);
  QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  if (!shot.isNull() && shot.width() > 1) return shot;
  // No screen to grab from (offscreen): compose the widgets themselves.
  shot = QPixmap(area.size());
  shot.fill(Qt::black);
  QPainter painter(&shot);
  painter.drawPixmap(window.geometry().topLeft() - area.topLeft(), window.grab());
  if (popup) painter.drawPixmap(popup->geometry().topLeft() - area.topLeft(), popup->grab());
  return shot;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* output = nullptr;
  int tab = telvaro::kPageCount - 1;
  bool dark = false, portList = false, scrollBottom = false, edited = false, list = false;
  bool firstSight = false, question = false;
  int width = 0, height = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tab") == 0 && i + 1 < argc) {
      tab = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--dark") == 0) {
      dark = true;
    } else if (std::strcmp(argv[i], "--port-list") == 0) {
      portList = true;
    } else if (std::strcmp(argv[i], "--lang") == 0 && i + 1 < argc) {
      telvaro::InstallLanguage(argv[++i]);
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) width = height = 0;
    } else if (std::strcmp(argv[i], "--scroll-bottom") == 0) {
      scrollBottom = true;
    } else if (std::strcmp(argv[i], "--edited") == 0) {
      edited = true;
    } else if (std::strcmp(argv[i], "--list") == 0) {
      edited = list = true;
    } else if (std::strcmp(argv[i], "--first-sight") == 0) {
      firstSight = true;
    } else if (std::strcmp(argv[i], "--question") == 0) {
      edited = question = true;
    } else if (!output && argv[i][0] != '-') {
      output = argv[i];
    } else {
      output = nullptr;
      break;
    }
  }
  if (!output) {
    std::fprintf(stderr,
                 "usage: window_screenshot OUTPUT.png [--tab N] [--dark] [--port-list] [--lang CODE] [--size WxH] "
                 "[--scroll-bottom] [--edited] [--list] [--first-sight] [--question]\n");
    return 2;
  }
  if (dark) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(DarkPalette());
  }

  telvaro::sim::ModemSimulator modem;
  if (!modem.Start()) return 1;
  telvaro::MainDlgOptions options;
  options.ports.AddPair("COM50=" + modem.DevicePath());
  options.rememberedPort = 50;
  if (portList) {
    // What a bench with two adapters and a modem on its own USB port shows.
    options.portTable = [] {
      telvaro::SystemPortTable table;
      table.ports = {{"", "/dev/ttyUSB0", "FT232R USB UART"},
                     {"", "/dev/ttyUSB1", "CP2102 USB to UART Bridge Controller"},
                     {"", "/dev/ttyACM0", "Telvaro GSM Modem"}};
      return table;
    };
  }
  telvaro::CMainDlg window(std::move(options));
  bool succeeded = false;
  window.Messages().SetResponder([&](const telvaro::MessageRequest& request) {
    succeeded = succeeded || request.text == "Operation succeed!";
    return telvaro::MessageAnswer::Ok;
  });
  if (width > 0 && height > 0) window.resize(width, height);
  window.show();
  if (firstSight) {
    Settle(500);
    const QPixmap shot = Grab(window, nullptr);
    if (!shot.save(output)) return 1;
    std::printf("%s: %dx%d\n", output, shot.width(), shot.height());
    return 0;
  }
  window.findChild<QPushButton*>("switchButton")->click();
  QElapsedTimer timer;
  timer.start();
  while (!succeeded && timer.elapsed() < 8000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  window.TabBar()->setCurrentIndex(tab);
  if (edited) {
    auto* name = window.Page(telvaro::kBasic)->findChild<QLineEdit*>("deviceNameEdit");
    name->setText(name->text() + "-2");
  }
  Settle(300);
  if (scrollBottom) {
    auto* area = window.findChild<QScrollArea*>("tabPane");
    if (area) area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
  }
  Settle(200);

  QWidget* popup = nullptr;
  if (portList) {
    // The operator chooses with the port closed; room above for the list.
    window.findChild<QPushButton*>("switchButton")->click();
    window.move(24, 72);
    Settle(300);
    auto* selector = window.findChild<QComboBox*>("portSelector");
    if (!selector) {
      std::fprintf(stderr, "no port selector\n");
      return 1;
    }
    selector->showPopup();
    Settle(500);
    popup = selector->view()->window();
  }
  if (question) {
    // The real box, as the window shows it: taken while it waits, then
    // answered the safe way.
    window.RecomputePending();
    bool saved = false;
    window.Messages().SetResponder({});
    QTimer::singleShot(800, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (box) {
        saved = Grab(window, box).save(output);
        box->close();
      }
    });
    window.ReadParameters();
    if (!saved) {
      std::fprintf(stderr, "no question to take\n");
      return 1;
    }
    std::printf("%s\n", output);
    window.RevertPending(-1);
    return 0;
  }
  std::unique_ptr<telvaro::PendingListDialog> pendingList;
  if (list) {
    window.RecomputePending();
    pendingList = std::make_unique<telvaro::PendingListDialog>(&window, window.Pending(),
                                                               [&](int page) { return window.PageName(page); });
    pendingList->show();
    pendingList->move(window.geometry().topLeft() + QPoint(8, 120));
    Settle(500);
    popup = pendingList.get();
  }
  const QPixmap shot = Grab(window, popup);
  if (!succeeded || !shot.save(output)) {
    std::fprintf(stderr, "no screenshot: read %s\n", succeeded ? "succeeded" : "failed");
    return 1;
  }
  std::printf("%s: %dx%d\n", output, shot.width(), shot.height());
  if (popup) popup->hide();
  pendingList.reset();
  window.RevertPending(-1);  // closing asks about changes not written
  window.close();
  return 0;
}
