// The firmware upgrade's packet flow, without any window: switch the modem to
// its loader, then send the image in numbered packets of at most 512 bytes,
// waiting for each packet's status code. Error answers resend the same packet
// within one shared retry budget; silence ends the upgrade after about 3.2 s.
// The window's upgrade worker and the command-line tool both run it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "protocol/frame_codec.h"

namespace telvaro {

struct UpgradeHooks {
  // Called before each packet is sent with the packet total and index
  // (the window's UpdateProgress). May be empty.
  std::function<void(std::uint16_t total, std::uint16_t index)> progress;
  // Sleeps `ms` milliseconds; the real clock when empty. Tests shorten it.
  std::function<void(int ms)> sleep;
  // One wait for a packet's answer: at most `ms`, returning as soon as an
  // answer has been dispatched (ModemState::WaitForAnswer). `sleep` when empty.
  std::function<void(int ms)> waitAnswer;
  // The least time between an answer and the next packet. The default is the
  // shortest gap the modem's loader has ever been given; 0 (fast mode) sends
  // the next packet as soon as the answer is taken.
  int packetGapMs = 200;
  // Polled before each packet and after every wait: true ends the upgrade
  // where it stands (the window closing, the device gone). May be empty.
  std::function<bool()> stop;
  // True when the answer now held was received after the last packet went
  // out (ModemState::answerEpoch against the session's frame epoch): an
  // answer to an earlier packet, dispatched as this one went out, is not
  // this packet's. Every answer counts when empty.
  std::function<bool()> freshAnswer;
};

// A firmware image read from the operator's file, or why it cannot be sent.
struct FirmwareImage {
  std::vector<std::uint8_t> bytes;
  std::string message;  // empty when the image may be sent: "Open file failed", or the size refusal
  std::string detail;   // the reason behind "Open file failed": the system's, or "the file is empty"
  bool empty = false;   // a readable file without a byte: nothing would be sent
  // "message: detail", as one line says it.
  std::string Text() const { return detail.empty() ? message : message + ": " + detail; }
};

inline constexpr const char* kOpenFileFailed = "Open file failed";

class UpgradeFlow {
 public:
  // The loader takes at most this much; a longer image is refused whole, as
  // a cut one would leave the modem with a truncated firmware.
  static constexpr std::size_t kMaxImageSize = 65536;
  static constexpr int kLoaderStartMs = 3000;  // the modem restarting into its loader
  static constexpr int kPollMs = 100;
  static constexpr int kPacketGapMs = 200;  // UpgradeHooks::packetGapMs by default
  static constexpr int kRetryBudget = 30;  // polls and resends per packet, shared
  // After the last packet: how long the line must stay free of a later
  // answer before the last code stands. A duplicate success that came first
  // is overruled by the loader's real refusal arriving within it.
  static constexpr int kFinalQuietMs = 500;

  // Sends `image` through `writer`. `upgradeResult` is the value response
  // dispatch sets from each status response; it is set to 1 (no answer)
  // before every packet. Returns the final upgrade result, the code whose
  // text ends the upgrade: after the last packet a failure code that
  // arrives within kFinalQuietMs wins over the success before it. An empty
  // image, or one over kMaxImageSize, sends nothing and returns the current
  // result.
  static int Run(std::span<const std::uint8_t> image, FrameWriter& writer,
                 std::atomic<int>& upgradeResult, const UpgradeHooks& hooks = {});

  // Reads the image file: only a regular file, never more than one byte past
  // kMaxImageSize, never blocking on a FIFO or a device. A file that cannot
  // be used (an empty one included) gets its message here, before the port
  // is opened or anything is sent to the modem.
  static FirmwareImage LoadImage(const std::string& path);
};

}  // namespace telvaro
