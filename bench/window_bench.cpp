// Measures the window against the simulated modem and prints the figures:
// time from start to the window shown, time from Read and from Write to
// "Operation succeed!" beside the protocol's own bound, CPU use of the idle window with
// the port open, and peak memory.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
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

  const double bound = 1651 * 10.0 / 115200 * 1000 + 20 * 10 + 100;
  std::vector<double> reads;
  for (int i = 0; i < 10; ++i) {
    messages.clear();
    QElapsedTimer read;
    read.start();
    window.findChild<QToolButton*>("readButton")->click();
    Serve([&] { return !messages.empty(); }, 8000);
    reads.push_back(static_cast<double>(read.nsecsElapsed()) / 1e6);
    if (messages.empty() || messages.front() != "Operation succeed!") std::fprintf(stderr, "read %d failed\n", i);
  }
  std::sort(reads.begin(), reads.end());
  std::printf("Read to \"Operation succeed!\": median %.0f ms (min %.0f, max %.0f, %zu reads); protocol bound %.0f ms "
              "(1651 bytes of wire time %.0f ms + 20 ticks of 10 ms + one 100 ms poll)\n",
              reads[reads.size() / 2], reads.front(), reads.back(), reads.size(), bound,
              1651 * 10.0 / 115200 * 1000);

  // Write: the 1654-byte frame out and the 1651-byte answer back.
  const double writeWire = (1654 + 1651) * 10.0 / 115200 * 1000;
  const double writeBound = writeWire + 20 * 10 + 100;
  std::vector<double> writes;
  for (int i = 0; i < 10; ++i) {
    messages.clear();
    QElapsedTimer write;
    write.start();
    window.findChild<QToolButton*>("writeButton")->click();
    Serve([&] { return !messages.empty(); }, 8000);
    writes.push_back(static_cast<double>(write.nsecsElapsed()) / 1e6);
    if (messages.empty() || messages.front().find("Operation succeed!") == std::string::npos)
      std::fprintf(stderr, "write %d failed: %s\n", i, messages.empty() ? "no answer" : messages.front().c_str());
  }
  std::sort(writes.begin(), writes.end());
  std::printf("Write to \"Operation succeed!\": median %.0f ms (min %.0f, max %.0f, %zu writes); protocol bound %.0f ms "
              "(1654 + 1651 bytes of wire time %.0f ms + 20 ticks of 10 ms + one 100 ms poll)\n",
              writes[writes.size() / 2], writes.front(), writes.back(), writes.size(), writeBound, writeWire);

  const double cpuBefore = CpuSeconds();
  QElapsedTimer idle;
  idle.start();
  // A real event loop, as the window runs for an operator: it sleeps between
  // the 10 ms timer messages.
  QEventLoop loop;
  QTimer::singleShot(idleSeconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const double cpu = CpuSeconds() - cpuBefore;
  std::printf("idle window, port open: %.3f s CPU in %.1f s = %.2f %% of one core (goal < 1 %%)\n", cpu,
              idle.elapsed() / 1000.0, 100.0 * cpu / (idle.elapsed() / 1000.0));

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory (max RSS): %.1f MiB\n", usage.ru_maxrss / 1024.0);
  window.close();
  return 0;
}
