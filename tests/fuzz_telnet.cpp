// Fuzz target: arbitrary bytes from an RFC 2217 server, fed in chunks the
// input chooses. What comes out as serial data is never more than went in,
// answers are whole three-byte negotiations, and serial bytes escaped and fed
// back come out exactly as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/telnet_com_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using telvaro::TelnetComPort;
  TelnetComPort codec;
  (void)codec.Opening(115200);
  std::vector<std::uint8_t> out, reply;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t n = std::min<std::size_t>(1 + data[at] % 16, size - at);
    codec.Feed(data + at, n, out, reply);
    at += n;
  }
  if (out.size() > size || reply.size() % 3 != 0) std::abort();
  for (std::size_t i = 0; i < reply.size(); i += 3)
    if (reply[i] != TelnetComPort::kIac || reply[i + 1] < TelnetComPort::kWill) std::abort();

  std::vector<std::uint8_t> escaped, back, none;
  TelnetComPort::Escape(data, size, escaped);
  TelnetComPort fresh;
  for (std::size_t i = 0; i < escaped.size(); i += 7)
    fresh.Feed(escaped.data() + i, std::min<std::size_t>(7, escaped.size() - i), back, none);
  if (back != std::vector<std::uint8_t>(data, data + size) || !none.empty()) std::abort();
  return 0;
}
