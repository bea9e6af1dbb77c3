// Soak: Read and Write cycles against the simulated modem through the same
// core client telvaro-cli uses ("get_syspara", then the record back with
// "set_syspara"), printing the failures, the time distribution of each and
// the process's memory, threads and descriptors at the start and the end.
// Usage: soak_bench [cycles]   (default 1000; TELVARO_BENCH_DEVICE names an
// outside simulator's device, else one runs in this process)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "operations/modem_client.h"
#include "sim/modem_sim.h"

namespace {

using namespace telvaro;
using Clock = std::chrono::steady_clock;

struct ProcessFigures {
  long rssKiB = 0;
  long threads = 0;
  long descriptors = 0;
};

ProcessFigures Measure() {
  ProcessFigures f;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) f.rssKiB = std::atol(line.c_str() + 6);
    if (line.rfind("Threads:", 0) == 0) f.threads = std::atol(line.c_str() + 8);
  }
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec); it != std::filesystem::directory_iterator();
       ++it)
    ++f.descriptors;
  return f;
}

void PrintDistribution(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * static_cast<double>(ms.size())))]; };
  std::printf("%-6s n=%zu  min %.1f  median %.1f  p90 %.1f  p99 %.1f  max %.1f ms\n", what, ms.size(), ms.front(),
              at(0.5), at(0.9), at(0.99), ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  std::unique_ptr<sim::ModemSimulator> modem;
  std::string device;
  if (const char* outside = std::getenv("TELVARO_BENCH_DEVICE")) {
    device = outside;
  } else {
    modem = std::make_unique<sim::ModemSimulator>();
    if (!modem->Start()) {
      std::fprintf(stderr, "cannot start the simulated modem\n");
      return 1;
    }
    device = modem->DevicePath();
  }
  PortMap ports;
  ports.AddPair("COM50=" + device);
  ModemClient link(ports);
  if (const Result<void> opened = link.Open(50); !opened) {
    std::fprintf(stderr, "%s\n", OneLine(opened.failure()).c_str());
    return 1;
  }

  const ProcessFigures start = Measure();
  std::vector<double> readMs, writeMs;
  int readFailures = 0, writeFailures = 0, wrongRecords = 0;
  const auto soakStart = Clock::now();
  for (int i = 0; i < cycles; ++i) {
    auto t0 = Clock::now();
    const Result<ConfigRecord> read = link.Read();
    readMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (!read) {
      ++readFailures;
      continue;
    }
    ConfigRecord record = read.value();
    record.Set(field::device_name, "Soak " + std::to_string(i));
    t0 = Clock::now();
    const Result<ConfigRecord> written = link.Write(record);
    writeMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (!written) {
      ++writeFailures;
    } else if (written->Get(field::device_name) != "Soak " + std::to_string(i)) {
      ++wrongRecords;  // the answer must be the record just written
    }
    if (modem) modem->ClearFrames();  // the simulator's own log would grow otherwise
    if ((i + 1) % 100 == 0) {
      std::fprintf(stderr, "%d cycles, RSS %ld KiB\n", i + 1, Measure().rssKiB);
    }
  }
  const double minutes = std::chrono::duration<double>(Clock::now() - soakStart).count() / 60;
  const ProcessFigures end = Measure();

  std::printf("%d Read and Write cycles in %.1f min\n", cycles, minutes);
  std::printf("failures: read %d, write %d, written record not the answer %d, messages %zu\n", readFailures,
              writeFailures, wrongRecords, link.Messages().size());
  PrintDistribution("Read", readMs);
  PrintDistribution("Write", writeMs);
  std::printf("RSS %ld KiB -> %ld KiB, threads %ld -> %ld, descriptors %ld -> %ld\n", start.rssKiB, end.rssKiB,
              start.threads, end.threads, start.descriptors, end.descriptors);
  return readFailures + writeFailures + wrongRecords == 0 ? 0 : 1;
}
