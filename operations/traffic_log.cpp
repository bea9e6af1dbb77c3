#include "operations/traffic_log.h"

#include <algorithm>
#include <cstdint>
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

namespace {

constexpr std::size_t kMaxHeader = marker::kCommandStart.size() + command::kSetSysPara.size();

// Overwrites the secrets of a record that starts at `record` (an index into
// `bytes`, negative when it started in bytes taken earlier).
void MaskSecretsAt(std::span<std::uint8_t> bytes, std::int64_t record) {
  const auto n = static_cast<std::int64_t>(bytes.size());
  for (const SettingRule& rule : kSettingRules) {
    if (!rule.secret) continue;
    const FieldInfo& secret = *rule.field;
    const std::int64_t first = record + static_cast<std::int64_t>(secret.offset);
    const std::int64_t from = std::max<std::int64_t>(0, first);
    const std::int64_t to = std::min<std::int64_t>(n, first + static_cast<std::int64_t>(secret.width));
    for (std::int64_t i = from; i < to; ++i) {
      std::uint8_t& b = bytes[static_cast<std::size_t>(i)];
      if (b != 0) b = '*';  // the text's end stays visible, its content does not
    }
  }
}

// Each "set_syspara" or parameter header found anywhere in `bytes`, noise
// before it or not: where it starts, and where its record starts.
struct RecordStart {
  std::size_t header;
  std::size_t record;
  bool operator<(const RecordStart& other) const { return header < other.header; }
};
std::vector<RecordStart> RecordStarts(std::span<const std::uint8_t> bytes) {
  std::vector<RecordStart> starts;
  for (const RecordFrame& shape : kRecordFrames) {
    const std::size_t header = shape.marker.size() + shape.word.size();
    for (std::size_t at = 0; at + header <= bytes.size(); ++at)
      if (StartsWith(bytes.subspan(at), shape.marker) && StartsWith(bytes.subspan(at + shape.marker.size()), shape.word))
        starts.push_back({at, at + header});
  }
  std::sort(starts.begin(), starts.end());
  return starts;
}

}  // namespace

void MaskRecordSecrets(std::vector<std::uint8_t>& frame) {
  for (const RecordStart& start : RecordStarts(frame)) MaskSecretsAt(frame, static_cast<std::int64_t>(start.record));
}

void TrafficLog::MaskReceived(const std::string& port, std::vector<std::uint8_t>& chunk) {
  ReceivedStream& stream = streams_[port];
  const std::uint64_t chunkStart = stream.seen;
  std::vector<std::uint8_t> joined = stream.tail;
  joined.insert(joined.end(), chunk.begin(), chunk.end());
  const std::uint64_t joinedStart = chunkStart - stream.tail.size();
  std::uint64_t firstHeader = UINT64_MAX;
  for (const RecordStart& start : RecordStarts(joined)) {
    const std::uint64_t at = joinedStart + start.record;
    if (std::find(stream.records.begin(), stream.records.end(), at) != stream.records.end()) continue;
    stream.records.push_back(at);
    firstHeader = std::min<std::uint64_t>(firstHeader, joinedStart + start.header);
  }
  // Positions unknown since a frame went out mid-record: everything up to
  // where that record could end is masked, unless a new answer begins.
  const std::uint64_t blindEnd = std::min(stream.blindUntil, firstHeader);
  for (std::uint64_t at = chunkStart; at < blindEnd && at < chunkStart + chunk.size(); ++at)
    chunk[static_cast<std::size_t>(at - chunkStart)] = '*';
  if (firstHeader != UINT64_MAX) stream.blindUntil = 0;
  for (const std::uint64_t record : stream.records)
    MaskSecretsAt(chunk, static_cast<std::int64_t>(record) - static_cast<std::int64_t>(chunkStart));
  stream.seen += chunk.size();
  const std::size_t keep = std::min(joined.size(), kMaxHeader - 1);
  stream.tail.assign(joined.end() - static_cast<std::ptrdiff_t>(keep), joined.end());
  std::erase_if(stream.records, [&](std::uint64_t record) { return record + ConfigRecord::kSize <= stream.seen; });
}

void TrafficLog::NoteSent(const std::string& port) {
  const auto it = streams_.find(port);
  if (it == streams_.end()) return;
  ReceivedStream& stream = it->second;
  // What arrives while a frame goes out is thrown away unseen, so a record
  // still coming in can no longer be followed by position.
  for (const std::uint64_t record : stream.records)
    stream.blindUntil = std::max(stream.blindUntil, record + ConfigRecord::kSize);
  stream.records.clear();
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
  std::lock_guard guard(lock_);
  if (direction == TrafficDirection::Sent) {
    MaskRecordSecrets(entry.bytes);  // a frame is shown whole
    NoteSent(port);
  } else {
    MaskReceived(port, entry.bytes);
  }
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
