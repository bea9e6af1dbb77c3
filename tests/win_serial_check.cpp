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
#include "protocol/frame_codec.h"
#include "protocol/response_dispatch.h"
#include "record/config_record.h"

namespace {

using namespace telvaro;
using namespace std::chrono_literals;

class PrintingEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string& text) override { std::printf("message: %s\n", text.c_str()); }
  void PortStateChanged(bool open) override { std::printf("port %s\n", open ? "open" : "closed"); }
};

// The answer once the line has been quiet for 200 ms, as the window takes it,
// and how long after the request its first byte reached the buffer: with a
// reader that sleeps until input arrives, that is the modem's own delay.
struct Answer {
  Bytes bytes;
  long long firstByteMs = -1;
};

long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

Answer AwaitAnswer(PortSession& session, std::chrono::steady_clock::time_point sent) {
  Answer answer;
  for (int tick = 0; tick < 4000; ++tick) {
    std::this_thread::sleep_for(1ms);
    if (session.Received().FillCount() == 0) continue;
    if (answer.firstByteMs < 0) answer.firstByteMs = MsSince(sent);
    if (PortSession::Clock::now() - session.LastReceived() >= 200ms) {
      answer.bytes = session.Received().TakeSnapshot();
      break;
    }
  }
  return answer;
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
  auto sent = std::chrono::steady_clock::now();
  if (session.Write(FrameCodec::GetSysParaFrame()) != 0) ++failures;
  const Answer first = AwaitAnswer(session, sent);
  const bool good = IsParameterResponse(first.bytes);
  std::printf("get_syspara: %zu bytes back, %s, first byte after %lld ms\n", first.bytes.size(), good ? "good" : "BAD",
              first.firstByteMs);
  if (!good) ++failures;

  ConfigRecord record;
  if (good) record.ReplaceFrom(std::span(first.bytes).subspan(15, ConfigRecord::kBlockSize));
  record.Set(field::device_name, "Written under Wine");
  sent = std::chrono::steady_clock::now();
  if (session.Write(FrameCodec::SetSysParaFrame(record)) != 0) ++failures;
  const long long writeMs = MsSince(sent);
  const Answer second = AwaitAnswer(session, sent);
  ConfigRecord echoed;
  if (IsParameterResponse(second.bytes)) echoed.ReplaceFrom(std::span(second.bytes).subspan(15, ConfigRecord::kBlockSize));
  const bool held = echoed.Get(field::device_name) == "Written under Wine";
  std::printf("set_syspara: %zu bytes back, %s, written in %lld ms, first byte after %lld ms\n", second.bytes.size(),
              held ? "held" : "NOT HELD", writeMs, second.firstByteMs);
  if (!held) ++failures;

  // The reader is asleep waiting for input now; closing wakes it at once.
  std::this_thread::sleep_for(300ms);
  const auto closing = std::chrono::steady_clock::now();
  session.Close();
  const long long closeMs = MsSince(closing);
  std::printf("closed in %lld ms\n", closeMs);
  if (closeMs > 500) ++failures;
  // A port with no device: the first line, then the device and the reason.
  PortSession missing(events);
  if (missing.Open(99) != PortSession::kOpenFailed) ++failures;
  std::printf("Win32 serial check: %s\n", failures == 0 ? "good" : "FAILED");
  return failures == 0 ? 0 : 1;
}
