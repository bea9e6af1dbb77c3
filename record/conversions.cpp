#include "record/conversions.h"

#include <algorithm>
#include <cstdio>

namespace telvaro {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A decimal number as "%d" reads one: blanks, an optional sign, digits.
// Advances `pos` past it; nothing when there are no digits.
std::optional<long> ReadDecimal(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const std::size_t digitsStart = pos;
  long value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (value < 100000000) value = value * 10 + (text[pos] - '0');  // capped far beyond any range
    ++pos;
  }
  if (pos == digitsStart) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

std::optional<int> HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
  if (text.size() < 2) return std::nullopt;
  const auto high = HexDigitValue(text[0]);
  const auto low = HexDigitValue(text[1]);
  if (!high || !low) return std::nullopt;
  return static_cast<std::uint8_t>(*high * 16 + *low);
}

HexPacketParse ParseHexPacket(std::string_view text, std::span<std::uint8_t> data) {
  const std::size_t pairs = text.size() / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    const auto byte = ParseHexByte(text.substr(2 * i, 2));
    if (!byte || i >= data.size()) return {0, false};
    data[i] = *byte;
  }
  return {pairs, true};
}

std::optional<ScheduleTime> ParseScheduleTime(std::string_view text) {
  std::size_t pos = 0;
  const auto hour = ReadDecimal(text, pos);
  if (!hour || pos >= text.size() || text[pos] != ':') return std::nullopt;
  ++pos;
  const auto minute = ReadDecimal(text, pos);
  if (!minute || *hour < 0 || *hour > 23 || *minute < 0 || *minute > 59) return std::nullopt;
  return ScheduleTime{static_cast<int>(*hour), static_cast<int>(*minute)};
}

long LeadingDecimal(std::string_view text) {
  std::size_t pos = 0;
  return ReadDecimal(text, pos).value_or(0);
}

void SetClockFromPc(ConfigRecord& record, const std::tm& localTime) {
  BcdTime time = record.Get(field::rtc_time);  // keeps the weekday
  time.second = std::min(localTime.tm_sec, 59);  // a leap second shows as :59
  time.minute = localTime.tm_min;
  time.hour = localTime.tm_hour;
  time.day = localTime.tm_mday;
  time.month = localTime.tm_mon + 1;
  time.year = (localTime.tm_year + 1900 - 2000) % 100;
  record.SetTime(field::rtc_time, time);
}

void SetClockFromPc(ConfigRecord& record) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  SetClockFromPc(record, local);
}

std::string FormatHexByte(std::uint8_t value) {
  return {kHexDigits[value >> 4], kHexDigits[value & 0x0F]};
}

std::string FormatHexPacket(const ConfigRecord& record, const Field<FieldKind::HexPacket>& f) {
  std::string text;
  for (const std::uint8_t byte : record.Get(f)) text += FormatHexByte(byte);
  return text;
}

std::optional<std::string> ScheduleTimeText(const ConfigRecord& record, const Field<FieldKind::Time>& f,
                                            int element) {
  const std::span<const std::uint8_t> bytes = record.FieldBytes(f).subspan(element * f.ElementWidth(), f.ElementWidth());
  const std::uint8_t hour = bytes[kBcdHour];
  const std::uint8_t minute = bytes[kBcdMinute];
  if (FromBcd(hour) > 23 || FromBcd(minute) > 59) return std::nullopt;
  char text[8];
  std::snprintf(text, sizeof text, "%02x:%02x", hour, minute);
  return std::string(text);
}

}  // namespace telvaro
