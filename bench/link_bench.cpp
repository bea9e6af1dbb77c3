// Measures the serial link against the simulated modem and prints the figures:
// the reader's CPU use while a port stays open and silent, and the time
// PortSession::Write takes for the 1654-byte "set_syspara" frame.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "link/port_session.h"
#include "sim/modem_sim.h"

namespace {

using namespace telvaro;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class QuietEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
  void PortStateChanged(bool) override {}
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

  sim::ModemSimulator modem;
  if (!modem.Start()) {
    std::fprintf(stderr, "cannot start the simulated modem\n");
    return 1;
  }
  PortMap ports;
  ports.AddPair("COM50=" + modem.DevicePath());
  QuietEvents events;
  PortSession session(events, ports);
  if (session.Open(50) != PortSession::kOpened) return 1;

  // Idle: the port open, nothing on the line. The simulator's own thread
  // blocks in poll() meanwhile, so the process CPU is the reader's.
  const double cpuBefore = CpuSeconds();
  const auto wallBefore = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
  std::printf("reader idle CPU: %.4f s over %.1f s = %.3f %% of one core (goal < 0.5 %%)\n", cpu, wall,
              100.0 * cpu / wall);

  // Write of the 1654-byte frame, one byte per call, over a pseudo-terminal.
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  const Bytes frame = FrameCodec::SetSysParaFrame(record);
  std::vector<double> ms;
  for (int i = 0; i < 20; ++i) {
    const auto start = Clock::now();
    if (session.Write(frame) != 0) std::fprintf(stderr, "write %d failed\n", i);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    modem.WaitForFrames(static_cast<std::size_t>(i + 1), 2s);
    std::this_thread::sleep_for(300ms);  // let the answer drain
    session.Received().TakeSnapshot();
  }
  std::sort(ms.begin(), ms.end());
  std::printf("Write(1654 bytes) on a pseudo-terminal: median %.2f ms, min %.2f ms, max %.2f ms (%zu runs)\n",
              ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
  std::printf("  for comparison, 1654 bytes of wire time at 115200 baud: %.1f ms\n", 1654 * 10.0 / 115200 * 1000);
  session.Close();
  return 0;
}
