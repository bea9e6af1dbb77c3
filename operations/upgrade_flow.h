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

#include "protocol/frame_codec.h"

namespace telvaro {

struct UpgradeHooks {
  // Called before each packet is sent with the packet total and index
  // (the window's UpdateProgress). May be empty.
  std::function<void(std::uint16_t total, std::uint16_t index)> progress;
  // Sleeps `ms` milliseconds; the real clock when empty. Tests shorten it.
  std::function<void(int ms)> sleep;
};

class UpgradeFlow {
 public:
  static constexpr std::size_t kMaxImageSize = 65536;  // longer images are cut
  static constexpr int kLoaderStartMs = 3000;  // the modem restarting into its loader
  static constexpr int kPollMs = 100;
  static constexpr int kRetryBudget = 30;  // polls and resends per packet, shared

  // Sends `image` (its first 64 KiB) through `writer`. `upgradeResult` is the
  // value response dispatch sets from each status response; it is set to 1
  // (no answer) before every packet. Returns the final upgrade result, the
  // code whose text ends the upgrade. An empty image sends nothing and
  // returns the current result.
  static int Run(std::span<const std::uint8_t> image, FrameWriter& writer,
                 std::atomic<int>& upgradeResult, const UpgradeHooks& hooks = {});
};

}  // namespace telvaro
