// The 3072-byte buffer the reader thread fills and response dispatch empties.
// Not a ring: filled from offset 0, emptied as a whole. Appends and the
// copy-and-reset are serialised by a lock of their own, so a snapshot always
// holds whole appended chunks and no appended byte is lost by the reset.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace telvaro {

class ReceiveBuffer {
 public:
  static constexpr std::size_t kCapacity = 3072;

  // Appends a chunk when the fill count stays below kCapacity; otherwise the
  // whole chunk is dropped and the bytes already held stay. Returns whether
  // the chunk was kept.
  bool Append(const std::uint8_t* bytes, std::size_t n);
  // Copies out the valid bytes and sets the fill count to 0.
  std::vector<std::uint8_t> TakeSnapshot();
  // Copies out and empties the buffer only when `take` says yes to the bytes
  // it holds, judged and taken under one lock so no chunk slips in between.
  std::optional<std::vector<std::uint8_t>> TakeSnapshotIf(
      const std::function<bool(std::span<const std::uint8_t>)>& take);
  std::size_t FillCount() const { return fill_.load(std::memory_order_acquire); }

 private:
  mutable std::mutex lock_;
  std::array<std::uint8_t, kCapacity> bytes_{};
  std::atomic<std::size_t> fill_{0};
};

}  // namespace telvaro
