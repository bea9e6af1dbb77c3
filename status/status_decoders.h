// Decoders for the live status the modem reports inside every configuration
// record (registration, GPRS and TCP states, signal level, byte counters), and
// the device clock the main window shows and ticks forward between records.
// Pure logic: no windows, no I/O.
#pragma once

#include <cstdint>
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
// advanced one second per Tick. All zero (and so invalid) until first loaded.
class DeviceClock {
 public:
  // Loads the 7-byte BCD time of the record: second, minute, hour, day,
  // weekday (ignored), month, year - 2000.
  void Load(const std::uint8_t* rtc7);

  // Adds one second in local time (impossible dates are normalised, e.g.
  // 31 February becomes 3 March) and returns the new clock text. When the
  // clock is not a valid time it stays unchanged and the text is empty.
  std::string Tick();

  // The current clock as "20YY-MM-DD hh:mm:ss", or empty when invalid.
  std::string Text() const;

  bool IsValid() const;
  void Clear();

  std::uint8_t year() const { return year_; }  // year - 2000
  std::uint8_t month() const { return month_; }
  std::uint8_t day() const { return day_; }
  std::uint8_t hour() const { return hour_; }
  std::uint8_t minute() const { return minute_; }
  std::uint8_t second() const { return second_; }

 private:
  std::uint8_t year_ = 0;
  std::uint8_t month_ = 0;
  std::uint8_t day_ = 0;
  std::uint8_t hour_ = 0;
  std::uint8_t minute_ = 0;
  std::uint8_t second_ = 0;
};

}  // namespace telvaro
