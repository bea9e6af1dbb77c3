// Unit tests of the status decoders and the device clock: the code tables over
// every possible byte, the signal level texts and bars at the edges of each
// range, the signed byte counters, and the clock's BCD loading, validity
// check, one-second tick with carries and normalisation of impossible dates.
#include "status/status_decoders.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace telvaro {
namespace {

// Checks a decoder over all 256 codes: the listed ones give their text, every
// other code gives "Unknown".
void ExpectTable(std::string (*decode)(std::uint8_t), const std::map<int, std::string>& known) {
  for (int code = 0; code <= 255; ++code) {
    const auto it = known.find(code);
    const std::string expected = it != known.end() ? it->second : "Unknown";
    EXPECT_EQ(decode(static_cast<std::uint8_t>(code)), expected) << "code " << code;
  }
}

TEST(StatusDecodersTest, RegistrationTextCoversEveryCode) {
  ExpectTable(RegistrationText, {{0, "Searching new operator"},
                                 {1, "Registered to home network"},
                                 {2, "Searching new operator"},
                                 {3, "Registration denied"},
                                 {5, "Registered, roaming"}});
  // 4 sits between known codes and is still unknown.
  EXPECT_EQ(RegistrationText(4), "Unknown");
  EXPECT_EQ(RegistrationText(0), RegistrationText(2));
}

TEST(StatusDecodersTest, GprsAndTcpTablesDifferInTheirCodes) {
  ExpectTable(GprsStatusText,
              {{0, "Down"}, {1, "Connecting"}, {2, "Up"}, {3, "Limited Up"}, {4, "Closing"}});
  ExpectTable(TcpStatusText,
              {{2, "Allocated"}, {3, "Connecting"}, {4, "Up"}, {5, "Closing"}, {6, "Down"}});
  // The same code means different things in the two tables.
  EXPECT_EQ(GprsStatusText(0), "Down");
  EXPECT_EQ(TcpStatusText(0), "Unknown");
  EXPECT_EQ(TcpStatusText(1), "Unknown");
  EXPECT_EQ(GprsStatusText(6), "Unknown");
  EXPECT_EQ(TcpStatusText(6), "Down");
}

TEST(SignalLevelTest, BarsAndTextsAtEveryRangeEdge) {
  struct Case {
    int rssi;
    int bars;
    const char* rssiText;
    const char* dbText;
  };
  const Case cases[] = {
      {0, 0, "RSSI: 0", "-113DB"},    {1, 1, "RSSI: 1", "-111DB"},
      {9, 1, "RSSI: 9", "-95DB"},     {10, 2, "RSSI: 10", "-93DB"},
      {19, 2, "RSSI: 19", "-75DB"},   {20, 3, "RSSI: 20", "-73DB"},
      {31, 3, "RSSI: 31", "-51DB"},   {32, 0, "RSSI: 0", "-113DB"},
      {99, 0, "RSSI: 0", "-113DB"},   {255, 0, "RSSI: 0", "-113DB"},
      {-5, 0, "RSSI: 0", "-113DB"},
  };
  for (const Case& c : cases) {
    const SignalLevel level = DecodeSignalLevel(c.rssi);
    EXPECT_EQ(level.bars, c.bars) << "rssi " << c.rssi;
    EXPECT_EQ(level.rssiText, c.rssiText) << "rssi " << c.rssi;
    EXPECT_EQ(level.dbText, c.dbText) << "rssi " << c.rssi;
  }
}

TEST(StatusDecodersTest, ByteCountersReadAsSigned32Bit) {
  EXPECT_EQ(ByteCounterText(0), "0");
  EXPECT_EQ(ByteCounterText(1234567), "1234567");
  EXPECT_EQ(ByteCounterText(0x7FFFFFFFu), "2147483647");
  EXPECT_EQ(ByteCounterText(0x80000000u), "-2147483648");
  EXPECT_EQ(ByteCounterText(0xFFFFFFFFu), "-1");
}

// The record's clock bytes in record order.
std::array<std::uint8_t, 7> Rtc(std::uint8_t second, std::uint8_t minute, std::uint8_t hour,
                                std::uint8_t day, std::uint8_t weekday, std::uint8_t month,
                                std::uint8_t year) {
  return {second, minute, hour, day, weekday, month, year};
}

struct ClockValues {
  int year, month, day, hour, minute, second;
  bool operator==(const ClockValues&) const = default;
};

ClockValues ValuesOf(const DeviceClock& clock) {
  return {clock.year(), clock.month(), clock.day(), clock.hour(), clock.minute(), clock.second()};
}

void SetTimeZone(const char* tz) {
#ifdef _WIN32
  _putenv_s("TZ", tz ? tz : "");
  _tzset();
#else
  if (tz) {
    setenv("TZ", tz, 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
#endif
}

// Runs the clock in UTC so that no daylight saving change of the build
// machine's zone can shift a result, and puts the zone back afterwards.
class DeviceClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    SetTimeZone("UTC");
  }
  void TearDown() override { SetTimeZone(saved_ ? saved_->c_str() : nullptr); }

  DeviceClock Loaded(const std::array<std::uint8_t, 7>& rtc) {
    DeviceClock clock;
    clock.Load(rtc.data());
    return clock;
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(DeviceClockTest, LoadReadsEachBcdByteIntoItsPlace) {
  DeviceClock clock = Loaded(Rtc(0x56, 0x34, 0x12, 0x28, 0x03, 0x07, 0x24));
  EXPECT_EQ(ValuesOf(clock), (ClockValues{24, 7, 28, 12, 34, 56}));
  EXPECT_EQ(clock.Text(), "2024-07-28 12:34:56");

  // The weekday byte plays no part.
  EXPECT_EQ(ValuesOf(Loaded(Rtc(0x56, 0x34, 0x12, 0x28, 0xFF, 0x07, 0x24))), ValuesOf(clock));

  // A nibble above 9 ends the number: 0x5A reads as 5, 0xA5 as 0.
  clock = Loaded(Rtc(0x5A, 0xA5, 0x1F, 0x0C, 0x00, 0x09, 0x3B));
  EXPECT_EQ(ValuesOf(clock), (ClockValues{3, 9, 0, 1, 0, 5}));
}

TEST_F(DeviceClockTest, TickAddsOneSecondWithCarries) {
  // 23:59:59 on 31 December 2023 rolls over into the new year.
  DeviceClock clock = Loaded(Rtc(0x59, 0x59, 0x23, 0x31, 0x00, 0x12, 0x23));
  EXPECT_EQ(clock.Tick(), "2024-01-01 00:00:00");
  EXPECT_EQ(ValuesOf(clock), (ClockValues{24, 1, 1, 0, 0, 0}));
  EXPECT_EQ(clock.Text(), "2024-01-01 00:00:00");
  EXPECT_EQ(clock.Tick(), "2024-01-01 00:00:01");

  clock = Loaded(Rtc(0x56, 0x34, 0x12, 0x28, 0x00, 0x07, 0x24));
  EXPECT_EQ(clock.Tick(), "2024-07-28 12:34:57");

  // Leap and common years end February on different days.
  clock = Loaded(Rtc(0x59, 0x59, 0x23, 0x28, 0x00, 0x02, 0x24));
  EXPECT_EQ(clock.Tick(), "2024-02-29 00:00:00");
  clock = Loaded(Rtc(0x59, 0x59, 0x23, 0x28, 0x00, 0x02, 0x23));
  EXPECT_EQ(clock.Tick(), "2023-03-01 00:00:00");
}

TEST_F(DeviceClockTest, UpdateFollowsRealTimeElapsedSinceLoad) {
  // An injected source: the clock shows one more second per second of real
  // time since it was loaded, however often Update is called.
  auto now = DeviceClock::TimePoint{} + std::chrono::hours(5);
  DeviceClock clock;
  clock.SetTimeSource([&now] { return now; });
  clock.Load(Rtc(0x58, 0x59, 0x23, 0x31, 0x00, 0x12, 0x23).data());
  EXPECT_EQ(clock.Update(), "2023-12-31 23:59:58");
  now += std::chrono::milliseconds(999);
  EXPECT_EQ(clock.Update(), "2023-12-31 23:59:58");
  for (int i = 0; i < 65; ++i) {  // many calls within one second add nothing
    now += std::chrono::milliseconds(10);
    clock.Update();
  }
  EXPECT_EQ(clock.Text(), "2023-12-31 23:59:59");
  now += std::chrono::milliseconds(3400);  // a late call catches up at once
  EXPECT_EQ(clock.Update(), "2024-01-01 00:00:03");
  // A new load starts counting again from its own moment.
  clock.Load(Rtc(0x00, 0x00, 0x12, 0x15, 0x00, 0x06, 0x25).data());
  now += std::chrono::seconds(61);
  EXPECT_EQ(clock.Update(), "2025-06-15 12:01:01");
  clock.Clear();  // keeps the source; an invalid clock shows nothing
  now += std::chrono::seconds(5);
  EXPECT_EQ(clock.Update(), "");
}

TEST_F(DeviceClockTest, ImpossibleDateIsNormalised) {
  DeviceClock clock = Loaded(Rtc(0x00, 0x00, 0x10, 0x31, 0x00, 0x02, 0x23));
  EXPECT_EQ(clock.Tick(), "2023-03-03 10:00:01");
  EXPECT_EQ(ValuesOf(clock), (ClockValues{23, 3, 3, 10, 0, 1}));
}

TEST_F(DeviceClockTest, InvalidClockGivesEmptyTextAndStaysUnchanged) {
  DeviceClock fresh;
  EXPECT_EQ(ValuesOf(fresh), (ClockValues{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fresh.Text(), "");
  EXPECT_EQ(fresh.Tick(), "");
  EXPECT_EQ(ValuesOf(fresh), (ClockValues{0, 0, 0, 0, 0, 0}));

  const std::array<std::uint8_t, 7> invalid[] = {
      Rtc(0x00, 0x00, 0x12, 0x15, 0x00, 0x00, 0x23),  // month 0
      Rtc(0x00, 0x00, 0x12, 0x15, 0x00, 0x13, 0x23),  // month 13
      Rtc(0x00, 0x00, 0x12, 0x00, 0x00, 0x06, 0x23),  // day 0
      Rtc(0x00, 0x00, 0x12, 0x32, 0x00, 0x06, 0x23),  // day 32
      Rtc(0x00, 0x00, 0x24, 0x15, 0x00, 0x06, 0x23),  // hour 24
      Rtc(0x00, 0x60, 0x12, 0x15, 0x00, 0x06, 0x23),  // minute 60
      Rtc(0x60, 0x00, 0x12, 0x15, 0x00, 0x06, 0x23),  // second 60
  };
  for (const auto& rtc : invalid) {
    DeviceClock clock = Loaded(rtc);
    const ClockValues before = ValuesOf(clock);
    EXPECT_EQ(clock.Text(), "");
    EXPECT_EQ(clock.Tick(), "");
    EXPECT_EQ(ValuesOf(clock), before);
  }
}

TEST_F(DeviceClockTest, ClockStopsAtTheEndOf2099) {
  // Two-digit years cannot go past 2099; the clock keeps its last time.
  DeviceClock clock = Loaded(Rtc(0x59, 0x59, 0x23, 0x31, 0x00, 0x12, 0x99));
  EXPECT_EQ(clock.Tick(), "");
  EXPECT_EQ(ValuesOf(clock), (ClockValues{99, 12, 31, 23, 59, 59}));
  EXPECT_EQ(clock.Text(), "2099-12-31 23:59:59");
}

TEST_F(DeviceClockTest, ClearReturnsToTheStartState) {
  DeviceClock clock = Loaded(Rtc(0x56, 0x34, 0x12, 0x28, 0x03, 0x07, 0x24));
  clock.Clear();
  EXPECT_EQ(ValuesOf(clock), (ClockValues{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(clock.Text(), "");
  EXPECT_EQ(clock.Tick(), "");
}

}  // namespace
}  // namespace telvaro
