// Fuzz target: arbitrary bytes through the reader's append path and response
// dispatch. The first byte of each step picks the chunk length, so chunk
// boundaries, dropped chunks and snapshot points all vary.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/response_dispatch.h"

namespace {

class NullHost : public telvaro::DispatchHost {
 public:
  void ShowMessage(const std::string& text) override { lastLength = text.size(); }
  void SetIoPresent(bool) override {}
  void SetGridEnabled(bool) override {}
  void ShowRecordOnPages(const telvaro::ConfigRecord& record) override { lastByte = record.RawByte(1627); }
  std::size_t lastLength = 0;
  std::uint8_t lastByte = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  telvaro::ReceiveBuffer buffer;
  telvaro::ModemState state;
  NullHost host;
  telvaro::ResponseDispatcher dispatcher(buffer, state, host);
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t control = data[at++];
    // Lengths up to 4095 so that chunks that would overflow the buffer occur.
    const std::size_t want = (static_cast<std::size_t>(control & 0x0F) << 8) | (at < size ? data[at++] : 0);
    const std::size_t n = want < size - at ? want : size - at;
    buffer.Append(data + at, n);
    at += n;
    if (control & 0x80) dispatcher.DispatchResponse();
  }
  dispatcher.DispatchResponse();
  // The whole input as one snapshot too, whatever its size.
  dispatcher.DispatchSnapshot(data, size);
  return 0;
}
