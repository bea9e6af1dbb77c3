// telvaro-modem-sim: a simulated modem on a pseudo-terminal, for trying the
// tool without hardware. Prints the device path first, then one line per frame
// received, and runs until SIGINT or SIGTERM.
#include <signal.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "sim/modem_sim.h"

namespace {

using telvaro::sim::FrameKind;
using telvaro::sim::ReceivedFrame;
using telvaro::sim::SimOptions;

constexpr const char* kUsage =
    "usage: telvaro-modem-sim [options]\n"
    "  --link PATH            make a symbolic link PATH to the device (removed on exit)\n"
    "  --no-io                the modem has no digital I/O (hw_options bit 1 clear)\n"
    "  --silent               never answer anything\n"
    "  --bad-checksum         parameter responses carry a wrong checksum\n"
    "  --stray-byte           send one stray byte before every response\n"
    "  --pause-mid MS         pause MS half-way through every parameter response\n"
    "  --delay MS             wait MS before every answer\n"
    "  --flood                answer get_syspara with 3200 bytes at once\n"
    "  --wire-pacing          send at the 115200 baud wire speed\n"
    "  --reboot-silence MS    stay silent MS after reboot (default 5000)\n"
    "  --loader-start MS      stay silent MS after reboot_ldrom (default 0)\n"
    "  --refuse-packet N:C    answer upgrade packet N with code C (repeatable)\n"
    "  --refuse-times K       refuse each such packet K times, then accept it (default 1)\n"
    "  --stop-after-packet N  stop answering upgrade packets after packet N\n"
    "  --quiet                print only the device line\n"
    "  --help                 show this text\n";

struct Arguments {
  SimOptions options;
  std::string link;
  bool quiet = false;
};

bool ParseInt(std::string_view text, int min, int max, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
  out = value;
  return true;
}

// "N:C": upgrade packet index and the status code to answer it with.
bool ParseRefusal(std::string_view text, SimOptions& options) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  int index = 0;
  int code = 0;
  if (!ParseInt(text.substr(0, colon), 1, 65535, index)) return false;
  if (!ParseInt(text.substr(colon + 1), -128, 127, code)) return false;
  options.packetCodes[index] = code;
  return true;
}

// Returns 0 to run, 1 for --help, 2 on a bad command line (`bad` names the
// argument at fault).
int ParseArguments(int argc, char** argv, Arguments& args, std::string& bad) {
  constexpr int kMaxMs = 3'600'000;
  SimOptions& o = args.options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    bad = arg;
    auto value = [&](std::string_view& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string_view v;
    if (arg == "--help") return 1;
    if (arg == "--no-io") {
      o.digitalIo = false;
    } else if (arg == "--silent") {
      o.silent = true;
    } else if (arg == "--bad-checksum") {
      o.badChecksum = true;
    } else if (arg == "--stray-byte") {
      o.strayByte = true;
    } else if (arg == "--flood") {
      o.flood = true;
    } else if (arg == "--wire-pacing") {
      o.wirePacing = true;
    } else if (arg == "--quiet") {
      args.quiet = true;
    } else if (arg == "--link") {
      if (!value(v) || v.empty()) return 2;
      args.link = std::string(v);
    } else if (arg == "--pause-mid") {
      if (!value(v) || !ParseInt(v, 0, kMaxMs, o.pauseMidResponseMs)) return 2;
    } else if (arg == "--delay") {
      if (!value(v) || !ParseInt(v, 0, kMaxMs, o.delayMs)) return 2;
    } else if (arg == "--reboot-silence") {
      if (!value(v) || !ParseInt(v, 0, kMaxMs, o.rebootSilenceMs)) return 2;
    } else if (arg == "--loader-start") {
      if (!value(v) || !ParseInt(v, 0, kMaxMs, o.loaderStartMs)) return 2;
    } else if (arg == "--refuse-packet") {
      if (!value(v) || !ParseRefusal(v, o)) return 2;
    } else if (arg == "--refuse-times") {
      if (!value(v) || !ParseInt(v, 0, 1'000'000, o.refuseTimes)) return 2;
    } else if (arg == "--stop-after-packet") {
      if (!value(v) || !ParseInt(v, 0, 65535, o.stopAfterPacket)) return 2;
    } else {
      return 2;
    }
  }
  return 0;
}

const char* KindName(FrameKind kind) {
  switch (kind) {
    case FrameKind::GetSysPara: return "get_syspara";
    case FrameKind::SetSysPara: return "set_syspara";
    case FrameKind::Reboot: return "reboot";
    case FrameKind::RebootLdrom: return "reboot_ldrom";
    case FrameKind::UpgradeData: return "upgrade_data";
    case FrameKind::Unknown: return "unknown";
  }
  return "unknown";
}

void PrintFrame(const ReceivedFrame& frame) {
  if (frame.kind == FrameKind::UpgradeData) {
    std::printf("frame %s %zu bytes packet %u/%u\n", KindName(frame.kind), frame.bytes.size(),
                static_cast<unsigned>(frame.index), static_cast<unsigned>(frame.total));
  } else {
    std::printf("frame %s %zu bytes\n", KindName(frame.kind), frame.bytes.size());
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  std::string bad;
  switch (ParseArguments(argc, argv, args, bad)) {
    case 0: break;
    case 1: std::fputs(kUsage, stdout); return 0;
    default:
      std::fprintf(stderr, "telvaro-modem-sim: bad option or value: %s\n", bad.c_str());
      std::fputs(kUsage, stderr);
      return 2;
  }

  // The signals are taken by sigwait below; blocked before any thread starts,
  // so that no simulator thread receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  telvaro::sim::ModemSimulator modem(args.options);
  std::mutex printMutex;
  bool devicePrinted = false;
  if (!args.quiet) {
    modem.SetFrameObserver([&](const ReceivedFrame& frame) {
      std::lock_guard lock(printMutex);
      if (devicePrinted) PrintFrame(frame);
    });
  }
  if (!modem.Start()) {
    std::fputs("telvaro-modem-sim: cannot open a pseudo-terminal\n", stderr);
    return 1;
  }
  {
    std::lock_guard lock(printMutex);
    std::printf("device: %s\n", modem.DevicePath().c_str());
    std::fflush(stdout);
    devicePrinted = true;
  }
  if (!args.link.empty() && !modem.CreateLink(args.link)) {
    std::fprintf(stderr, "telvaro-modem-sim: cannot make the link %s: %s\n", args.link.c_str(),
                 std::strerror(errno));
    modem.Stop();
    return 1;
  }

  int signal = 0;
  sigwait(&stopSignals, &signal);
  modem.Stop();  // also removes the link
  return 0;
}
