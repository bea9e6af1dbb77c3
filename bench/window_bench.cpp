// Measures the window against the simulated modem and prints the figures:
// time from start to the window shown, time from Read and from Write to
// "Operation succeed!" beside the protocol's own bound, the cost of typing into
// a page (each key, and the recount of changes not written that follows a
// pause), CPU use of the idle window with the port open, and peak memory.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "pages/config_page.h"
#include "sim/modem_sim.h"

namespace {

using namespace telvaro;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Condition>
bool Serve(Condition condition, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  QApplication app(argc, argv);
  const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

  sim::SimOptions simOptions;
  simOptions.wirePacing = true;  // answers take their real wire time
  // The simulator runs in this process unless TELVARO_BENCH_DEVICE names the
  // device of one running apart (so its own CPU is not counted).
  sim::ModemSimulator modem(simOptions);
  const char* external = std::getenv("TELVARO_BENCH_DEVICE");
  if (!external && !modem.Start()) return 1;

  MainDlgOptions options;
  options.ports.AddPair("COM50=" + (external ? std::string(external) : modem.DevicePath()));
  options.rememberedPort = 50;
  CMainDlg window(std::move(options));
  std::vector<std::string> messages;
  window.Messages().SetResponder([&](const MessageRequest& r) {
    messages.push_back(r.text.toStdString());
    return MessageAnswer::Ok;
  });
  window.show();
  Serve([&] { return window.isVisible(); }, 5000);
  QApplication::processEvents();
  std::printf("start to window shown: %lld ms\n", static_cast<long long>(sinceStart.elapsed()));

  window.findChild<QPushButton*>("switchButton")->click();
  Serve([&] { return !messages.empty(); }, 8000);

  // Presses a command button ten times and prints the times to its success
  // message beside the line's own time and the goal of 1.25 times it: a
  // complete answer is taken as its last byte arrives.
  const auto measure = [&](const char* button, const char* what, double wireBytes) {
    const double wire = wireBytes * 10.0 / 115200 * 1000;
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) {
      messages.clear();
      QElapsedTimer timer;
      timer.start();
      window.findChild<QToolButton*>(button)->click();
      Serve([&] { return !messages.empty(); }, 8000);
      times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      if (messages.empty() || messages.front().find("Operation succeed!") == std::string::npos)
        std::fprintf(stderr, "%s %d failed: %s\n", what, i, messages.empty() ? "no answer" : messages.front().c_str());
    }
    std::sort(times.begin(), times.end());
    std::printf("%s to \"Operation succeed!\": median %.0f ms (min %.0f, max %.0f, %zu runs); line's time %.0f ms "
                "(%.0f bytes at 115200 baud); goal 1.25 x = %.0f ms\n",
                what, times[times.size() / 2], times.front(), times.back(), times.size(), wire, wireBytes, 1.25 * wire);
  };
  measure("readButton", "Read", 25 + 1651);  // the request out and the answer back
  measure("writeButton", "Write", 1654 + 1651);  // the frame out and the answer back

  // Typing 200 characters into Device Name (20 at most, so it is emptied as
  // it fills): the key itself, and the recount of pending changes that the
  // window runs once typing pauses, here after every key.
  auto* name = window.Page(kBasic)->findChild<QLineEdit*>("deviceNameEdit");
  const QString original = name->text();
  std::vector<double> keyMs, recountMs;
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  for (int i = 0; i < 200; ++i) {
    if (name->text().size() >= 20) name->clear();
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(name, &press);
    QApplication::sendEvent(name, &release);
    keyMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    timer.restart();
    window.RecomputePending();
    recountMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::printf("typing 200 characters into Device Name: key handled in median %.3f ms (max %.3f); recount of "
              "changes not written median %.3f ms (max %.3f), %zu listed at the end (goal < 2 ms median)\n",
              median(keyMs), *std::max_element(keyMs.begin(), keyMs.end()), median(recountMs),
              *std::max_element(recountMs.begin(), recountMs.end()), window.Pending().changes.size());
  name->setText(original);
  window.RecomputePending();

  const double cpuBefore = CpuSeconds();
  QElapsedTimer idle;
  idle.start();
  // A real event loop, as the window runs for an operator: it sleeps between
  // the 10 ms timer messages.
  QEventLoop loop;
  QTimer::singleShot(idleSeconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const double cpu = CpuSeconds() - cpuBefore;
  const double idleSecondsRun = static_cast<double>(idle.elapsed()) / 1000.0;
  std::printf("idle window, port open: %.3f s CPU in %.1f s = %.2f %% of one core (goal < 0.1 %%)\n", cpu,
              idleSecondsRun, 100.0 * cpu / idleSecondsRun);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory (max RSS): %.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  window.close();
  return 0;
}
