// Text forms of the record's encoded fields, as the pages show and take them:
// hex bytes and packets typed as pairs of hex digits, and schedule times typed
// as "hh:mm".
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "record/config_record.h"

namespace telvaro {

// The value of one hex digit ("0"-"9", "a"-"f", "A"-"F"), or nothing.
std::optional<int> HexDigitValue(char c);

// The byte of the first two characters, which must both be hex digits; the
// rest of the text is ignored.
std::optional<std::uint8_t> ParseHexByte(std::string_view text);

// Pairs of hex digits into `data`, one byte each, no separators. An odd last
// character is ignored; an empty text gives count 0. At the first pair that
// is not two hex digits the result is not ok (pairs before it stay written).
// Never writes past `data`: pairs beyond it make the result not ok.
struct HexPacketParse {
  std::size_t count = 0;
  bool ok = false;
};
HexPacketParse ParseHexPacket(std::string_view text, std::span<std::uint8_t> data);

// "%d:%d" with blanks allowed before each number; ok for 0..23 and 0..59.
struct ScheduleTime {
  int hour = 0;
  int minute = 0;
};
std::optional<ScheduleTime> ParseScheduleTime(std::string_view text);

// A number as C's atoi reads one: leading blanks and a sign allowed, reading
// stops at the first other character, no digits gives 0. Far out-of-range
// values are capped well beyond any field's range.
long LeadingDecimal(std::string_view text);

// Writes the PC's local time into rtc_time (seconds to year, the weekday byte
// left as it is).
void SetClockFromPc(ConfigRecord& record);
void SetClockFromPc(ConfigRecord& record, const std::tm& localTime);

// Two lower-case hex digits.
std::string FormatHexByte(std::uint8_t value);
// The valid bytes of a packet field as lower-case hex pairs; a count larger
// than the field's data area shows only what the area holds.
std::string FormatHexPacket(const ConfigRecord& record, const Field<FieldKind::HexPacket>& f);

// A schedule time's text: its raw hour and minute bytes as "%02x:%02x", or
// nothing when they do not decode to a time of day (the page keeps its text).
std::optional<std::string> ScheduleTimeText(const ConfigRecord& record, const Field<FieldKind::Time>& f,
                                            int element);

}  // namespace telvaro
