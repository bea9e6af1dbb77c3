// Network ports: `telvaro-cli apply --units` for four simulated modems by
// their pseudo-terminals against the same four behind ser2net by address
// (raw and RFC 2217); and one Read through ModemClient on a local port
// against the same Read over RFC 2217 on loopback.
// Usage: network_bench [runs]   (default 5; needs ser2net)
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "operations/modem_client.h"
#include "operations/settings_file.h"
#include "sim/modem_sim.h"

extern char** environ;

namespace {

using namespace telvaro;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kUnits = 4;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  (void)::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  (void)::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool Listening(int port) {
  char hex[8];
  std::snprintf(hex, sizeof hex, ":%04X", port);
  std::ifstream in("/proc/net/tcp");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (local.size() > 5 && local.substr(local.size() - 5) == hex && state == "0A") return true;
  }
  return false;
}

double RunApply(const fs::path& dir, const std::vector<std::string>& ports) {
  std::string csv = "port,basic.device_name\n";
  for (std::size_t i = 0; i < ports.size(); ++i) csv += ports[i] + ",BENCH-" + std::to_string(i) + "\n";
  std::ofstream(dir / "units.csv") << csv;
  const auto report = dir / "report.csv";
  fs::remove(report);
  const std::string command = std::string(TELVARO_CLI_PATH) + " apply " + (dir / "base.bin").string() + " --units " +
                              (dir / "units.csv").string() + " --report " + report.string() + " </dev/null >" +
                              (dir / "out").string() + " 2>&1";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "apply failed; see %s\n", (dir / "out").c_str());
    std::exit(1);
  }
  return seconds;
}

// Reads through one client `runs` times; each Read's seconds.
std::vector<double> Reads(const std::string& port, int runs) {
  PortMap map;
  map.AddPair("COM9=" + port);
  ModemClient client(map);
  if (!client.Open(9)) {
    std::fprintf(stderr, "cannot open %s\n", port.c_str());
    std::exit(1);
  }
  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    const auto start = Clock::now();
    if (!client.Read()) {
      std::fprintf(stderr, "a Read on %s failed\n", port.c_str());
      std::exit(1);
    }
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  return seconds;
}

void Print(const char* what, const std::vector<double>& v, double against) {
  std::printf("%-38s median %.3f s (min %.3f, max %.3f; %zu runs)", what, Median(v), *std::min_element(v.begin(), v.end()),
              *std::max_element(v.begin(), v.end()), v.size());
  if (against > 0) std::printf(" = %.3f x local", Median(v) / against);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path dir = fs::temp_directory_path() / ("telvaro-network-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<std::unique_ptr<sim::ModemSimulator>> modems;
  for (int i = 0; i < kUnits; ++i) {
    sim::SimOptions options;
    options.wirePacing = true;
    modems.push_back(std::make_unique<sim::ModemSimulator>(options));
    if (!modems.back()->Start()) return 1;
  }
  ConfigRecord base = modems[0]->StoredRecord();
  base.Set(field::apn, "bench.apn");
  if (!WriteSettingsFile((dir / "base.bin").string(), base).ok()) return 1;

  // Each modem behind ser2net twice: raw and RFC 2217 (one used at a time).
  std::vector<std::string> local, raw, telnet;
  std::string yaml = "%YAML 1.1\n---\n";
  std::vector<int> ports;
  for (int i = 0; i < kUnits; ++i) {
    local.push_back("COM" + std::to_string(60 + i) + "=" + modems[i]->DevicePath());
    for (const bool rfc : {false, true}) {
      const int port = FreePort();
      ports.push_back(port);
      yaml += "connection: &c" + std::to_string(port) + "\n    accepter: " + (rfc ? "telnet(rfc2217)," : "") +
              "tcp,127.0.0.1," + std::to_string(port) + "\n    connector: serialdev," + modems[i]->DevicePath() +
              ",115200n81,local\n";
      (rfc ? telnet : raw).push_back(std::string(rfc ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(port));
    }
  }
  std::ofstream(dir / "ser2net.yaml") << yaml;
  std::vector<std::string> args = {"ser2net", "-n", "-c", (dir / "ser2net.yaml").string(), "-P",
                                   (dir / "ser2net.pid").string()};
  std::vector<char*> argv2;
  for (std::string& a : args) argv2.push_back(a.data());
  argv2.push_back(nullptr);
  pid_t server = -1;
  if (::posix_spawnp(&server, "ser2net", nullptr, nullptr, argv2.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start ser2net (apt-get install ser2net)\n");
    return 1;
  }
  for (int port : ports)
    while (!Listening(port)) std::this_thread::sleep_for(std::chrono::milliseconds(20));

  std::vector<double> fleetLocal, fleetRaw, fleetTelnet, readLocal, readTelnet;
  for (int run = 0; run < runs; ++run) {
    fleetLocal.push_back(RunApply(dir, local));
    fleetRaw.push_back(RunApply(dir, raw));
    fleetTelnet.push_back(RunApply(dir, telnet));
  }
  for (int run = 0; run < runs; ++run) {
    for (double s : Reads(modems[0]->DevicePath(), 5)) readLocal.push_back(s);
    for (double s : Reads(telnet[0], 5)) readTelnet.push_back(s);
  }
  ::kill(server, SIGTERM);
  int status = 0;
  ::waitpid(server, &status, 0);
  fs::remove_all(dir);

  std::printf("four units, apply --units:\n");
  Print("  local pseudo-terminals", fleetLocal, 0);
  Print("  ser2net, tcp:// (goal 1.2 x)", fleetRaw, Median(fleetLocal));
  Print("  ser2net, rfc2217:// (goal 1.2 x)", fleetTelnet, Median(fleetLocal));
  std::printf("one Read through ModemClient:\n");
  Print("  local pseudo-terminal", readLocal, 0);
  Print("  rfc2217:// on loopback (goal 1.1 x)", readTelnet, Median(readLocal));
  return 0;
}
