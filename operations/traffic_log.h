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
#include <map>
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

// Overwrites with '*' the secret texts of every record inside the bytes,
// behind each "set_syspara" or parameter header wherever it stands (as far
// as the bytes hold them).
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
  // The bytes received on one port so far, followed by position: an answer
  // behind noise, or split over two snapshots, has its secrets masked where
  // they fall, even in a piece that holds no header.
  struct ReceivedStream {
    std::uint64_t seen = 0;                // bytes received so far
    std::vector<std::uint8_t> tail;        // the last few, for a header split in two
    std::vector<std::uint64_t> records;    // where records not yet wholly received start
    std::uint64_t blindUntil = 0;          // masked whole up to here (see NoteSent)
  };
  void MaskReceived(const std::string& port, std::vector<std::uint8_t>& chunk);
  void NoteSent(const std::string& port);

  const std::size_t keep_;
  const Sink sink_;
  mutable std::mutex lock_;
  std::deque<TrafficEntry> entries_;
  std::map<std::string, ReceivedStream> streams_;
};

}  // namespace telvaro
