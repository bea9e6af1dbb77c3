// Fuzz target: the text parsers behind the pages (hex bytes, hex packets,
// schedule times, leading decimals) and the modem clock decoded from the
// record's BCD time. Results must stay within what each promises.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "record/conversions.h"
#include "status/status_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace telvaro;
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  if (const auto byte = ParseHexByte(text)) {
    // Two hex digits, read back in lower case.
    std::string pair(text.substr(0, 2));
    for (char& c : pair) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (FormatHexByte(*byte) != pair) std::abort();
  }

  // A destination of the size the first byte picks: never written past.
  std::vector<std::uint8_t> packet(data[0] % 40 + 1, 0xEE);
  std::vector<std::uint8_t> guarded(packet.size() + 8, 0xA5);
  const HexPacketParse parsed = ParseHexPacket(text, std::span(guarded.data(), packet.size()));
  for (std::size_t i = packet.size(); i < guarded.size(); ++i)
    if (guarded[i] != 0xA5) std::abort();
  if (parsed.ok && parsed.count > packet.size()) std::abort();

  if (const auto time = ParseScheduleTime(text))
    if (time->hour < 0 || time->hour > 23 || time->minute < 0 || time->minute > 59) std::abort();
  (void)LeadingDecimal(text);

  // The modem clock from any seven BCD bytes: valid or empty, never a crash.
  std::uint8_t rtc[7] = {};
  for (std::size_t i = 0; i < 7 && i + 1 < size; ++i) rtc[i] = data[i + 1];
  DeviceClock clock;
  clock.Load(rtc);
  for (int i = 0; i < (data[0] & 3); ++i) (void)clock.Tick();

  ConfigRecord record;
  record.ReplaceFrom(std::span(data, size < ConfigRecord::kBlockSize ? size : ConfigRecord::kBlockSize));
  const auto bcd = [](std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; };
  for (int element = 0; element < 3; ++element) {
    const auto bytes = record.FieldBytes(field::reboot_times).subspan(element * field::reboot_times.ElementWidth());
    const auto shown = ScheduleTimeText(record, field::reboot_times, element);
    // A well-formed BCD time the page shows, it takes back.
    if (shown && bcd(bytes[kBcdHour]) && bcd(bytes[kBcdMinute]) && !ParseScheduleTime(*shown)) std::abort();
  }
  (void)FormatHexPacket(record, field::login_request);
  return 0;
}
