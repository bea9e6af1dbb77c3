#include "status/status_decoders.h"

#include <cstdio>
#include <ctime>
#include <span>

namespace telvaro {
namespace {

struct CodeText {
  std::uint8_t code;
  const char* text;
};

constexpr const char* kUnknown = "Unknown";

// Codes missing from a table are "Unknown".
constexpr CodeText kRegistration[] = {
    {0, "Searching new operator"},
    {1, "Registered to home network"},
    {2, "Searching new operator"},
    {3, "Registration denied"},
    {5, "Registered, roaming"},
};

constexpr CodeText kGprsStatus[] = {
    {0, "Down"}, {1, "Connecting"}, {2, "Up"}, {3, "Limited Up"}, {4, "Closing"},
};

constexpr CodeText kTcpStatus[] = {
    {2, "Allocated"}, {3, "Connecting"}, {4, "Up"}, {5, "Closing"}, {6, "Down"},
};

std::string Lookup(std::span<const CodeText> table, std::uint8_t code) {
  for (const CodeText& entry : table) {
    if (entry.code == code) return entry.text;
  }
  return kUnknown;
}

// The lowest level the modem reports, in dBm, and the highest measured level
// code; level r stands for 2*r + kFloorDbm dBm.
constexpr int kFloorDbm = -113;
constexpr int kMaxMeasuredLevel = 31;

int SignalBars(int rssi) {
  if (rssi < 1 || rssi > kMaxMeasuredLevel) return 0;
  if (rssi <= 9) return 1;
  if (rssi <= 19) return 2;
  return 3;
}

// The modem's clock bytes are packed BCD. They are read as the two hex digits
// of the byte taken as a decimal number, up to the first digit that is not
// decimal: 0x59 gives 59, 0x5A gives 5 and 0xA5 gives 0.
std::uint8_t BcdByteValue(std::uint8_t raw) {
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(raw));
  std::uint8_t value = 0;
  for (const char* p = hex; *p >= '0' && *p <= '9'; ++p) {
    value = static_cast<std::uint8_t>(value * 10 + (*p - '0'));
  }
  return value;
}

bool ToLocalTime(std::time_t when, std::tm& out) {
#ifdef _WIN32
  return localtime_s(&out, &when) == 0;
#else
  return localtime_r(&when, &out) != nullptr;
#endif
}

// tm_year counts from 1900; the clock holds years 2000..2099 as 0..99.
constexpr int kTmYearOf2000 = 100;
constexpr int kMaxYearOffset = 99;

}  // namespace

std::string RegistrationText(std::uint8_t code) { return Lookup(kRegistration, code); }

std::string GprsStatusText(std::uint8_t code) { return Lookup(kGprsStatus, code); }

std::string TcpStatusText(std::uint8_t code) { return Lookup(kTcpStatus, code); }

SignalLevel DecodeSignalLevel(int rssi) {
  // Anything that is not a measurement shows as level 0, the floor in dBm.
  const bool measured = rssi >= 1 && rssi <= kMaxMeasuredLevel;
  const int level = measured ? rssi : 0;
  SignalLevel result;
  result.bars = SignalBars(rssi);
  result.rssiText = "RSSI: " + std::to_string(level);
  result.dbText = std::to_string(2 * level + kFloorDbm) + "DB";
  return result;
}

std::string ByteCounterText(std::uint32_t value) {
  return std::to_string(static_cast<std::int32_t>(value));
}

void DeviceClock::Load(const std::uint8_t* rtc7) {
  second_ = BcdByteValue(rtc7[0]);
  minute_ = BcdByteValue(rtc7[1]);
  hour_ = BcdByteValue(rtc7[2]);
  day_ = BcdByteValue(rtc7[3]);
  // rtc7[4] is the weekday, which the display does not use.
  month_ = BcdByteValue(rtc7[5]);
  year_ = BcdByteValue(rtc7[6]);
  loadedAt_ = Now();
  secondsAdded_ = 0;
}

std::string DeviceClock::Update() {
  const long long elapsed = std::chrono::duration_cast<std::chrono::seconds>(Now() - loadedAt_).count();
  if (elapsed > secondsAdded_ && AddSeconds(elapsed - secondsAdded_)) secondsAdded_ = elapsed;
  return Text();
}

bool DeviceClock::IsValid() const {
  return year_ <= kMaxYearOffset && month_ >= 1 && month_ <= 12 && day_ >= 1 && day_ <= 31 &&
         hour_ <= 23 && minute_ <= 59 && second_ <= 59;
}

std::string DeviceClock::Tick() { return AddSeconds(1) ? Text() : std::string(); }

bool DeviceClock::AddSeconds(long long seconds) {
  if (!IsValid()) return false;

  std::tm local{};
  local.tm_year = kTmYearOf2000 + year_;
  local.tm_mon = month_ - 1;
  local.tm_mday = day_;
  local.tm_hour = hour_;
  local.tm_min = minute_;
  local.tm_sec = second_;
  local.tm_isdst = -1;  // let the platform decide daylight saving
  const std::time_t when = std::mktime(&local);  // normalises e.g. 31 February
  if (when == static_cast<std::time_t>(-1)) return false;

  std::tm next{};
  if (!ToLocalTime(when + static_cast<std::time_t>(seconds), next)) return false;
  // The clock only holds 2000..2099; past the end of 2099 it stops rather
  // than show a five-digit year.
  const int yearOffset = next.tm_year - kTmYearOf2000;
  if (yearOffset < 0 || yearOffset > kMaxYearOffset) return false;

  year_ = static_cast<std::uint8_t>(yearOffset);
  month_ = static_cast<std::uint8_t>(next.tm_mon + 1);
  day_ = static_cast<std::uint8_t>(next.tm_mday);
  hour_ = static_cast<std::uint8_t>(next.tm_hour);
  minute_ = static_cast<std::uint8_t>(next.tm_min);
  second_ = static_cast<std::uint8_t>(next.tm_sec);
  return true;
}

std::string DeviceClock::Text() const {
  if (!IsValid()) return {};
  char text[32];
  std::snprintf(text, sizeof text, "20%02d-%02d-%02d %02d:%02d:%02d", year_, month_, day_, hour_,
                minute_, second_);
  return text;
}

void DeviceClock::Clear() {
  TimeSource source = std::move(now_);
  *this = DeviceClock{};
  now_ = std::move(source);
}

}  // namespace telvaro
