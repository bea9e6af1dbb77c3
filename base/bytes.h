// The byte vector every frame is built in, and anything a frame can be
// written to. Shared by the serial link (which writes frames) and the
// protocol (which builds them), so neither needs the other.
#pragma once

#include <cstdint>
#include <vector>

namespace telvaro {

using Bytes = std::vector<std::uint8_t>;

// Returns 0 when every byte was handed over, -1 when a write failed,
// kFrameStalled when the line stopped taking bytes before the frame's
// deadline. PortSession is the real one.
inline constexpr int kFrameStalled = -2;
class FrameWriter {
 public:
  virtual ~FrameWriter() = default;
  virtual int Write(const std::uint8_t* bytes, int count) = 0;
};

}  // namespace telvaro
