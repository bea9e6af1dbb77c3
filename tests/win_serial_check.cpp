// The Win32 serial backend against the simulated modem: run under Wine with
// a Wine COM port mapped to the simulator's pseudo-terminal
// (scripts/build-windows.sh --run). win_serial_check <port number>
// Exit status 0 when "get_syspara" and "set_syspara" got whole answers.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/port_session.h"
#include "protocol/record_checksum.h"

namespace {

using namespace telvaro;
using namespace std::chrono_literals;

class PrintingEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string& text) override { std::printf("message: %s\n", text.c_str()); }
  void PortStateChanged(bool open) override { std::printf("port %s\n", open ? "open" : "closed"); }
};

// The answer once the line has been quiet for 200 ms, as the window takes it.
Bytes AwaitAnswer(PortSession& session) {
  for (int tick = 0; tick < 400; ++tick) {
    std::this_thread::sleep_for(10ms);
    if (session.Received().FillCount() > 0 && PortSession::Clock::now() - session.LastReceived() >= 200ms)
      return session.Received().TakeSnapshot();
  }
  return {};
}

bool IsParameterResponse(const Bytes& answer) {
  if (answer.size() != kParameterResponseSize) return false;
  if (!StartsWith(answer, "MDM_STAall_para") || !EndsWith(answer, "MDM_END")) return false;
  return RecordChecksum(answer.data() + 15, ConfigRecord::kSize) == answer[15 + ConfigRecord::kSize];
}

}  // namespace

int main(int argc, char** argv) {
  const int com = argc > 1 ? std::atoi(argv[1]) : 50;
  PrintingEvents events;
  PortSession session(events);  // COM<n> by the Windows naming rule
  if (session.Open(com) != PortSession::kOpened) return 1;

  int failures = 0;
  if (session.Write(FrameCodec::GetSysParaFrame()) != 0) ++failures;
  const Bytes first = AwaitAnswer(session);
  std::printf("get_syspara: %zu bytes back, %s\n", first.size(), IsParameterResponse(first) ? "good" : "BAD");
  if (!IsParameterResponse(first)) ++failures;

  ConfigRecord record;
  if (IsParameterResponse(first)) record.ReplaceFrom(std::span(first).subspan(15, ConfigRecord::kBlockSize));
  record.Set(field::device_name, "Written under Wine");
  if (session.Write(FrameCodec::SetSysParaFrame(record)) != 0) ++failures;
  const Bytes second = AwaitAnswer(session);
  ConfigRecord echoed;
  if (IsParameterResponse(second)) echoed.ReplaceFrom(std::span(second).subspan(15, ConfigRecord::kBlockSize));
  const bool held = echoed.Get(field::device_name) == "Written under Wine";
  std::printf("set_syspara: %zu bytes back, %s\n", second.size(), held ? "held" : "NOT HELD");
  if (!held) ++failures;

  session.Close();
  std::printf("Win32 serial check: %s\n", failures == 0 ? "good" : "FAILED");
  return failures == 0 ? 0 : 1;
}
