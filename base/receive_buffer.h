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
  // Copies out the valid bytes and sets the fill count to 0. `epoch`, when
  // given, receives the frame epoch the bytes belong to.
  std::vector<std::uint8_t> TakeSnapshot(std::uint64_t* epoch = nullptr);
  // Copies out and empties the buffer only when `take` says yes to the bytes
  // it holds, judged and taken under one lock so no chunk slips in between.
  std::optional<std::vector<std::uint8_t>> TakeSnapshotIf(
      const std::function<bool(std::span<const std::uint8_t>)>& take, std::uint64_t* epoch = nullptr);
  // Takes the first `length(bytes)` bytes, when that is more than 0, and
  // keeps the rest at the front: a whole answer followed by the start of
  // the next one (an echo sent twice) is taken alone.
  std::optional<std::vector<std::uint8_t>> TakePrefixIf(
      const std::function<std::size_t(std::span<const std::uint8_t>)>& length, std::uint64_t* epoch = nullptr);
  std::size_t FillCount() const { return fill_.load(std::memory_order_acquire); }
  // How many more bytes one Append keeps. Only the reader appends and a
  // snapshot only frees room, so the reader can count on it until it appends.
  std::size_t Room() const { return kCapacity - 1 - FillCount(); }

  // A frame starts going out: what was received before it cannot be its
  // answer, so it is thrown away, and the epoch moves on. A snapshot taken
  // in an earlier epoch is a stale answer to an earlier frame.
  void StartFrame();
  std::uint64_t Epoch() const { return epoch_.load(std::memory_order_acquire); }

 private:
  mutable std::mutex lock_;
  std::array<std::uint8_t, kCapacity> bytes_{};
  std::atomic<std::size_t> fill_{0};
  std::atomic<std::uint64_t> epoch_{0};
};

}  // namespace telvaro
