// ser2net for tests: started on 127.0.0.1 with a configuration of its own in
// front of the simulator's pseudo-terminals, stopped by the test.
#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace telvaro {

// A TCP port nobody listens on right now.
inline int FreePort() {
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

inline bool Listening(int port) {
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

inline bool HaveSer2net() { return std::system("command -v ser2net >/dev/null 2>&1") == 0; }

// ser2net started with a configuration of its own, stopped by the test.
class Ser2net {
 public:
  struct Line {
    int port;
    std::string device;
    bool telnet;
    std::string settings;  // "115200n81"
  };
  Ser2net(const std::filesystem::path& dir, std::vector<Line> lines) : dir_(dir), lines_(std::move(lines)) {}
  ~Ser2net() { Stop(); }

  bool Start() {
    std::string yaml = "%YAML 1.1\n---\n";
    for (const Line& l : lines_)
      yaml += "connection: &port" + std::to_string(l.port) + "\n    accepter: " + (l.telnet ? "telnet(rfc2217)," : "") +
              "tcp,127.0.0.1," + std::to_string(l.port) + "\n    connector: serialdev," + l.device + "," +
              l.settings + ",local\n";
    std::ofstream((dir_ / "ser2net.yaml").string()) << yaml;
    const std::string config = (dir_ / "ser2net.yaml").string(), pid = (dir_ / "ser2net.pid").string();
    std::vector<std::string> args = {"ser2net", "-n", "-c", config, "-P", pid};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid_, "ser2net", nullptr, nullptr, argv.data(), environ) != 0) return false;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (const Line& l : lines_)
      while (!Listening(l.port))
        if (std::chrono::steady_clock::now() > limit) return false;
        else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
  }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  std::filesystem::path dir_;
  std::vector<Line> lines_;
  pid_t pid_ = -1;
};

}  // namespace telvaro
