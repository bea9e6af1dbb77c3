// telvaro-modem-sim: a simulated modem on a pseudo-terminal, for trying the
// tool without hardware. Prints the device path first, then one line per frame
// received, and runs until SIGINT or SIGTERM.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "operations/settings_file.h"
#include "record/setting_rules.h"
#include "sim/modem_sim.h"

namespace {

using telvaro::sim::FrameKind;
using telvaro::sim::ReceivedFrame;
using telvaro::sim::SimOptions;

struct Arguments {
  SimOptions options;
  std::string link;
  std::string imei;   // --imei: this simulator's own identity
  std::string name;   // --name: its device name
  std::string state;  // --state FILE: its record kept between runs
  std::vector<std::string> refusals;  // --refuse-packet N:C, in order
  bool quiet = false;
};

bool ParseInt(std::string_view text, int min, int max, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
  out = value;
  return true;
}

// A whole decimal number in [min, max]; passed on as plain decimal, so that
// "010" stays ten.
CLI::Validator Decimal(int min, int max) {
  return CLI::Validator(
      [min, max](std::string& text) {
        int value = 0;
        if (!ParseInt(text, min, max, value)) return "not a number from " + std::to_string(min) + " to " + std::to_string(max);
        text = std::to_string(value);
        return std::string();
      },
      "");
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

void Declare(CLI::App& app, Arguments& args) {
  constexpr int kMaxMs = 3'600'000;
  SimOptions& o = args.options;
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_help_flag("--help", "show this text");
  app.add_option("--link", args.link, "make a symbolic link PATH to the device (removed on exit)")
      ->type_name("PATH")
      ->check(CLI::Validator([](std::string& path) { return path.empty() ? std::string("empty") : std::string(); }, ""));
  app.add_flag_callback("--no-io", [&o] { o.digitalIo = false; }, "the modem has no digital I/O (hw_options bit 1 clear)");
  app.add_flag("--silent", o.silent, "never answer anything");
  app.add_flag("--bad-checksum", o.badChecksum, "parameter responses carry a wrong checksum");
  app.add_flag("--stray-byte", o.strayByte, "send one stray byte before every response");
  app.add_option("--pause-mid", o.pauseMidResponseMs, "pause MS half-way through every parameter response")
      ->type_name("MS")
      ->check(Decimal(0, kMaxMs));
  app.add_option("--delay", o.delayMs, "wait MS before every answer")->type_name("MS")->check(Decimal(0, kMaxMs));
  app.add_flag("--flood", o.flood, "answer get_syspara with 3200 bytes at once");
  app.add_flag("--wire-pacing", o.wirePacing, "send at the 115200 baud wire speed");
  app.add_option("--reboot-silence", o.rebootSilenceMs, "stay silent MS after reboot (default 5000)")
      ->type_name("MS")
      ->check(Decimal(0, kMaxMs));
  app.add_option("--loader-start", o.loaderStartMs, "stay silent MS after reboot_ldrom (default 0)")
      ->type_name("MS")
      ->check(Decimal(0, kMaxMs));
  app.add_option("--refuse-packet", args.refusals, "answer upgrade packet N with code C (repeatable)")
      ->type_name("N:C")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(CLI::Validator(
          [](std::string& text) {
            SimOptions scratch;
            return ParseRefusal(text, scratch) ? std::string() : std::string("not N:C");
          },
          ""));
  app.add_option("--refuse-times", o.refuseTimes, "refuse each such packet K times, then accept it (default 1)")
      ->type_name("K")
      ->check(Decimal(0, 1'000'000));
  app.add_option("--stop-after-packet", o.stopAfterPacket, "stop answering upgrade packets after packet N")
      ->type_name("N")
      ->check(Decimal(0, 65535));
  app.add_option("--restart-time", o.restartAfterUpgradeMs,
                 "restart after a complete upgrade: silent MS, then running the new firmware")
      ->type_name("MS")
      ->check(Decimal(0, kMaxMs));
  app.add_flag("--factory-after-upgrade", o.factoryAfterUpgrade,
               "the new firmware starts with the factory settings (device identity kept)");
  app.add_flag("--strict-loader", o.strictLoader,
               "after reboot_ldrom answer only upgrade packets until an upgrade completes");
  app.add_option("--imei", args.imei, "the modem's IMEI (15 digits)")
      ->type_name("N")
      ->check(CLI::Validator(
          [](std::string& text) {
            const bool digits = text.size() == 15 && std::all_of(text.begin(), text.end(), [](char c) {
              return c >= '0' && c <= '9';
            });
            return digits ? std::string() : std::string("not 15 digits");
          },
          ""));
  app.add_option("--name", args.name, "the modem's device name")
      ->type_name("TEXT")
      ->check(CLI::Validator(
          [](std::string& text) {
            const auto limit = static_cast<std::size_t>(telvaro::TextLimit(telvaro::field::device_name));
            const bool printable = std::all_of(text.begin(), text.end(), [](char c) {
              return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
            });
            if (text.empty() || text.size() > limit || !printable)
              return "not 1 to " + std::to_string(limit) + " printable bytes";
            return std::string();
          },
          ""));
  app.add_option("--state", args.state, "keep the modem's record in FILE (a settings file) between runs")
      ->type_name("FILE")
      ->check(CLI::Validator([](std::string& path) { return path.empty() ? std::string("empty") : std::string(); }, ""));
  app.add_flag("--quiet", args.quiet, "print only the device line");
}

// The usage, made from the options declared: one line each, help last.
std::string Usage(const CLI::App& app) {
  std::string usage = "usage: telvaro-modem-sim [options]\n";
  std::vector<const CLI::Option*> options = app.get_options();
  std::stable_partition(options.begin(), options.end(),
                        [&app](const CLI::Option* option) { return option != app.get_help_ptr(); });
  for (const CLI::Option* option : options) {
    std::string name = option->get_name();
    if (option->get_items_expected_max() > 0) name += " " + option->get_type_name();
    usage += "  " + name + std::string(name.size() < 23 ? 23 - name.size() : 1, ' ') + option->get_description() + "\n";
  }
  return usage;
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

// Saves the record the modem holds to the state file (the settings file's
// safe save); false, with the reason on standard error, when it cannot.
bool SaveState(const std::string& path, telvaro::ConfigRecord record) {
  const telvaro::SettingsFileWrite saved = telvaro::WriteSettingsFile(path, record);
  if (saved.ok()) return true;
  std::fprintf(stderr, "telvaro-modem-sim: %s: cannot save the state: %s (%s)\n", path.c_str(), saved.message.c_str(),
               saved.detail.c_str());
  return false;
}

// The record this simulator starts with: its state file when it has one (a
// file that is not a settings file is never overwritten), then its own IMEI
// and name. Written back at once, so the identity is kept from the start.
bool PrepareRecord(const Arguments& args, telvaro::sim::ModemSimulator& modem) {
  telvaro::ConfigRecord record = modem.StoredRecord();
  if (!args.state.empty() && ::access(args.state.c_str(), F_OK) == 0) {
    const telvaro::SettingsFileRead read = telvaro::ReadSettingsFile(args.state);
    if (!read.record) {
      std::fprintf(stderr, "telvaro-modem-sim: %s: not a state file: %s%s%s%s\n", args.state.c_str(),
                   read.message.c_str(), read.detail.empty() ? "" : " (", read.detail.c_str(),
                   read.detail.empty() ? "" : ")");
      return false;
    }
    record = *read.record;
  }
  if (!args.imei.empty()) record.Set(telvaro::field::imei, args.imei);
  if (!args.name.empty()) record.Set(telvaro::field::device_name, args.name);
  modem.SetStoredRecord(record);
  if (args.state.empty()) return true;
  if (!SaveState(args.state, modem.StoredRecord())) return false;
  modem.SetRecordObserver([path = args.state](const telvaro::ConfigRecord& held) { SaveState(path, held); });
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  CLI::App app("a simulated Telvaro modem on a pseudo-terminal", "telvaro-modem-sim");
  Declare(app, args);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(Usage(app).c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& error) {
    // The argument at fault: an unknown one as given, else the option and why.
    const std::vector<std::string> extras = app.remaining();
    const std::string bad = !extras.empty() ? extras.front() : error.what();
    std::fprintf(stderr, "telvaro-modem-sim: bad option or value: %s\n", bad.c_str());
    std::fputs(Usage(app).c_str(), stderr);
    return 2;
  }
  for (const std::string& refusal : args.refusals) ParseRefusal(refusal, args.options);

  // The signals are taken by sigwait below; blocked before any thread starts,
  // so that no simulator thread receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  telvaro::sim::ModemSimulator modem(args.options);
  if (!PrepareRecord(args, modem)) return 1;
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
