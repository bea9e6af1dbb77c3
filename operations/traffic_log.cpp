#include "operations/traffic_log.h"

#include <cstdio>
#include <string_view>

#include "protocol/frame_codec.h"
#include "record/setting_rules.h"

namespace telvaro {
namespace {

constexpr std::size_t kBytesPerLine = 16;

// Where the record starts inside the frames that carry one.
struct RecordFrame {
  std::string_view marker;
  std::string_view word;
};
constexpr RecordFrame kRecordFrames[] = {{marker::kCommandStart, command::kSetSysPara},
                                         {marker::kResponseStart, kParametersWord}};

std::string UtcMillis(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(when);
  const auto day = floor<days>(ms);
  const year_month_day date(day);
  const hh_mm_ss time(ms - day);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
  return text;
}

}  // namespace

void MaskRecordSecrets(std::vector<std::uint8_t>& frame) {
  for (const RecordFrame& shape : kRecordFrames) {
    if (!StartsWith(frame, shape.marker)) continue;
    if (!StartsWith(std::span(frame).subspan(shape.marker.size()), shape.word)) continue;
    const std::size_t record = shape.marker.size() + shape.word.size();
    for (const SettingRule& rule : kSettingRules) {
      if (!rule.secret) continue;
      const FieldInfo& secret = *rule.field;
      for (std::size_t i = record + secret.offset; i < record + secret.offset + secret.width && i < frame.size(); ++i)
        if (frame[i] != 0) frame[i] = '*';  // the text's end stays visible, its content does not
    }
  }
}

std::string FormatTrafficEntry(const TrafficEntry& entry) {
  std::string text = UtcMillis(entry.when) + " " + entry.port +
                     (entry.direction == TrafficDirection::Sent ? " sent " : " received ") +
                     std::to_string(entry.bytes.size()) + " bytes\n";
  for (std::size_t line = 0; line < entry.bytes.size(); line += kBytesPerLine) {
    char cell[24];
    std::snprintf(cell, sizeof cell, "  %04zx ", line);
    text += cell;
    std::string printable;
    for (std::size_t i = line; i < line + kBytesPerLine; ++i) {
      if (i < entry.bytes.size()) {
        const std::uint8_t b = entry.bytes[i];
        std::snprintf(cell, sizeof cell, " %02x", b);
        text += cell;
        printable += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
      } else {
        text += "   ";
      }
    }
    text += "  " + printable + "\n";
  }
  return text;
}

void TrafficLog::Add(const std::string& port, TrafficDirection direction, std::span<const std::uint8_t> bytes) {
  TrafficEntry entry{std::chrono::system_clock::now(), port, direction, {bytes.begin(), bytes.end()}};
  MaskRecordSecrets(entry.bytes);
  std::lock_guard guard(lock_);
  if (sink_) sink_(FormatTrafficEntry(entry));
  if (keep_ == 0) return;
  if (entries_.size() == keep_) entries_.pop_front();
  entries_.push_back(std::move(entry));
}

TrafficTap TrafficLog::TapFor(std::string port) {
  return [this, port = std::move(port)](TrafficDirection direction, std::span<const std::uint8_t> bytes) {
    Add(port, direction, bytes);
  };
}

std::string TrafficLog::Text() const {
  std::lock_guard guard(lock_);
  std::string text;
  for (const TrafficEntry& entry : entries_) text += FormatTrafficEntry(entry);
  return text;
}

std::size_t TrafficLog::Size() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

}  // namespace telvaro
