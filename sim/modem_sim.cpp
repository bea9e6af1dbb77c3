#include "sim/modem_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <ctime>
#include <deque>

#include "protocol/record_checksum.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"
#include "sim/pty.h"

namespace telvaro::sim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint8_t kStrayByte = 0x55;
constexpr std::size_t kFloodSize = 3200;
constexpr std::uint8_t kFloodPadding = 0xAA;
constexpr std::size_t kPacingChunk = 64;
// 8N1 at 115200 baud: ten bit times per byte.
constexpr std::chrono::nanoseconds kWireTimePerByte{1'000'000'000LL * 10 / 115200};
// A response nobody reads (no client has the device open) is dropped after this
// long without progress, as bytes on a wire with no listener are lost.
constexpr auto kWriteStallLimit = 2000ms;
constexpr auto kWriteWaitSlice = 50ms;
// An ambiguous upgrade frame is settled after the line was quiet this long.
constexpr int kIdleResolveMs = 100;
constexpr int kExclusiveCheckMs = 250;  // how often an abandoned exclusive line is looked for

// Upgrade frame body: length, total and index fields, data, checksum.
constexpr std::size_t kUpgradeHeader = 6;
constexpr std::size_t kUpgradeBodyMin = kUpgradeHeader + 1;
constexpr std::size_t kUpgradeBodyMax = kUpgradeBodyMin + kUpgradePacketData;
constexpr std::size_t kUpgradeFrameMax =
    marker::kUpgradeStart.size() + kUpgradeBodyMax + marker::kUpgradeEnd.size();
// Offset of the checksum byte in a parameter response.
constexpr std::size_t kResponseChecksumOffset =
    marker::kResponseStart.size() + kParametersWord.size() + ConfigRecord::kSize;
// An unknown command word is believed only when it is short and lower case.
constexpr std::size_t kMaxUnknownWord = 32;

// Upgrade status codes the loader answers with.
constexpr int kCodeSuccess = 0;
constexpr int kCodeTooShort = 2;
constexpr int kCodeLengthError = 3;
constexpr int kCodeWrongIndex = 5;
constexpr int kCodeChecksumFailed = 6;
constexpr int kCodeFinished = 8;

using ByteView = std::span<const std::uint8_t>;

std::uint16_t BigEndian16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// ---------------------------------------------------------------------------
// Recognising frames in the incoming byte stream.

struct ScanResult {
  enum State { NeedMore, Invalid, Complete } state;
  FrameKind kind = FrameKind::Unknown;
  std::size_t length = 0;
};

enum class Match { Dead, Partial, Complete };

// Compares as much of `bytes` as there is with `text` at `offset`.
Match MatchText(ByteView bytes, std::size_t offset, std::string_view text) {
  const std::size_t have = bytes.size() > offset ? bytes.size() - offset : 0;
  const std::size_t n = std::min(have, text.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (bytes[offset + i] != static_cast<std::uint8_t>(text[i])) return Match::Dead;
  }
  return n == text.size() ? Match::Complete : Match::Partial;
}

struct CommandShape {
  std::string_view word;
  std::size_t payload;
  FrameKind kind;
};
constexpr CommandShape kCommands[] = {
    {command::kGetSysPara, 0, FrameKind::GetSysPara},
    {command::kSetSysPara, ConfigRecord::kBlockSize, FrameKind::SetSysPara},
    {command::kReboot, 0, FrameKind::Reboot},
    {command::kRebootLdrom, 0, FrameKind::RebootLdrom},
};

// `rest` follows "CON_STA": word, payload of any bytes, "CON_END".
Match MatchCommand(ByteView rest, const CommandShape& shape) {
  if (MatchText(rest, 0, shape.word) == Match::Dead) return Match::Dead;
  const std::size_t endAt = shape.word.size() + shape.payload;
  if (rest.size() <= endAt) return Match::Partial;
  return MatchText(rest, endAt, marker::kCommandEnd);
}

bool IsWordChar(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

// A command frame with a word the modem does not know: short, lower case.
// Returns the frame length in `length` when complete.
Match MatchUnknownCommand(ByteView rest, std::size_t& length) {
  std::size_t j = 0;
  while (j < rest.size() && j <= kMaxUnknownWord && IsWordChar(rest[j])) ++j;
  if (j > kMaxUnknownWord) return Match::Dead;
  if (j == rest.size()) return Match::Partial;
  if (j == 0) return Match::Dead;
  const Match end = MatchText(rest, j, marker::kCommandEnd);
  if (end == Match::Complete) length = marker::kCommandStart.size() + j + marker::kCommandEnd.size();
  return end;
}

ScanResult ScanCommand(ByteView p) {
  const Match start = MatchText(p, 0, marker::kCommandStart);
  if (start == Match::Dead) return {ScanResult::Invalid};
  if (start == Match::Partial) return {ScanResult::NeedMore};
  const ByteView rest = p.subspan(marker::kCommandStart.size());
  bool knownPartial = false;
  for (const CommandShape& shape : kCommands) {
    const Match m = MatchCommand(rest, shape);
    if (m == Match::Complete) {
      const std::size_t length = marker::kCommandStart.size() + shape.word.size() + shape.payload +
                                 marker::kCommandEnd.size();
      return {ScanResult::Complete, shape.kind, length};
    }
    if (m == Match::Partial) knownPartial = true;
  }
  // A known word still arriving wins over an unknown one that already looks
  // complete ("set_syspara" is followed by arbitrary record bytes).
  if (knownPartial) return {ScanResult::NeedMore};
  std::size_t length = 0;
  switch (MatchUnknownCommand(rest, length)) {
    case Match::Complete: return {ScanResult::Complete, FrameKind::Unknown, length};
    case Match::Partial: return {ScanResult::NeedMore};
    case Match::Dead: break;
  }
  return {ScanResult::Invalid};
}

// The length field says where "UPGRADE_END" should be. When it is not there
// (a wrong length field, or bytes lost on the way) the first end marker found
// closes the frame instead, so that the loader can refuse it with a length
// error rather than wait for bytes that never come. An end marker before the
// announced end may be data, so it is used only once the line is quiet.
ScanResult ScanUpgrade(ByteView p, bool idle) {
  const Match start = MatchText(p, 0, marker::kUpgradeStart);
  if (start == Match::Dead) return {ScanResult::Invalid};
  if (start == Match::Partial) return {ScanResult::NeedMore};
  const std::size_t bodyAt = marker::kUpgradeStart.size();
  const std::size_t endLen = marker::kUpgradeEnd.size();

  std::size_t firstEnd = 0;  // 0: none seen yet
  const std::size_t searchLimit = std::min(p.size(), kUpgradeFrameMax);
  for (std::size_t e = bodyAt; e + endLen <= searchLimit; ++e) {
    if (MatchText(p, e, marker::kUpgradeEnd) == Match::Complete) {
      firstEnd = e;
      break;
    }
  }
  auto byFirstEnd = [&]() -> ScanResult {
    if (firstEnd != 0) return {ScanResult::Complete, FrameKind::UpgradeData, firstEnd + endLen};
    if (p.size() >= kUpgradeFrameMax) return {ScanResult::Invalid};
    return {ScanResult::NeedMore};
  };

  if (p.size() < bodyAt + 2) return {ScanResult::NeedMore};
  const std::size_t announced = BigEndian16(p.data() + bodyAt);
  if (announced < kUpgradeBodyMin || announced > kUpgradeBodyMax) return byFirstEnd();
  const std::size_t announcedEnd = bodyAt + announced;
  if (p.size() < announcedEnd + endLen) {
    if (idle && firstEnd != 0) return byFirstEnd();
    return {ScanResult::NeedMore};
  }
  if (MatchText(p, announcedEnd, marker::kUpgradeEnd) == Match::Complete) {
    return {ScanResult::Complete, FrameKind::UpgradeData, announcedEnd + endLen};
  }
  return byFirstEnd();
}

ScanResult ScanFrame(ByteView p, bool idle) {
  if (p.empty()) return {ScanResult::NeedMore};
  if (p[0] == static_cast<std::uint8_t>(marker::kCommandStart[0])) return ScanCommand(p);
  if (p[0] == static_cast<std::uint8_t>(marker::kUpgradeStart[0])) return ScanUpgrade(p, idle);
  return {ScanResult::Invalid};
}

ByteView UpgradeBody(const Bytes& frame) {
  return ByteView(frame).subspan(marker::kUpgradeStart.size(),
                                 frame.size() - marker::kUpgradeStart.size() -
                                     marker::kUpgradeEnd.size());
}

// ---------------------------------------------------------------------------
// The modem's clock and status values.

BcdTime ToBcdTime(const std::tm& tm) {
  return BcdTime{tm.tm_sec, tm.tm_min, tm.tm_hour, tm.tm_mday,
                 tm.tm_wday, tm.tm_mon + 1, (tm.tm_year + 1900 - 2000) % 100};
}

void WriteClock(ConfigRecord& record, std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  const BcdTime time = ToBcdTime(tm);
  record.SetTime(field::rtc_time, time);
  // SetTime leaves the weekday alone (the tool never writes it); the device does.
  record.SetRawByte(field::rtc_time.offset + kBcdWeekday, ToBcd(time.weekday));
}

// The local time a BcdTime names, or nullopt when it names none.
std::optional<std::time_t> FromBcdTime(const BcdTime& time) {
  std::tm tm{};
  tm.tm_sec = time.second;
  tm.tm_min = time.minute;
  tm.tm_hour = time.hour;
  tm.tm_mday = time.day;
  tm.tm_mon = time.month - 1;
  tm.tm_year = time.year + 100;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return t;
}

void StoreChecksum(ConfigRecord& record) { record.SetChecksum(RecordChecksum(record.Record())); }

void ApplyDigitalIo(ConfigRecord& record, bool digitalIo) {
  std::uint8_t hw = record.Get(field::hw_options);
  hw = digitalIo ? static_cast<std::uint8_t>(hw | kHwOptionDigitalIo)
                 : static_cast<std::uint8_t>(hw & ~kHwOptionDigitalIo);
  record.Set(field::hw_options, hw);
  StoreChecksum(record);
}

}  // namespace

// ---------------------------------------------------------------------------

struct ModemSimulator::Impl {
  struct Job {
    Bytes bytes;
    Clock::time_point received;
    bool parameterResponse = false;
    int extraDelayMs = 0;  // a duplicate waits this much longer
  };

  SimOptions options;  // copy taken at Start
  PseudoTerminal pty;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::thread reader;
  std::thread writer;
  bool running = false;
  std::vector<std::string> links;
  std::function<void(const ReceivedFrame&)> observer;
  std::function<void(const ConfigRecord&)> recordObserver;

  // Stop flag and the writer's queue.
  std::mutex jobMutex;
  std::condition_variable jobCv;
  bool stopping = false;
  std::deque<Job> jobs;
  int goes = 0;  // stepped: answers (or halves) the test has let go

  int responsesWritten = 0;  // under dataMutex, announced on framesCv

  // Record and received frames, shared with the caller's thread.
  mutable std::mutex dataMutex;
  mutable std::condition_variable framesCv;
  ConfigRecord record;
  bool recordDigitalIo = true;  // the digitalIo value hw_options was last set from
  std::vector<ReceivedFrame> frames;
  std::atomic<std::size_t> garbage{0};

  // Reader-thread state.
  Bytes pending;
  std::vector<Clock::time_point> arrivals;  // one per pending byte
  Clock::time_point quietUntil{};           // reboot or loader start: deaf until then
  std::map<int, int> refusals;  // packet index -> times refused by packetCodes
  bool upgradeStopped = false;  // stopAfterPacket reached
  std::map<int, Bytes> incoming;  // the upgrade under way: packet index -> data accepted
  Bytes firmware;                 // under dataMutex: the last complete image
  int upgradesCompleted = 0;      // under dataMutex
  bool inLoader = false;          // strictLoader: between reboot_ldrom and a complete image
  std::time_t clockOffset = 0;  // set by a record written with rtc_set
  std::uint32_t statusReads = 0;

  // ---- reader side -------------------------------------------------------

  void ReaderLoop();
  void ProcessPending(bool idle);
  void HandleFrame(ReceivedFrame frame);
  std::optional<Job> AnswerFor(const ReceivedFrame& frame);
  std::optional<int> UpgradeAnswer(const ReceivedFrame& frame);
  Bytes ParameterAnswer();
  void UpdateStatus();
  void ApplyWrittenRecord(ByteView block);
  void RestartWithNewFirmware(Clock::time_point answered);

  // ---- writer side -------------------------------------------------------

  void WriterLoop(std::atomic<int>& responsesSent);
  bool Send(const Job& job);
  bool WritePaced(ByteView bytes);
  bool WriteAll(ByteView bytes);
  // Sleeps until `deadline`; false when the simulator is stopping.
  bool SleepUntil(Clock::time_point deadline) {
    std::unique_lock lock(jobMutex);
    return !jobCv.wait_until(lock, deadline, [&] { return stopping; });
  }
  // Stepped: waits for the test's go; false when stopping.
  bool WaitForGo() {
    if (!options.stepped) return true;
    std::unique_lock lock(jobMutex);
    jobCv.wait(lock, [&] { return stopping || goes > 0; });
    if (stopping) return false;
    --goes;
    return true;
  }
  bool Stopping() {
    std::lock_guard lock(jobMutex);
    return stopping;
  }
};

void ModemSimulator::Impl::ReaderLoop() {
  std::uint8_t buffer[4096];
  Clock::time_point exclusiveChecked = Clock::now();
  for (;;) {
    // A client that died holding the line must not leave it refusing the
    // next one ("in use by another program") until the simulator restarts.
    if (Clock::now() - exclusiveChecked >= std::chrono::milliseconds(kExclusiveCheckMs)) {
      pty.ReleaseAbandonedExclusive();
      exclusiveChecked = Clock::now();
    }
    pollfd fds[2] = {{pty.MasterFd(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
    const int ready = ::poll(fds, 2, pending.empty() ? kExclusiveCheckMs : kIdleResolveMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;  // Stop()
    if (ready == 0) {
      ProcessPending(true);
      continue;
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(pty.MasterFd(), buffer, sizeof buffer);
      if (n > 0) {
        const auto now = Clock::now();
        pending.insert(pending.end(), buffer, buffer + n);
        arrivals.insert(arrivals.end(), static_cast<std::size_t>(n), now);
        ProcessPending(false);
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    }
    // Hang-up or error without data: the slave we hold makes this unexpected,
    // but never spin on it; wait for Stop() or for the line to recover.
    pollfd wake{wakeRead, POLLIN, 0};
    if (::poll(&wake, 1, 50) > 0) return;
  }
}

void ModemSimulator::Impl::ProcessPending(bool idle) {
  while (!pending.empty()) {
    const ScanResult scan = ScanFrame(pending, idle);
    if (scan.state == ScanResult::NeedMore) return;
    if (scan.state == ScanResult::Invalid) {
      // Resynchronise one byte at a time, as a receiver hunting for a marker does.
      ++garbage;
      pending.erase(pending.begin());
      arrivals.erase(arrivals.begin());
      continue;
    }
    const auto len = static_cast<std::ptrdiff_t>(scan.length);
    ReceivedFrame frame{scan.kind, Bytes(pending.begin(), pending.begin() + len), arrivals[scan.length - 1]};
    pending.erase(pending.begin(), pending.begin() + len);
    arrivals.erase(arrivals.begin(), arrivals.begin() + len);
    if (frame.kind == FrameKind::UpgradeData) {
      const ByteView body = UpgradeBody(frame.bytes);
      if (body.size() >= kUpgradeHeader) {
        frame.total = BigEndian16(body.data() + 2);
        frame.index = BigEndian16(body.data() + 4);
      }
    }
    HandleFrame(std::move(frame));
  }
}

void ModemSimulator::Impl::HandleFrame(ReceivedFrame frame) {
  std::optional<Job> job = AnswerFor(frame);
  {
    std::lock_guard lock(dataMutex);
    frames.push_back(frame);
  }
  framesCv.notify_all();
  if (observer) observer(frame);
  if (job) {
    {
      std::lock_guard lock(jobMutex);
      if (options.duplicateAnswerMs > 0) {
        Job again = *job;
        again.extraDelayMs = options.duplicateAnswerMs;
        jobs.push_back(std::move(*job));
        jobs.push_back(std::move(again));
      } else {
        jobs.push_back(std::move(*job));
      }
    }
    jobCv.notify_all();
  }
}

std::optional<ModemSimulator::Impl::Job> ModemSimulator::Impl::AnswerFor(const ReceivedFrame& frame) {
  // A silent modem hears nothing; a rebooting one ignores everything it hears.
  if (options.silent || frame.when < quietUntil) return std::nullopt;
  if (inLoader && frame.kind != FrameKind::UpgradeData && frame.kind != FrameKind::RebootLdrom) return std::nullopt;
  switch (frame.kind) {
    case FrameKind::GetSysPara:
      return Job{ParameterAnswer(), frame.when, true};
    case FrameKind::SetSysPara: {
      const ByteView block = ByteView(frame.bytes).subspan(
          marker::kCommandStart.size() + command::kSetSysPara.size(), ConfigRecord::kBlockSize);
      if (RecordChecksum(block.first(ConfigRecord::kSize)) != block[ConfigRecord::kSize]) {
        return std::nullopt;  // a damaged record is neither stored nor answered
      }
      if (options.echoWithoutStoring) {
        Bytes echo = FrameCodec::ParameterResponse(block.first<ConfigRecord::kBlockSize>());
        return Job{std::move(echo), frame.when, true};
      }
      ApplyWrittenRecord(block);
      Bytes answer;
      ConfigRecord stored;
      {
        std::lock_guard lock(dataMutex);
        answer = FrameCodec::ParameterResponse(record.Block());
        stored = record;
      }
      if (recordObserver) recordObserver(stored);
      if (options.badChecksum) answer[kResponseChecksumOffset] ^= 0xFF;
      return Job{std::move(answer), frame.when, true};
    }
    case FrameKind::Reboot:
      quietUntil = frame.when + std::chrono::milliseconds(options.rebootSilenceMs);
      return std::nullopt;
    case FrameKind::RebootLdrom:
      // The loader answers upgrade frames once it runs (and, leniently, the
      // application does too), so entering it only means a quiet start.
      quietUntil = frame.when + std::chrono::milliseconds(options.loaderStartMs);
      refusals.clear();  // a new upgrade meets the configured faults afresh
      upgradeStopped = false;
      incoming.clear();
      inLoader = options.strictLoader;
      return std::nullopt;
    case FrameKind::UpgradeData: {
      // Answered in loader mode and, leniently, outside it as well.
      const std::optional<int> code = UpgradeAnswer(frame);
      if (!code) return std::nullopt;
      if (*code == kCodeFinished) RestartWithNewFirmware(frame.when);
      return Job{FrameCodec::UpgradeStatusResponse(static_cast<std::int8_t>(*code)), frame.when, false};
    }
    case FrameKind::Unknown:
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<int> ModemSimulator::Impl::UpgradeAnswer(const ReceivedFrame& frame) {
  if (upgradeStopped) return std::nullopt;
  const ByteView body = UpgradeBody(frame.bytes);
  if (body.size() < kUpgradeBodyMin) return kCodeTooShort;
  if (options.stopAfterPacket > 0 && frame.index > options.stopAfterPacket) {
    upgradeStopped = true;
    return std::nullopt;
  }
  if (const auto fault = options.packetCodes.find(frame.index); fault != options.packetCodes.end()) {
    int& refused = refusals[frame.index];
    if (refused < options.refuseTimes) {
      ++refused;
      return fault->second;
    }
  }
  const std::uint16_t lengthField = BigEndian16(body.data());
  if (lengthField != body.size()) return kCodeLengthError;
  const ByteView data = body.subspan(kUpgradeHeader, body.size() - kUpgradeBodyMin);
  if (RecordChecksum(data) != body.back()) return kCodeChecksumFailed;
  if (frame.index == 0 || frame.index > frame.total) return kCodeWrongIndex;
  incoming[frame.index] = Bytes(data.begin(), data.end());
  return frame.index == frame.total ? kCodeFinished : kCodeSuccess;
}

// The image is whole: the loader hands over to it. With a restart time the
// modem is deaf meanwhile (its answer to the last packet still goes out).
void ModemSimulator::Impl::RestartWithNewFirmware(Clock::time_point answered) {
  Bytes image;
  for (const auto& [index, data] : incoming) image.insert(image.end(), data.begin(), data.end());
  incoming.clear();
  inLoader = false;
  if (options.restartAfterUpgradeMs >= 0)
    quietUntil = answered + std::chrono::milliseconds(options.restartAfterUpgradeMs);
  ConfigRecord stored;
  {
    std::lock_guard lock(dataMutex);
    firmware = std::move(image);
    ++upgradesCompleted;
    if (!options.factoryAfterUpgrade) return;
    // The hardware, identity and status are the device's; only the settings reset.
    ConfigRecord reset = record;
    ApplyFactoryDefaults(reset);
    KeepDeviceBytes(reset, record);
    record = reset;
    StoreChecksum(record);
    stored = record;
  }
  if (recordObserver) recordObserver(stored);
}

Bytes ModemSimulator::Impl::ParameterAnswer() {
  Bytes answer;
  {
    std::lock_guard lock(dataMutex);
    UpdateStatus();
    answer = FrameCodec::ParameterResponse(record.Block());
  }
  if (options.badChecksum) answer[kResponseChecksumOffset] ^= 0xFF;
  if (options.flood && answer.size() < kFloodSize) answer.resize(kFloodSize, kFloodPadding);
  return answer;
}

// Called with dataMutex held: the values a running modem reports change
// between two reads.
void ModemSimulator::Impl::UpdateStatus() {
  // A clock set by the tool has been taken over by now.
  record.SetFlag(field::rtc_set, false);
  WriteClock(record, std::time(nullptr) + clockOffset);
  ++statusReads;
  record.Set(field::tx_bytes, record.Get(field::tx_bytes) + 48u + 16u * (statusReads % 7u));
  record.Set(field::rx_bytes, record.Get(field::rx_bytes) + 96u + 32u * (statusReads % 5u));
  StoreChecksum(record);
}

void ModemSimulator::Impl::ApplyWrittenRecord(ByteView block) {
  std::lock_guard lock(dataMutex);
  const ConfigRecord before = record;
  // The device bytes describe the hardware; a written record cannot change them.
  record.ImportKeepingDeviceBytes(block.first<ConfigRecord::kBlockSize>());
  for (const FieldInfo* f : AllFields()) {
    if (std::find(options.unheldFields.begin(), options.unheldFields.end(), f->name) == options.unheldFields.end())
      continue;
    for (std::size_t at = f->offset; at < static_cast<std::size_t>(f->offset + f->width); ++at)
      record.SetRawByte(at, before.RawByte(at));
  }
  if (record.IsOn(field::rtc_set)) {
    if (const auto set = FromBcdTime(record.Get(field::rtc_time))) {
      clockOffset = *set - std::time(nullptr);
    }
  }
  StoreChecksum(record);
}

void ModemSimulator::Impl::WriterLoop(std::atomic<int>& responsesSent) {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(jobMutex);
      jobCv.wait(lock, [&] { return stopping || !jobs.empty(); });
      if (stopping) return;
      job = std::move(jobs.front());
      jobs.pop_front();
    }
    if (!SleepUntil(job.received + std::chrono::milliseconds(options.delayMs + job.extraDelayMs))) return;
    if (!WaitForGo()) return;
    // Counted as it starts, so that a client holding the whole answer never
    // sees a count without it.
    ++responsesSent;
    if (Send(job)) {
      {
        std::lock_guard lock(dataMutex);
        ++responsesWritten;
      }
      framesCv.notify_all();
    }
  }
}

// A response that cannot be written whole is abandoned, as a wire drops it.
bool ModemSimulator::Impl::Send(const Job& job) {
  Bytes wire;
  wire.reserve(job.bytes.size() + 1);
  if (options.strayByte) wire.push_back(kStrayByte);
  wire.insert(wire.end(), job.bytes.begin(), job.bytes.end());
  const ByteView all(wire);
  if (job.parameterResponse && options.pauseMidResponseMs > 0) {
    const std::size_t half = all.size() - job.bytes.size() / 2;
    if (!WritePaced(all.first(half))) return false;
    if (!SleepUntil(Clock::now() + std::chrono::milliseconds(options.pauseMidResponseMs))) return false;
    if (!WaitForGo()) return false;
    return WritePaced(all.subspan(half));
  }
  return WritePaced(all);
}

bool ModemSimulator::Impl::WritePaced(ByteView bytes) {
  if (!options.wirePacing) return WriteAll(bytes);
  auto deadline = Clock::now();
  for (std::size_t at = 0; at < bytes.size(); at += kPacingChunk) {
    const ByteView chunk = bytes.subspan(at, std::min(kPacingChunk, bytes.size() - at));
    if (!WriteAll(chunk)) return false;
    deadline += kWireTimePerByte * static_cast<long>(chunk.size());
    if (!SleepUntil(deadline)) return false;
  }
  return true;
}

bool ModemSimulator::Impl::WriteAll(ByteView bytes) {
  std::size_t done = 0;
  auto lastProgress = Clock::now();
  while (done < bytes.size()) {
    const ssize_t n = ::write(pty.MasterFd(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      lastProgress = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    if (Clock::now() - lastProgress > kWriteStallLimit) return false;
    pollfd fds[2] = {{pty.MasterFd(), POLLOUT, 0}, {wakeRead, POLLIN, 0}};
    const int ready = ::poll(fds, 2, static_cast<int>(kWriteWaitSlice.count()));
    if (ready < 0 && errno != EINTR) return false;
    if (Stopping()) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------

ModemSimulator::ModemSimulator(SimOptions options)
    : impl_(std::make_unique<Impl>()), options_(std::move(options)) {
  impl_->record = RealisticRecord(options_.digitalIo);
  impl_->recordDigitalIo = options_.digitalIo;
}

ModemSimulator::~ModemSimulator() { Stop(); }

bool ModemSimulator::Start() {
  Impl& s = *impl_;
  if (s.running) return true;
  if (!s.pty.Open()) return false;
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    s.pty.Close();
    return false;
  }
  s.wakeRead = wake[0];
  s.wakeWrite = wake[1];
  s.options = options_;
  {
    std::lock_guard lock(s.dataMutex);
    if (s.recordDigitalIo != options_.digitalIo) {
      ApplyDigitalIo(s.record, options_.digitalIo);
      s.recordDigitalIo = options_.digitalIo;
    }
  }
  s.stopping = false;
  s.goes = 0;
  s.jobs.clear();
  s.pending.clear();
  s.arrivals.clear();
  s.quietUntil = {};
  s.refusals.clear();
  s.upgradeStopped = false;
  s.incoming.clear();
  devicePath_ = s.pty.SlavePath();
  s.running = true;
  s.reader = std::thread([this] { impl_->ReaderLoop(); });
  s.writer = std::thread([this] { impl_->WriterLoop(responsesSent_); });
  return true;
}

void ModemSimulator::Stop() {
  Impl& s = *impl_;
  if (!s.running) return;
  {
    std::lock_guard lock(s.jobMutex);
    s.stopping = true;
  }
  s.jobCv.notify_all();
  const std::uint8_t wake = 1;
  (void)!::write(s.wakeWrite, &wake, 1);
  if (s.reader.joinable()) s.reader.join();
  if (s.writer.joinable()) s.writer.join();
  s.pty.Close();
  ::close(s.wakeRead);
  ::close(s.wakeWrite);
  s.wakeRead = s.wakeWrite = -1;
  for (const std::string& link : s.links) {
    // Only a link that still leads to this device is ours to remove.
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == devicePath_) ::unlink(link.c_str());
  }
  s.links.clear();
  s.running = false;
}

bool ModemSimulator::CreateLink(const std::string& linkPath) {
  Impl& s = *impl_;
  if (!s.running || linkPath.empty()) return false;
  struct stat st{};
  if (::lstat(linkPath.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) return false;  // never replace a real file
    if (::unlink(linkPath.c_str()) != 0) return false;
  }
  if (::symlink(devicePath_.c_str(), linkPath.c_str()) != 0) return false;
  s.links.push_back(linkPath);
  return true;
}

ConfigRecord ModemSimulator::StoredRecord() const {
  std::lock_guard lock(impl_->dataMutex);
  return impl_->record;
}

void ModemSimulator::SetStoredRecord(const ConfigRecord& record) {
  std::lock_guard lock(impl_->dataMutex);
  impl_->record = record;
  StoreChecksum(impl_->record);
}

std::vector<ReceivedFrame> ModemSimulator::Frames() const {
  std::lock_guard lock(impl_->dataMutex);
  return impl_->frames;
}

void ModemSimulator::ClearFrames() {
  std::lock_guard lock(impl_->dataMutex);
  impl_->frames.clear();
}

bool ModemSimulator::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->dataMutex);
  return impl_->framesCv.wait_for(lock, timeout, [&] { return impl_->frames.size() >= count; });
}

bool ModemSimulator::WaitForResponsesWritten(int count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->dataMutex);
  return impl_->framesCv.wait_for(lock, timeout, [&] { return impl_->responsesWritten >= count; });
}

void ModemSimulator::Go(int steps) {
  {
    std::lock_guard lock(impl_->jobMutex);
    impl_->goes += steps;
  }
  impl_->jobCv.notify_all();
}

Bytes ModemSimulator::Firmware() const {
  std::lock_guard lock(impl_->dataMutex);
  return impl_->firmware;
}

int ModemSimulator::UpgradesCompleted() const {
  std::lock_guard lock(impl_->dataMutex);
  return impl_->upgradesCompleted;
}

std::size_t ModemSimulator::GarbageBytes() const { return impl_->garbage.load(); }

void ModemSimulator::SetRecordObserver(std::function<void(const ConfigRecord&)> observer) {
  impl_->recordObserver = std::move(observer);
}

void ModemSimulator::SetFrameObserver(std::function<void(const ReceivedFrame&)> observer) {
  impl_->observer = std::move(observer);
}

ConfigRecord ModemSimulator::RealisticRecord(bool digitalIo) {
  ConfigRecord r;
  // Device and network status.
  r.Set(field::status_text, "GPRS Online");
  r.Set(field::hw_options, digitalIo ? kHwOptionDigitalIo : std::uint8_t{0});
  r.Set(field::rssi_interval, 30);
  r.Set(field::rssi, 23);
  r.Set(field::reg_status, 1);
  r.Set(field::operator_name, "Telvaro Net");
  r.Set(field::cell_id, "4E2F");
  r.Set(field::imei, "860123456789012");
  r.Set(field::me_type, "TLV-GPRS-200");
  WriteClock(r, std::time(nullptr));
  r.Set(field::sms_center, "+491700000000");
  r.Set(field::local_ip, "10.64.12.7");
  r.Set(field::gprs_status, 1);
  r.Set(field::tcp_status, 2);
  r.Set(field::tx_bytes, 18432u);
  r.Set(field::rx_bytes, 52817u);
  // Basic and serial line.
  r.Set(field::device_name, "Telvaro-DTU");
  r.Set(field::baud_index, 7);
  r.Set(field::data_bits_index, 1);
  // GPRS.
  r.Set(field::apn, "internet");
  r.Set(field::server_address, "192.0.2.10");
  r.Set(field::server_port, 502);
  r.Set(field::inactivity_time, 120);
  r.Set(field::connect_interval, 60);
  r.Set(field::max_retries, 5);
  r.Set(field::ppp_auth, 3);
  r.Set(field::idle_timeout, 180);
  // Advanced.
  r.Set(field::interval_timeout, 6);
  r.Set(field::tx_delay, 6);
  r.SetFlag(field::roaming_enable, true);
  r.Set(field::login_max_retries, 5);
  r.Set(field::login_interval, 60);
  r.Set(field::keepalive_interval, 40);
  // Wakeup.
  r.SetFlag(field::serial_data_wakeup, true);
  r.Set(field::periodic_wakeup_interval, 5);
  // Digital inputs and output.
  for (int di = 0; di < 2; ++di) {
    r.Set(field::di_mode, 4, di);
    r.Set(field::di_filter_ms, 1, di);
  }
  r.Set(field::do_alarm_on_action, 3);
  r.Set(field::do_alarm_off_action, 3);
  r.Set(field::do_keep_on, 10);
  r.Set(field::do_pulse_low_ms, 1000);
  r.Set(field::do_pulse_high_ms, 1000);
  r.Set(field::do_pulse_count, 10);
  // Phone book: a service number that may reboot and control the modem, and
  // one that may wake it by SMS; both in phone group 1.
  r.SetPhoneBook(0, {"+491701234567", static_cast<std::uint8_t>(kCallReboot | kSmsControl)});
  r.SetPhoneBook(1, {"+491709876543", kSmsWakeup});
  r.SetPhoneGroupMask(0, 0x0003);
  StoreChecksum(r);
  return r;
}

}  // namespace telvaro::sim
