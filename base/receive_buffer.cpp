#include "base/receive_buffer.h"

#include <algorithm>

namespace telvaro {

bool ReceiveBuffer::Append(const std::uint8_t* bytes, std::size_t n) {
  std::lock_guard guard(lock_);
  const std::size_t fill = fill_.load(std::memory_order_relaxed);
  if (n >= kCapacity - fill) return false;  // would reach kCapacity
  std::copy_n(bytes, n, bytes_.begin() + static_cast<std::ptrdiff_t>(fill));
  fill_.store(fill + n, std::memory_order_release);
  return true;
}

std::vector<std::uint8_t> ReceiveBuffer::TakeSnapshot(std::uint64_t* epoch) {
  std::lock_guard guard(lock_);
  if (epoch) *epoch = epoch_.load(std::memory_order_relaxed);
  const std::size_t fill = fill_.load(std::memory_order_relaxed);
  std::vector<std::uint8_t> snapshot(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(fill));
  fill_.store(0, std::memory_order_release);
  return snapshot;
}

std::optional<std::vector<std::uint8_t>> ReceiveBuffer::TakeSnapshotIf(
    const std::function<bool(std::span<const std::uint8_t>)>& take, std::uint64_t* epoch) {
  std::lock_guard guard(lock_);
  if (epoch) *epoch = epoch_.load(std::memory_order_relaxed);
  const std::size_t fill = fill_.load(std::memory_order_relaxed);
  if (!take(std::span<const std::uint8_t>(bytes_.data(), fill))) return std::nullopt;
  std::vector<std::uint8_t> snapshot(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(fill));
  fill_.store(0, std::memory_order_release);
  return snapshot;
}

std::optional<std::vector<std::uint8_t>> ReceiveBuffer::TakePrefixIf(
    const std::function<std::size_t(std::span<const std::uint8_t>)>& length, std::uint64_t* epoch) {
  std::lock_guard guard(lock_);
  if (epoch) *epoch = epoch_.load(std::memory_order_relaxed);
  const std::size_t fill = fill_.load(std::memory_order_relaxed);
  const std::size_t n = std::min(length(std::span<const std::uint8_t>(bytes_.data(), fill)), fill);
  if (n == 0) return std::nullopt;
  std::vector<std::uint8_t> prefix(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
  std::copy(bytes_.begin() + static_cast<std::ptrdiff_t>(n), bytes_.begin() + static_cast<std::ptrdiff_t>(fill),
            bytes_.begin());
  fill_.store(fill - n, std::memory_order_release);
  return prefix;
}

void ReceiveBuffer::StartFrame() {
  std::lock_guard guard(lock_);
  fill_.store(0, std::memory_order_release);
  epoch_.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace telvaro
