// Decoders for the live status the modem reports inside every configuration
// record (registration, GPRS and TCP states, signal level, byte counters), and
// the device clock the main window shows and ticks forward between records.
// Pure logic: no windows, no I/O.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace telvaro {

// Network registration state (record field reg_status).
std::string RegistrationText(std::uint8_t code);

// GPRS link state (record field gprs_status).
std::string GprsStatusText(std::uint8_t code);

// TCP link state (record field tcp_status). Its codes differ from the GPRS
// ones: they start at 2 and "Down" is 6.
std::string TcpStatusText(std::uint8_t code);

// What the "Rx Level" group shows for a received signal level.
struct SignalLevel {
  int bars = 0;          // lit bars of the signal icon, 0..3
  std::string rssiText;  // "RSSI: %d"
  std::string dbText;    // "%dDB", the level in dBm
};

// Levels 1..31 are measurements; anything else (0, 99 "not known", out of
// range) shows as no signal.
SignalLevel DecodeSignalLevel(int rssi);

// Byte counters (tx_bytes, rx_bytes) are shown as signed 32-bit decimals, so a
// counter with every bit set reads "-1".
std::string ByteCounterText(std::uint32_t value);

// The modem's clock as displayed: loaded from the record's BCD time and
// advanced by the real time that has passed since (Update), or one second per
// Tick. All zero (and so invalid) until first loaded.
class DeviceClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using TimeSource = std::function<TimePoint()>;

  // The steady clock unless a test gives another source.
  void SetTimeSource(TimeSource source) { now_ = std::move(source); }

  // Loads the 7-byte BCD time of the record: second, minute, hour, day,
  // weekday (ignored), month, year - 2000. Real time is counted from here.
  void Load(const std::uint8_t* rtc7);

  // Adds the whole seconds of real time elapsed since Load that have not been
  // added yet, and returns the clock text (empty when invalid). However often
  // or seldom it is called, the shown clock keeps real time.
  std::string Update();

  // Adds one second in local time (impossible dates are normalised, e.g.
  // 31 February becomes 3 March) and returns the new clock text. When the
  // clock is not a valid time it stays unchanged and the text is empty.
  std::string Tick();

  // The current clock as "20YY-MM-DD hh:mm:ss", or empty when invalid.
  std::string Text() const;

  bool IsValid() const;
  void Clear();  // keeps the time source

  std::uint8_t year() const { return year_; }  // year - 2000
  std::uint8_t month() const { return month_; }
  std::uint8_t day() const { return day_; }
  std::uint8_t hour() const { return hour_; }
  std::uint8_t minute() const { return minute_; }
  std::uint8_t second() const { return second_; }

 private:
  // Adds `seconds` in local time; false (and unchanged) when invalid or past 2099.
  bool AddSeconds(long long seconds);
  TimePoint Now() const { return now_ ? now_() : std::chrono::steady_clock::now(); }

  TimeSource now_;
  TimePoint loadedAt_{};
  long long secondsAdded_ = 0;  // of the real time since loadedAt_
  std::uint8_t year_ = 0;
  std::uint8_t month_ = 0;
  std::uint8_t day_ = 0;
  std::uint8_t hour_ = 0;
  std::uint8_t minute_ = 0;
  std::uint8_t second_ = 0;
};

}  // namespace telvaro
