// The text forms of the record's encoded fields: hex bytes and packets as the
// operator types and sees them, and schedule times as "hh:mm".
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "record/config_record.h"
#include "record/conversions.h"

namespace telvaro {
namespace {

TEST(Conversions, HexByteTakesExactlyTwoHexDigits) {
  EXPECT_EQ(ParseHexByte("0d"), 0x0D);
  EXPECT_EQ(ParseHexByte("0D"), 0x0D);
  EXPECT_EQ(ParseHexByte("fFzz"), 0xFF);  // characters after the second are ignored
  for (const char* bad : {"", "d", "0x", " 0d", "g0"}) EXPECT_FALSE(ParseHexByte(bad).has_value()) << bad;
  EXPECT_EQ(FormatHexByte(0x0D), "0d");
  EXPECT_EQ(FormatHexByte(0xAF), "af");
}

TEST(Conversions, HexPacketPairsOfDigitsWithoutSeparators) {
  struct Case {
    const char* text;
    bool ok;
    std::vector<std::uint8_t> bytes;  // what a good text gives
  };
  const Case cases[] = {
      {"0D0A", true, {0x0D, 0x0A}},
      {"0d0a", true, {0x0D, 0x0A}},
      {"abc", true, {0xAB}},  // an odd last character is ignored
      {"", true, {}},
      {"a b", false, {}},
      {"0x0d", false, {}},
  };
  for (const Case& c : cases) {
    std::array<std::uint8_t, 4> data{};
    const HexPacketParse parsed = ParseHexPacket(c.text, data);
    EXPECT_EQ(parsed.ok, c.ok) << c.text;
    EXPECT_EQ(parsed.count, c.bytes.size()) << c.text;
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), data.begin())) << c.text;
  }
  // More pairs than the data area holds: refused, nothing written past it.
  std::array<std::uint8_t, 4> guarded{};
  const HexPacketParse tooLong = ParseHexPacket("0102030405", std::span(guarded).first(2));
  EXPECT_FALSE(tooLong.ok);
  EXPECT_EQ(tooLong.count, 0u);
  EXPECT_EQ(guarded[2], 0);
}

TEST(Conversions, HexPacketShowsTheValidBytesAndNeverReadsPastTheField) {
  ConfigRecord record;
  const std::vector<std::uint8_t> bytes{0x0D, 0x0A, 0xFF};
  record.Set(field::online_output, bytes);
  EXPECT_EQ(FormatHexPacket(record, field::online_output), "0d0aff");
  record.Set(field::online_output, std::vector<std::uint8_t>{});
  EXPECT_EQ(FormatHexPacket(record, field::online_output), "");

  // A modem's count byte larger than the 31-byte data area: the area's bytes
  // and no more (local_ip follows the field).
  for (std::size_t i = 0; i < 31; ++i) record.SetRawByte(field::online_output.offset + 1 + i, 0x11);
  record.SetRawByte(field::online_output.offset, 0xFF);
  record.Set(field::local_ip, "99");
  const std::string shown = FormatHexPacket(record, field::online_output);
  EXPECT_EQ(shown.size(), 62u);
  EXPECT_EQ(shown.find_first_not_of('1'), std::string::npos);
}

TEST(Conversions, ScheduleTimesAsHoursColonMinutes) {
  const auto time = ParseScheduleTime("7:5");
  ASSERT_TRUE(time.has_value());
  EXPECT_EQ(time->hour, 7);
  EXPECT_EQ(time->minute, 5);
  const auto blanks = ParseScheduleTime(" 23: 59");
  ASSERT_TRUE(blanks.has_value());
  EXPECT_EQ(blanks->hour, 23);
  EXPECT_EQ(blanks->minute, 59);
  for (const char* bad : {"24:00", "12:60", "12", "", "-1:30", "7 :5", "ab:cd"})
    EXPECT_FALSE(ParseScheduleTime(bad).has_value()) << bad;

  // Stored as BCD in the hour and minute bytes only, shown from the raw bytes.
  ConfigRecord record;
  for (std::size_t i = 0; i < 7; ++i) record.SetRawByte(field::wakeup_times.ElementOffset(1) + i, 0x31);
  record.SetScheduleTime(field::wakeup_times, time->hour, time->minute, 1);
  EXPECT_EQ(record.RawByte(field::wakeup_times.ElementOffset(1) + kBcdHour), 0x07);
  EXPECT_EQ(record.RawByte(field::wakeup_times.ElementOffset(1) + kBcdMinute), 0x05);
  EXPECT_EQ(record.RawByte(field::wakeup_times.ElementOffset(1) + kBcdSecond), 0x31);
  EXPECT_EQ(ScheduleTimeText(record, field::wakeup_times, 1), "07:05");
  EXPECT_EQ(ScheduleTimeText(record, field::wakeup_times, 0), "00:00");
  record.SetScheduleTime(field::wakeup_times, 23, 59, 2);
  EXPECT_EQ(ScheduleTimeText(record, field::wakeup_times, 2), "23:59");

  // An hour byte 0x24 or a minute byte 0x60 is no time of day: nothing shown.
  record.SetRawByte(field::reboot_times.ElementOffset(0) + kBcdHour, 0x24);
  EXPECT_FALSE(ScheduleTimeText(record, field::reboot_times, 0).has_value());
  record.SetRawByte(field::reboot_times.ElementOffset(0) + kBcdHour, 0x08);
  record.SetRawByte(field::reboot_times.ElementOffset(0) + kBcdMinute, 0x60);
  EXPECT_FALSE(ScheduleTimeText(record, field::reboot_times, 0).has_value());
}

}  // namespace
}  // namespace telvaro
