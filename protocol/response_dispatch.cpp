#include "protocol/response_dispatch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "protocol/frame_codec.h"
#include "protocol/record_checksum.h"

namespace telvaro {
namespace {

bool Framed(std::span<const std::uint8_t> snapshot, std::string_view start, std::string_view end) {
  return snapshot.size() >= start.size() + end.size() && StartsWith(snapshot, start) &&
         EndsWith(snapshot, end);
}

struct StatusText {
  int code;
  std::string_view text;
};

constexpr StatusText kUpgradeStatusTexts[] = {
    {0, "Success"},
    {2, "Err:Message is too short"},
    {3, "Err:Length err"},
    {4, "Err:Wrong Total Number"},
    {5, "Err:Wrong Index"},
    {6, "Err:Check Sum Failed"},
    {7, "Err:Write False Failed"},
    {8, "Upgrade Finished"},
};
constexpr std::string_view kCommFailed = "Err:Comm Failed";

// Codes that say the packet was taken: "Success" and "Upgrade Finished".
bool IsUpgradeSuccess(int code) { return code == 0 || code == 8; }

// Two or more whole status responses back to back (a modem that repeats
// itself faster than the quiet period): their codes in order. Empty for
// anything else, which is judged as one frame.
std::vector<int> MergedStatusCodes(std::span<const std::uint8_t> snapshot) {
  constexpr std::size_t kStatusLen = marker::kUpgradeStart.size() + 1 + marker::kUpgradeEnd.size();
  if (snapshot.size() < 2 * kStatusLen || snapshot.size() % kStatusLen != 0) return {};
  std::vector<int> codes;
  for (std::size_t at = 0; at < snapshot.size(); at += kStatusLen) {
    const auto one = snapshot.subspan(at, kStatusLen);
    if (!Framed(one, marker::kUpgradeStart, marker::kUpgradeEnd)) return {};
    codes.push_back(FrameCodec::ParseUpgradeStatus(one.data() + marker::kUpgradeStart.size(), 1));
  }
  return codes;
}

}  // namespace

void ResponseDispatcher::DispatchResponse() {
  std::uint64_t epoch = 0;
  const Bytes snapshot = buffer_.TakeSnapshot(&epoch);
  // From here on the buffer is free for new data, whatever the outcome.
  DispatchSnapshot(snapshot.data(), snapshot.size(), epoch);
}

bool ResponseDispatcher::DispatchIfComplete() {
  std::uint64_t epoch = 0;
  const auto snapshot = buffer_.TakePrefixIf(CompleteAnswerLength, &epoch);
  if (!snapshot) return false;
  DispatchSnapshot(snapshot->data(), snapshot->size(), epoch);
  return true;
}

void ResponseDispatcher::DispatchSnapshot(const std::uint8_t* data, std::size_t len) {
  DispatchSnapshot(data, len, buffer_.Epoch());
}

void ResponseDispatcher::DispatchSnapshot(const std::uint8_t* data, std::size_t len, std::uint64_t epoch) {
  // A frame went out after these bytes came: they answer an earlier one (a
  // duplicate, a late echo) and must not be taken for the new frame's answer.
  if (epoch != buffer_.Epoch()) return;
  const std::uint64_t previousEpoch = state_.answerEpoch.exchange(epoch, std::memory_order_acq_rel);
  const std::span<const std::uint8_t> snapshot(data, len);
  if (tap_ && len > 0) tap_(TrafficDirection::Received, snapshot);
  if (Framed(snapshot, marker::kUpgradeStart, marker::kUpgradeEnd)) {
    std::vector<int> codes = MergedStatusCodes(snapshot);
    if (codes.empty()) {
      const std::size_t bodyLen = len - marker::kUpgradeStart.size() - marker::kUpgradeEnd.size();
      codes.push_back(FrameCodec::ParseUpgradeStatus(data + marker::kUpgradeStart.size(),
                                                     static_cast<std::ptrdiff_t>(bodyLen)));
    }
    // Two answers to one packet: a refusal is never overruled by a success
    // that follows it (a duplicate of an earlier packet's answer). Answers
    // that arrived back to back are taken in turn, as if each came alone.
    bool sameFrame = previousEpoch == epoch;
    for (const int code : codes) {
      const int held = state_.upgradeResult.load(std::memory_order_acquire);
      const bool refusalHeld = sameFrame && held != ModemState::kNoAnswer && !IsUpgradeSuccess(held);
      if (!(refusalHeld && IsUpgradeSuccess(code))) state_.upgradeResult.store(code, std::memory_order_release);
      sameFrame = true;
    }
    state_.AnswerArrived();
    return;
  }
  if (Framed(snapshot, marker::kResponseStart, marker::kResponseEnd)) {
    AcceptParameters(data + marker::kResponseStart.size(),
                     len - marker::kResponseStart.size() - marker::kResponseEnd.size());
  }
  // Anything else is dropped without a message.
}

ParameterCheck CheckParameters(const std::uint8_t* body, std::size_t n) {
  ParameterCheck check;
  if (!StartsWith(std::span(body, n), kParametersWord)) return check;
  // Only a whole record and its checksum is a record. A shorter body can
  // still sum right (lost bytes that were zero change no sum), and would
  // shift every later field; a longer one has no room.
  if (n != kParametersBodySize) {
    check.verdict = ParameterCheck::WrongLength;
    return check;
  }
  // The checksum covers the record bytes; the last byte is the checksum.
  check.computed = RecordChecksum(body + kParametersWord.size(), static_cast<std::ptrdiff_t>(ConfigRecord::kSize));
  check.received = body[n - 1];
  check.verdict = check.computed == check.received ? ParameterCheck::Good : ParameterCheck::BadChecksum;
  return check;
}

void ResponseDispatcher::AcceptParameters(const std::uint8_t* body, std::size_t n) {
  const ParameterCheck check = CheckParameters(body, n);
  switch (check.verdict) {
    case ParameterCheck::NotParameters:
    case ParameterCheck::WrongLength:
      return;
    case ParameterCheck::BadChecksum: {
      char text[32];
      std::snprintf(text, sizeof text, "bad chksum (%02X-%02X)", check.computed, check.received);
      host_.ShowMessage(text);
      return;
    }
    case ParameterCheck::Good:
      break;
  }
  ConfigRecord& record = state_.record;
  {
    std::lock_guard guard(state_.recordLock);
    record.ReplaceFrom(std::span(body + kParametersWord.size(), ConfigRecord::kBlockSize));
  }
  const bool ioPresent = (record.Get(field::hw_options) & kHwOptionDigitalIo) != 0;
  host_.SetIoPresent(ioPresent);
  host_.SetGridEnabled(ioPresent);
  host_.ShowRecordOnPages(record);
  state_.responseReceived.store(true, std::memory_order_release);  // last of all
  state_.AnswerArrived();
}

std::size_t CompleteAnswerLength(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kStatusLen = marker::kUpgradeStart.size() + 1 + marker::kUpgradeEnd.size();
  if (bytes.size() == kStatusLen) return Framed(bytes, marker::kUpgradeStart, marker::kUpgradeEnd) ? kStatusLen : 0;
  constexpr std::size_t kResponseLen = marker::kResponseStart.size() + kParametersBodySize + marker::kResponseEnd.size();
  if (bytes.size() < kResponseLen || !Framed(bytes.first(kResponseLen), marker::kResponseStart, marker::kResponseEnd))
    return 0;
  // Behind a whole parameter response only the start of the next one may
  // follow (a modem that echoes twice): anything else makes the snapshot one
  // malformed frame, judged after the quiet period.
  const auto rest = bytes.subspan(kResponseLen);
  const std::size_t shared = std::min(rest.size(), marker::kResponseStart.size());
  if (!std::equal(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(shared), marker::kResponseStart.begin()))
    return 0;
  return CheckParameters(bytes.data() + marker::kResponseStart.size(), kParametersBodySize).verdict ==
                 ParameterCheck::Good
             ? kResponseLen
             : 0;
}

bool IsCompleteAnswer(std::span<const std::uint8_t> bytes) {
  return !bytes.empty() && CompleteAnswerLength(bytes) == bytes.size();
}

std::string_view UpgradeStatusText(int code) {
  for (const StatusText& entry : kUpgradeStatusTexts)
    if (entry.code == code) return entry.text;
  return kCommFailed;
}

void ShowUpgradeStatus(MessageSink& sink, int code) { sink.ShowMessage(std::string(UpgradeStatusText(code))); }

}  // namespace telvaro
