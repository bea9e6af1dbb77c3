// The one checksum of the protocol: the sum of the covered bytes modulo 256.
// It protects the configuration record, each upgrade packet's data and the
// settings file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace telvaro {

inline std::uint8_t RecordChecksum(const std::uint8_t* bytes, std::ptrdiff_t count) {
  std::uint8_t sum = 0;
  for (std::ptrdiff_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  return sum;
}

inline std::uint8_t RecordChecksum(std::span<const std::uint8_t> bytes) {
  return RecordChecksum(bytes.data(), static_cast<std::ptrdiff_t>(bytes.size()));
}

}  // namespace telvaro
