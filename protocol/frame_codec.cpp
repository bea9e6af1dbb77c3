#include "protocol/frame_codec.h"

#include <algorithm>
#include <cstring>

#include "protocol/record_checksum.h"

namespace telvaro {

void AppendText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

bool EndsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() &&
         std::memcmp(bytes.data() + bytes.size() - text.size(), text.data(), text.size()) == 0;
}

Bytes FrameCodec::CommandFrame(std::string_view word, std::span<const std::uint8_t> payload) {
  Bytes frame;
  frame.reserve(marker::kCommandStart.size() + word.size() + payload.size() +
                marker::kCommandEnd.size());
  AppendText(frame, marker::kCommandStart);
  AppendText(frame, word);
  frame.insert(frame.end(), payload.begin(), payload.end());
  AppendText(frame, marker::kCommandEnd);
  return frame;
}

Bytes FrameCodec::SetSysParaFrame(ConfigRecord& record) {
  record.SetChecksum(RecordChecksum(record.Record()));
  return CommandFrame(command::kSetSysPara, record.Block());
}

std::array<std::string_view, 3> FrameCodec::CommandFrameParts(std::string_view word) {
  return {marker::kCommandStart, word, marker::kCommandEnd};
}

int FrameCodec::WriteInThreeParts(FrameWriter& writer, std::string_view word) {
  int result = 0;
  for (std::string_view part : CommandFrameParts(word)) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(part.data());
    const int written = writer.Write(bytes, static_cast<int>(part.size()));
    if (result == 0) result = written;  // the first failure says why
    if (written == kFrameStalled) break;
  }
  return result;
}

namespace {
void AppendBigEndian16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}
}  // namespace

Bytes FrameCodec::UpgradeDataFrame(std::span<const std::uint8_t> data, std::uint16_t total,
                                   std::uint16_t index) {
  const std::size_t d = std::min(data.size(), kUpgradePacketData);
  Bytes frame;
  frame.reserve(kUpgradeFrameOverhead + d);
  AppendText(frame, marker::kUpgradeStart);
  AppendBigEndian16(frame, static_cast<std::uint16_t>(d + 7));
  AppendBigEndian16(frame, total);
  AppendBigEndian16(frame, index);
  frame.insert(frame.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(d));
  frame.push_back(RecordChecksum(data.first(d)));
  AppendText(frame, marker::kUpgradeEnd);
  return frame;
}

std::uint16_t FrameCodec::UpgradePacketTotal(std::size_t size) {
  return static_cast<std::uint16_t>((size + kUpgradePacketData - 1) / kUpgradePacketData);
}

int FrameCodec::ParseUpgradeStatus(const std::uint8_t* body, std::ptrdiff_t n) {
  if (n != 1) return kUpgradeStatusLengthError;
  return static_cast<std::int8_t>(body[0]);
}

Bytes FrameCodec::ParameterResponse(std::span<const std::uint8_t> block) {
  Bytes frame;
  frame.reserve(marker::kResponseStart.size() + kParametersWord.size() + block.size() +
                marker::kResponseEnd.size());
  AppendText(frame, marker::kResponseStart);
  AppendText(frame, kParametersWord);
  frame.insert(frame.end(), block.begin(), block.end());
  AppendText(frame, marker::kResponseEnd);
  return frame;
}

Bytes FrameCodec::UpgradeStatusResponse(std::int8_t code) {
  Bytes frame;
  AppendText(frame, marker::kUpgradeStart);
  frame.push_back(static_cast<std::uint8_t>(code));
  AppendText(frame, marker::kUpgradeEnd);
  return frame;
}

}  // namespace telvaro
