// Byte syntax of every frame the tool sends or accepts. A frame is an ASCII
// start marker, a command word or raw body, and an ASCII end marker; there is
// no length field around command frames, no escaping and no terminator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "record/config_record.h"

namespace telvaro {

namespace marker {
inline constexpr std::string_view kCommandStart = "CON_STA";
inline constexpr std::string_view kCommandEnd = "CON_END";
inline constexpr std::string_view kResponseStart = "MDM_STA";
inline constexpr std::string_view kResponseEnd = "MDM_END";
inline constexpr std::string_view kUpgradeStart = "UPGRADE_START";
inline constexpr std::string_view kUpgradeEnd = "UPGRADE_END";
}  // namespace marker

namespace command {
inline constexpr std::string_view kGetSysPara = "get_syspara";
inline constexpr std::string_view kSetSysPara = "set_syspara";
inline constexpr std::string_view kReboot = "reboot";
inline constexpr std::string_view kRebootLdrom = "reboot_ldrom";
}  // namespace command

// Word at the start of a parameter response's body.
inline constexpr std::string_view kParametersWord = "all_para";

inline constexpr std::size_t kGetSysParaFrameSize = 25;
inline constexpr std::size_t kSetSysParaFrameSize = 1654;
inline constexpr std::size_t kParameterResponseSize = 1651;
inline constexpr std::size_t kUpgradePacketData = 512;  // data bytes of a full packet
inline constexpr std::size_t kUpgradeFrameOverhead = 31;
inline constexpr std::size_t kUpgradeStatusFrameSize = 25;
// The status code the tool itself assigns to a status body that is not one byte.
inline constexpr int kUpgradeStatusLengthError = 3;

class FrameCodec {
 public:
  // "CON_STA" + word + payload + "CON_END".
  static Bytes CommandFrame(std::string_view word, std::span<const std::uint8_t> payload = {});
  static Bytes GetSysParaFrame() { return CommandFrame(command::kGetSysPara); }
  // Stores RecordChecksum of the 1628 record bytes in the record's checksum
  // slot, then returns the 1654-byte frame carrying record and checksum.
  static Bytes SetSysParaFrame(ConfigRecord& record);
  // "reboot" and "reboot_ldrom" go out as three writes: marker, word, marker.
  static std::array<std::string_view, 3> CommandFrameParts(std::string_view word);
  // Sends a payload-less command as three separate writes. Returns the
  // first failed write's result, 0 when all went out (the later parts are
  // still offered, as the modem only cares about the byte sequence, unless
  // the line has stopped taking bytes: they would only wait out their own
  // deadlines).
  static int WriteInThreeParts(FrameWriter& writer, std::string_view word);

  // Upgrade data frame: "UPGRADE_START", length d+7, total, index (16-bit
  // big-endian each), the d data bytes, their checksum, "UPGRADE_END".
  // `data` holds 1..512 bytes.
  static Bytes UpgradeDataFrame(std::span<const std::uint8_t> data, std::uint16_t total,
                                std::uint16_t index);
  // Number of packets for an image of `size` bytes: size / 512 rounded up.
  static std::uint16_t UpgradePacketTotal(std::size_t size);

  // The body of an upgrade status response, between its markers: the status
  // byte read as signed when the body is exactly one byte, otherwise 3.
  static int ParseUpgradeStatus(const std::uint8_t* body, std::ptrdiff_t n);
  // A whole parameter response for a record block (record and checksum slot).
  static Bytes ParameterResponse(std::span<const std::uint8_t> block);
  // A whole upgrade status response carrying `code`.
  static Bytes UpgradeStatusResponse(std::int8_t code);
};

// Appends the ASCII bytes of `text` to `out`.
void AppendText(Bytes& out, std::string_view text);
// True when `bytes` starts (or ends) with the ASCII bytes of `text`.
bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text);
bool EndsWith(std::span<const std::uint8_t> bytes, std::string_view text);

}  // namespace telvaro
