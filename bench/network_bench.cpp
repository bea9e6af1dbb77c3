// Network ports: `telvaro-cli apply --units` for four simulated modems by
// their pseudo-terminals against the same four behind ser2net by address
// (raw and RFC 2217); and one Read through ModemClient on a local port
// against the same Read over RFC 2217 on loopback, and through a proxy that
// holds every chunk 25 ms each way (a 50 ms round trip).
// Usage: network_bench [runs]   (default 5; needs ser2net)
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/tcp.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
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

// Accepts one connection at a time on its own port and forwards it to
// `target`, each chunk delivered `delay` after it arrived, both ways.
class DelayProxy {
 public:
  DelayProxy(int target, std::chrono::milliseconds delay) : target_(target), delay_(delay) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    (void)::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    (void)::listen(listener_, 4);
    (void)::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~DelayProxy() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  int Port() const { return port_; }

 private:
  struct Chunk {
    Clock::time_point due;
    std::string bytes;
  };
  void Serve() {
    while (!stop_) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      const int server = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a.sin_port = htons(static_cast<std::uint16_t>(target_));
      if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
      for (int fd : {client, server}) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      }
      Forward(client, server);
      ::close(client);
      ::close(server);
    }
  }
  void Forward(int a, int b) {
    std::deque<Chunk> toB, toA;
    char buffer[4096];
    for (;;) {
      const auto now = Clock::now();
      for (auto* q : {&toB, &toA})
        while (!q->empty() && q->front().due <= now) {
          (void)!::send(q == &toB ? b : a, q->front().bytes.data(), q->front().bytes.size(), MSG_NOSIGNAL);
          q->pop_front();
        }
      int wait = 50;
      for (auto* q : {&toB, &toA})
        if (!q->empty())
          wait = std::min<int>(wait, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                          q->front().due - now).count()) + 1);
      pollfd p[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
      if (::poll(p, 2, std::max(wait, 0)) < 0) return;
      for (int i = 0; i < 2; ++i) {
        if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = ::recv(p[i].fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        (i == 0 ? toB : toA).push_back({Clock::now() + delay_, std::string(buffer, static_cast<std::size_t>(n))});
      }
    }
  }

  int target_;
  std::chrono::milliseconds delay_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

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

  std::vector<double> fleetLocal, fleetRaw, fleetTelnet, readLocal, readTelnet, readFar;
  for (int run = 0; run < runs; ++run) {
    fleetLocal.push_back(RunApply(dir, local));
    fleetRaw.push_back(RunApply(dir, raw));
    fleetTelnet.push_back(RunApply(dir, telnet));
  }
  for (int run = 0; run < runs; ++run) {
    for (double s : Reads(modems[0]->DevicePath(), 5)) readLocal.push_back(s);
    for (double s : Reads(telnet[0], 5)) readTelnet.push_back(s);
  }
  {
    DelayProxy far(std::atoi(telnet[0].substr(telnet[0].rfind(':') + 1).c_str()), std::chrono::milliseconds(25));
    for (int run = 0; run < runs; ++run)
      for (double s : Reads("rfc2217://127.0.0.1:" + std::to_string(far.Port()), 5)) readFar.push_back(s);
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
  Print("  rfc2217://, 50 ms round trip", readFar, Median(readLocal));
  return 0;
}
