// telvaro-cli: the modem's link from a terminal, for scripts and checks.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/port_session.h"
#include "protocol/record_checksum.h"

namespace {

using namespace telvaro;
using namespace std::chrono_literals;

constexpr int kExitOk = 0;
constexpr int kExitModemFailed = 1;
constexpr int kExitUsage = 2;

class StderrEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void PortStateChanged(bool) override {}
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: telvaro-cli probe --port COM<n>[=<device path>]\n"
               "  probe  sends \"get_syspara\" and reports the modem's answer\n"
               "Ports: COM<n>=<path> pairs from --port (repeatable) and TELVARO_PORTS.\n");
}

// Waits as the window does: the answer is complete once the line has been
// quiet for 20 ticks of 10 ms; gives up after 40 polls of 100 ms.
Bytes AwaitAnswer(PortSession& session) {
  constexpr auto kTick = 10ms;
  constexpr int kQuietTicks = 20;
  const auto deadline = std::chrono::steady_clock::now() + 4100ms;
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kTick);
    if (session.AddSilenceTick() > kQuietTicks && session.Received().FillCount() > 0)
      return session.Received().TakeSnapshot();
  }
  return {};
}

int Probe(PortSession& session, int com) {
  if (session.Open(com) != PortSession::kOpened) return kExitModemFailed;
  session.Write(FrameCodec::GetSysParaFrame());
  const Bytes answer = AwaitAnswer(session);
  session.Close();
  if (answer.empty()) {
    std::fprintf(stderr, "COM%d: no answer from the modem\n", com);
    return kExitModemFailed;
  }
  const bool framed = StartsWith(answer, marker::kResponseStart) && EndsWith(answer, marker::kResponseEnd);
  const std::size_t bodyStart = marker::kResponseStart.size() + kParametersWord.size();
  if (!framed || answer.size() < bodyStart + marker::kResponseEnd.size() + 1 ||
      !StartsWith(std::span(answer).subspan(marker::kResponseStart.size()), kParametersWord)) {
    std::fprintf(stderr, "COM%d: %zu bytes that are not a parameter response\n", com, answer.size());
    return kExitModemFailed;
  }
  const std::size_t recordBytes = answer.size() - bodyStart - marker::kResponseEnd.size() - 1;
  const std::uint8_t computed = RecordChecksum(answer.data() + bodyStart, static_cast<std::ptrdiff_t>(recordBytes));
  const std::uint8_t received = answer[bodyStart + recordBytes];
  if (computed != received) {
    std::fprintf(stderr, "COM%d: bad chksum (%02X-%02X)\n", com, computed, received);
    return kExitModemFailed;
  }
  ConfigRecord record;
  record.ReplaceFrom(std::span(answer).subspan(bodyStart, answer.size() - bodyStart - marker::kResponseEnd.size()));
  std::printf("COM%d: parameter response of %zu bytes, checksum %02X good\n", com, answer.size(), computed);
  std::printf("device name: %s\nstatus: %s\noperator: %s\nsignal: %d\n",
              record.Get(field::device_name).c_str(), record.Get(field::status_text).c_str(),
              record.Get(field::operator_name).c_str(), record.Get(field::rssi));
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage();
    return args.empty() ? kExitUsage : kExitOk;
  }
  PortMap ports;
  if (const std::string bad = ports.AddPairsFromEnvironment(); !bad.empty()) {
    std::fprintf(stderr, "TELVARO_PORTS: not a COM<n>=<path> pair: %s\n", bad.c_str());
    return kExitUsage;
  }
  int com = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--port" && i + 1 < args.size()) {
      const std::string_view value = args[++i];
      if (value.find('=') != std::string_view::npos) {
        if (!ports.AddPair(value)) {
          std::fprintf(stderr, "--port: not a COM<n>=<path> pair: %.*s\n", static_cast<int>(value.size()), value.data());
          return kExitUsage;
        }
      }
      const auto parsed = ParseComName(value.substr(0, value.find('=')));
      if (!parsed) {
        std::fprintf(stderr, "--port: not a COM<n> port: %.*s\n", static_cast<int>(value.size()), value.data());
        return kExitUsage;
      }
      com = *parsed;
    } else {
      std::fprintf(stderr, "unknown argument: %.*s\n", static_cast<int>(args[i].size()), args[i].data());
      PrintUsage();
      return kExitUsage;
    }
  }
  if (args[0] != "probe" || com == 0) {
    PrintUsage();
    return kExitUsage;
  }
  StderrEvents events;
  PortSession session(events, ports);
  return Probe(session, com);
}
