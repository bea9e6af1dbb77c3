// The frames that passed a port, as support wants them: each with its
// millisecond time (UTC), the port, its direction and length, then its bytes
// in hex and as printable text, 16 to a line. The secrets inside a record
// (SIM PIN, new PIN, passwords) are masked as the frame is taken, so no kept
// or written copy holds them. The window keeps the last 200 frames for
// "Save traffic log..."; telvaro-cli's --trace streams every frame to a file.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "base/traffic_tap.h"

namespace telvaro {

struct TrafficEntry {
  std::chrono::system_clock::time_point when;
  std::string port;  // "COM50", or the device path a unit was named by
  TrafficDirection direction = TrafficDirection::Sent;
  std::vector<std::uint8_t> bytes;  // secrets already masked
};

// "2026-12-08T06:40:12.345Z COM50 sent 25 bytes" and the hex lines below it.
std::string FormatTrafficEntry(const TrafficEntry& entry);

// Overwrites with '*' the secret texts of a record inside a "set_syspara"
// frame or a parameter response (as far as the frame holds them).
void MaskRecordSecrets(std::vector<std::uint8_t>& frame);

class TrafficLog {
 public:
  using Sink = std::function<void(const std::string& text)>;

  // Keeps the last `keep` frames (0: none, for a log that only streams).
  explicit TrafficLog(std::size_t keep, Sink sink = {}) : keep_(keep), sink_(std::move(sink)) {}

  // Takes one frame; callable from any thread. The sink gets its text at
  // once, in the order frames are added.
  void Add(const std::string& port, TrafficDirection direction, std::span<const std::uint8_t> bytes);
  // A tap that adds the frames of one port.
  TrafficTap TapFor(std::string port);

  // The kept frames, oldest first, formatted.
  std::string Text() const;
  std::size_t Size() const;

 private:
  const std::size_t keep_;
  const Sink sink_;
  mutable std::mutex lock_;
  std::deque<TrafficEntry> entries_;
};

}  // namespace telvaro
