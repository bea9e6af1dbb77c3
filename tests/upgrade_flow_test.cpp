// The upgrade packet flow against a scripted modem that lives in the fake
// writer and the fake sleep: no port, no thread, no real waiting. And the
// dispatch timer's tick counting against a session that is never opened.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/port_session.h"
#include "operations/dispatch_timer.h"
#include "operations/upgrade_flow.h"
#include "protocol/frame_codec.h"
#include "protocol/record_checksum.h"
#include "protocol/response_dispatch.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace telvaro {
namespace {

constexpr std::string_view kStart = "UPGRADE_START";
constexpr std::string_view kEnd = "UPGRADE_END";

// An upgrade data frame as the modem's loader reads it.
struct Packet {
  std::uint16_t length = 0;
  std::uint16_t total = 0;
  std::uint16_t index = 0;
  Bytes data;
  bool checksumOk = false;
  Bytes frame;               // the whole frame as written
  int resultAtWrite = 0;     // the upgrade result when the frame was written
  std::size_t progressCalls = 0;  // progress calls made before this write
};

std::uint16_t BigEndian16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

std::optional<Packet> ParsePacket(const Bytes& frame) {
  const std::size_t head = kStart.size();
  if (frame.size() < head + 7 + kEnd.size()) return std::nullopt;
  if (std::string_view(reinterpret_cast<const char*>(frame.data()), head) != kStart) return std::nullopt;
  Packet p;
  p.frame = frame;
  p.length = BigEndian16(frame, head);
  p.total = BigEndian16(frame, head + 2);
  p.index = BigEndian16(frame, head + 4);
  const std::size_t dataAt = head + 6;
  const std::size_t dataLen = frame.size() - dataAt - 1 - kEnd.size();
  p.data.assign(frame.begin() + static_cast<std::ptrdiff_t>(dataAt),
                frame.begin() + static_cast<std::ptrdiff_t>(dataAt + dataLen));
  unsigned sum = 0;
  for (std::uint8_t byte : p.data) sum += byte;
  p.checksumOk = frame[dataAt + dataLen] == static_cast<std::uint8_t>(sum & 0xFF);
  const std::string_view tail(reinterpret_cast<const char*>(frame.data()) + frame.size() - kEnd.size(),
                              kEnd.size());
  if (tail != kEnd) return std::nullopt;
  return p;
}

// Plays the modem's loader. Every write is logged; an upgrade data frame is
// answered with the code the script gives (nullopt: silence), either at once
// inside Write or at the next poll, the way a dispatched answer shows up.
class ScriptedModem : public FrameWriter {
 public:
  // sendNumber counts from 1 over all packets written.
  using Script = std::function<std::optional<int>(const Packet& packet, int sendNumber)>;

  ScriptedModem(std::atomic<int>& result, Script script, bool answerInWrite = false)
      : result_(result), script_(std::move(script)), answerInWrite_(answerInWrite) {}

  int Write(const std::uint8_t* bytes, int count) override {
    Bytes chunk(bytes, bytes + count);
    log.push_back("write:" + std::to_string(count));
    writes.push_back(chunk);
    if (std::optional<Packet> packet = ParsePacket(chunk)) {
      packet->resultAtWrite = result_.load();
      packet->progressCalls = progress.size();
      packets.push_back(*packet);
      pollsAfter.push_back(0);
      // A runaway resend loop meets silence instead of hanging the test.
      const std::optional<int> code = packets.size() > kRunaway
                                          ? std::nullopt
                                          : script_(*packet, static_cast<int>(packets.size()));
      if (answerInWrite_ && code) {
        result_.store(*code);
      } else {
        pending_ = code;
      }
    }
    return 0;
  }

  UpgradeHooks Hooks() {
    UpgradeHooks hooks;
    hooks.sleep = [this](int ms) {
      log.push_back("sleep:" + std::to_string(ms));
      if (ms == UpgradeFlow::kPollMs && !pollsAfter.empty()) ++pollsAfter.back();
      if (pending_) {
        result_.store(*pending_);
        pending_.reset();
      }
    };
    hooks.progress = [this](std::uint16_t total, std::uint16_t index) {
      progress.emplace_back(total, index);
    };
    return hooks;
  }

  std::vector<std::uint16_t> Indexes() const {
    std::vector<std::uint16_t> out;
    for (const Packet& p : packets) out.push_back(p.index);
    return out;
  }

  std::vector<std::string> log;
  std::vector<Bytes> writes;
  std::vector<Packet> packets;
  std::vector<int> pollsAfter;  // 100 ms polls following each packet
  std::vector<std::pair<std::uint16_t, std::uint16_t>> progress;

 private:
  std::atomic<int>& result_;
  Script script_;
  bool answerInWrite_;
  std::optional<int> pending_;
  static constexpr std::size_t kRunaway = 1000;
};

ScriptedModem::Script AlwaysAnswer(int code) {
  return [code](const Packet&, int) { return std::optional<int>(code); };
}

Bytes Image(std::size_t size) {
  Bytes image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 131 + i / 256 + 7);
  return image;
}

std::vector<std::uint16_t> Sequence(std::uint16_t from, std::uint16_t to) {
  std::vector<std::uint16_t> out;
  for (std::uint16_t i = from; i <= to; ++i) out.push_back(i);
  return out;
}

// Checks that the packets carry `image` in order, each once, with its total.
void ExpectImageSentOnce(const ScriptedModem& modem, const Bytes& image) {
  const std::size_t packets = (image.size() + 511) / 512;
  ASSERT_EQ(modem.packets.size(), packets);
  Bytes joined;
  for (std::size_t i = 0; i < packets; ++i) {
    const Packet& p = modem.packets[i];
    EXPECT_EQ(p.index, i + 1);
    EXPECT_EQ(p.total, packets);
    EXPECT_EQ(p.length, p.data.size() + 7);
    EXPECT_EQ(p.frame.size(), 31 + p.data.size());
    EXPECT_TRUE(p.checksumOk) << "packet " << p.index;
    joined.insert(joined.end(), p.data.begin(), p.data.end());
  }
  EXPECT_EQ(joined, image);
}

TEST(UpgradeFlow, SplitsImagesIntoPacketsOfAtMost512Bytes) {
  {  // Exactly one full packet.
    std::atomic<int> result{1};
    ScriptedModem modem(result, AlwaysAnswer(0));
    const Bytes image = Image(512);
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
    ExpectImageSentOnce(modem, image);
    ASSERT_EQ(modem.packets.size(), 1u);
    EXPECT_EQ(modem.packets[0].frame.size(), 543u);
  }
  {  // One byte more: a second packet carrying just that byte.
    std::atomic<int> result{1};
    ScriptedModem modem(result, AlwaysAnswer(0));
    const Bytes image = Image(513);
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
    ExpectImageSentOnce(modem, image);
    ASSERT_EQ(modem.packets.size(), 2u);
    EXPECT_EQ(modem.packets[1].data, Bytes{image[512]});
  }
  {  // Exactly 64 KiB: 128 packets.
    std::atomic<int> result{1};
    ScriptedModem modem(result, AlwaysAnswer(0));
    const Bytes image = Image(65536);
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
    ExpectImageSentOnce(modem, image);
    EXPECT_EQ(modem.packets.back().total, 128);
  }
  {  // One byte longer: nothing at all goes out, not even "reboot_ldrom".
    std::atomic<int> result{1};
    ScriptedModem modem(result, AlwaysAnswer(0));
    EXPECT_EQ(UpgradeFlow::Run(Image(65537), modem, result, modem.Hooks()), 1);
    EXPECT_TRUE(modem.log.empty());
  }
}

// The window closing or the device vanishing ends the upgrade at the next
// poll: nothing more is sent.
TEST(UpgradeFlow, StopsAtTheNextPollWhenAskedTo) {
  std::atomic<int> result{1};
  bool stop = false;
  ScriptedModem modem(result, [&stop](const Packet& p, int) {
    if (p.index == 3) stop = true;
    return std::optional<int>(0);
  });
  UpgradeHooks hooks = modem.Hooks();
  hooks.stop = [&stop] { return stop; };
  UpgradeFlow::Run(Image(10 * 512), modem, result, hooks);
  EXPECT_EQ(modem.Indexes(), Sequence(1, 3));
  EXPECT_EQ(modem.pollsAfter.back(), 1);
}

TEST(UpgradeFlow, SwitchesToTheLoaderWaitsThenSendsEachPacketOnceWhenAccepted) {
  std::atomic<int> result{1};
  ScriptedModem modem(result, AlwaysAnswer(0));
  const Bytes image = Image(3 * 512 + 100);
  EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
  EXPECT_EQ(UpgradeStatusText(result.load()), "Success");

  // "reboot_ldrom" as three writes, then the loader's start-up wait, then
  // packets answered at their first poll, each next one 200 ms after the
  // answer to the one before; after the last, the quiet period in which a
  // later answer could still overrule it.
  ASSERT_GE(modem.writes.size(), 3u);
  EXPECT_EQ(std::string(modem.writes[0].begin(), modem.writes[0].end()), "CON_STA");
  EXPECT_EQ(std::string(modem.writes[1].begin(), modem.writes[1].end()), "reboot_ldrom");
  EXPECT_EQ(std::string(modem.writes[2].begin(), modem.writes[2].end()), "CON_END");
  const std::vector<std::string> expectedLog = {
      "write:7",   "write:12",  "write:7",   "sleep:3000", "write:543", "sleep:100", "sleep:200",
      "write:543", "sleep:100", "sleep:200", "write:543",  "sleep:100", "sleep:200", "write:131", "sleep:100",
      "sleep:100", "sleep:100", "sleep:100", "sleep:100",  "sleep:100"};
  EXPECT_EQ(modem.log, expectedLog);
  ExpectImageSentOnce(modem, image);

  // Fast mode: the next packet follows the answer at once.
  std::atomic<int> fastResult{1};
  ScriptedModem fast(fastResult, AlwaysAnswer(0));
  UpgradeHooks fastHooks = fast.Hooks();
  fastHooks.packetGapMs = 0;
  EXPECT_EQ(UpgradeFlow::Run(image, fast, fastResult, fastHooks), 0);
  const std::vector<std::string> fastLog = {
      "write:7",   "write:12",  "write:7",   "sleep:3000", "write:543", "sleep:100",
      "write:543", "sleep:100", "write:543", "sleep:100",  "write:131", "sleep:100",
      "sleep:100", "sleep:100", "sleep:100", "sleep:100",  "sleep:100"};
  EXPECT_EQ(fast.log, fastLog);
  ExpectImageSentOnce(fast, image);

  // The last packet answered "finished" ends the same way with code 8.
  std::atomic<int> finished{1};
  ScriptedModem finishing(finished, [](const Packet& p, int) {
    return std::optional<int>(p.index == p.total ? 8 : 0);
  });
  EXPECT_EQ(UpgradeFlow::Run(image, finishing, finished, finishing.Hooks()), 8);
  EXPECT_EQ(UpgradeStatusText(finished.load()), "Upgrade Finished");
  ExpectImageSentOnce(finishing, image);

  // Code 8 on a packet before the last still counts as accepted.
  std::atomic<int> early{1};
  ScriptedModem earlyFinish(early, [](const Packet& p, int) {
    return std::optional<int>(p.index == 2 ? 8 : 0);
  });
  EXPECT_EQ(UpgradeFlow::Run(image, earlyFinish, early, earlyFinish.Hooks()), 0);
  ExpectImageSentOnce(earlyFinish, image);
}

TEST(UpgradeFlow, RefusedPacketsAreResentWithinTheSharedBudget) {
  const Bytes image = Image(5 * 512);
  {  // One checksum refusal on packet 3: the same frame again, then onwards.
    std::atomic<int> result{1};
    ScriptedModem modem(result, [](const Packet& p, int send) {
      return std::optional<int>(p.index == 3 && send == 3 ? 6 : 0);
    });
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
    EXPECT_EQ(modem.Indexes(), (std::vector<std::uint16_t>{1, 2, 3, 3, 4, 5}));
    EXPECT_EQ(modem.packets[2].frame, modem.packets[3].frame);
    EXPECT_EQ(modem.packets[3].data, Bytes(image.begin() + 1024, image.begin() + 1536));
  }
  {  // Packet 3 refused for good, answered at the first poll: each round
     // costs one poll and one resend out of the 31 the budget allows, so
     // the flow gives up after 16 sends with the refusal's code.
    std::atomic<int> result{1};
    ScriptedModem modem(result, [](const Packet& p, int) { return std::optional<int>(p.index == 3 ? 6 : 0); });
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 6);
    EXPECT_EQ(UpgradeStatusText(result.load()), "Err:Check Sum Failed");
    EXPECT_EQ(modem.packets.size(), 2u + 16u);
    EXPECT_EQ(modem.packets.back().index, 3);
  }
  {  // Refused at once inside the write, with no poll in between: the resends
     // alone use up the budget instead of looping forever.
    std::atomic<int> result{1};
    ScriptedModem modem(result, AlwaysAnswer(5), /*answerInWrite=*/true);
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 5);
    EXPECT_EQ(modem.Indexes(), std::vector<std::uint16_t>(32, 1));
  }
  {  // An accepted packet restores the whole budget: ten refusals of packet 3
     // do not shorten the wait for a silent packet 4.
    std::atomic<int> result{1};
    ScriptedModem modem(result, [](const Packet& p, int send) -> std::optional<int> {
      if (p.index == 3 && send <= 12) return 7;
      if (p.index == 4) return std::nullopt;
      return 0;
    });
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 1);
    EXPECT_EQ(modem.packets.size(), 2u + 11u + 1u);
    EXPECT_EQ(modem.pollsAfter.back(), 32);
  }
}

TEST(UpgradeFlow, SilenceEndsTheUpgradeAfter32PollsWithoutResend) {
  const Bytes image = Image(20 * 512);
  // A modem that stops answering after packet 10; a status code 1 cannot be
  // told from silence and ends the same way.
  for (const std::optional<int> afterTen : {std::optional<int>{}, std::optional<int>{1}}) {
    std::atomic<int> result{1};
    ScriptedModem modem(result, [afterTen](const Packet& p, int) {
      return p.index <= 10 ? std::optional<int>(0) : afterTen;
    });
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 1);
    EXPECT_EQ(UpgradeStatusText(result.load()), "Err:Comm Failed");
    EXPECT_EQ(modem.Indexes(), Sequence(1, 11));
    EXPECT_EQ(modem.pollsAfter.back(), 32);
    EXPECT_EQ(modem.log.back(), "sleep:100");
  }
}

TEST(UpgradeFlow, ReportsProgressBeforeEachPacket) {
  std::atomic<int> result{1};
  ScriptedModem modem(result, [](const Packet& p, int send) {
    return std::optional<int>(p.index == 7 && send == 7 ? 4 : 0);
  });
  const Bytes image = Image(65536);
  EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);

  // One call before every send, resends included, carrying that send's index.
  ASSERT_EQ(modem.progress.size(), modem.packets.size());
  for (std::size_t i = 0; i < modem.packets.size(); ++i) {
    EXPECT_EQ(modem.packets[i].progressCalls, i + 1);
    EXPECT_EQ(modem.progress[i].first, 128);
    EXPECT_EQ(modem.progress[i].second, modem.packets[i].index);
  }
  // The bar's percent: first at least 1 with packet 2, 100 only for the last.
  std::optional<std::uint16_t> firstShown;
  std::vector<std::uint16_t> full;
  for (const auto& [total, index] : modem.progress) {
    const int percent = index * 100 / total;
    if (percent >= 1 && !firstShown) firstShown = index;
    if (percent >= 100) full.push_back(index);
  }
  EXPECT_EQ(firstShown, 2);
  EXPECT_EQ(full, std::vector<std::uint16_t>{128});
}

TEST(UpgradeFlow, EmptyImageSendsNothingAndKeepsTheResult) {
  for (int current : {1, 6}) {
    std::atomic<int> result{current};
    ScriptedModem modem(result, AlwaysAnswer(0));
    EXPECT_EQ(UpgradeFlow::Run({}, modem, result, modem.Hooks()), current);
    EXPECT_TRUE(modem.log.empty());
    EXPECT_TRUE(modem.progress.empty());
    EXPECT_EQ(result.load(), current);
  }
}

TEST(UpgradeFlow, SetsNoAnswerBeforeEachSendSoAFastAnswerSurvives) {
  const Bytes image = Image(4 * 512);
  {  // Answers arrive inside the write itself: nothing to poll for.
    std::atomic<int> result{3};
    ScriptedModem modem(result, AlwaysAnswer(0), /*answerInWrite=*/true);
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
    ExpectImageSentOnce(modem, image);
    EXPECT_EQ(modem.log[modem.log.size() - 1 - UpgradeFlow::kFinalQuietMs / UpgradeFlow::kPollMs], "write:543");
    for (std::size_t i = 0; i + 1 < modem.pollsAfter.size(); ++i) EXPECT_EQ(modem.pollsAfter[i], 0);
  }
  {  // The previous packet's answer never leaks into the next packet's wait.
    std::atomic<int> result{0};
    ScriptedModem modem(result, AlwaysAnswer(0));
    EXPECT_EQ(UpgradeFlow::Run(image, modem, result, modem.Hooks()), 0);
    for (const Packet& p : modem.packets) EXPECT_EQ(p.resultAtWrite, 1) << "packet " << p.index;
  }
}

class SilentEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void PortStateChanged(bool) override {}
  std::vector<std::string> messages;
};

class NoPages : public DispatchHost {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void SetIoPresent(bool) override {}
  void SetGridEnabled(bool) override {}
  void ShowRecordOnPages(const ConfigRecord&) override { ++shown; }
  std::vector<std::string> messages;
  int shown = 0;
};

struct TimerFixture {
  SilentEvents events;
  PortSession session{events};
  ModemState state;
  NoPages host;
  ResponseDispatcher dispatcher{session.Received(), state, host};
  DispatchTimer timer{session, dispatcher};

  void Receive(const Bytes& bytes) {
    ASSERT_TRUE(session.Received().Append(bytes.data(), bytes.size()));
  }
};

// The image file is judged before anything is sent: a directory, a FIFO with
// no writer, an endless device and an image over 64 KiB are refused at once
// with a message naming why; an image of exactly 64 KiB is taken whole.
TEST(UpgradeFlow, ImageFilesThatCannotBeSentAreRefusedWithoutBlocking) {
  const auto dir = std::filesystem::temp_directory_path() / "telvaro-upgrade-images";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto write = [&](const char* name, std::size_t size) {
    const Bytes bytes = Image(size);
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       static_cast<std::streamsize>(bytes.size()));
    return (dir / name).string();
  };

  const FirmwareImage full = UpgradeFlow::LoadImage(write("full.bin", 65536));
  EXPECT_TRUE(full.message.empty());
  EXPECT_EQ(full.bytes, Image(65536));

  const FirmwareImage big = UpgradeFlow::LoadImage(write("big.bin", 100000));
  EXPECT_EQ(big.message, "Firmware image too large: 100000 bytes, the limit is 65536 bytes");
  EXPECT_TRUE(big.bytes.empty());

  EXPECT_EQ(UpgradeFlow::LoadImage((dir / "missing.bin").string()).Text(),
            "Open file failed: No such file or directory");
  // Nothing to send is refused before the port is opened, not left to fail on the line.
  EXPECT_EQ(UpgradeFlow::LoadImage(write("empty.bin", 0)).Text(), "Open file failed: the file is empty");
  EXPECT_TRUE(UpgradeFlow::LoadImage(write("empty.bin", 0)).empty);
  EXPECT_EQ(UpgradeFlow::LoadImage(dir.string()).Text(), "Open file failed: not a regular file");
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0600), 0);
  EXPECT_EQ(UpgradeFlow::LoadImage((dir / "fifo.bin").string()).Text(), "Open file failed: not a regular file");
  EXPECT_EQ(UpgradeFlow::LoadImage("/dev/zero").Text(), "Open file failed: not a regular file");
#endif
  std::filesystem::remove_all(dir);
}

// A buffer holding exactly one answer that will be accepted is dispatched at
// once; anything else (a stray trailing byte, a bad checksum, a frame cut by a
// pause) waits until the line has been quiet for 200 ms since the last
// received byte and is then judged as one frame, as before.
TEST(DispatchTimer, CompleteAnswerAtOnceAnythingElseAfterTheQuietPeriod) {
  using std::chrono::milliseconds;
  TimerFixture f;
  // No reader runs here: the last received time stays at its start value.
  const auto t0 = f.session.LastReceived();
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(5000)), -1);  // nothing waiting

  f.Receive(FrameCodec::UpgradeStatusResponse(6));
  EXPECT_EQ(f.timer.Service(t0), -1);
  EXPECT_EQ(f.state.upgradeResult.load(), 6);

  ConfigRecord record;
  record.Set(field::device_name, "Modem");
  record.SetChecksum(RecordChecksum(record.Record()));
  const Bytes response = FrameCodec::ParameterResponse(record.Block());
  f.Receive(response);
  EXPECT_EQ(f.timer.Service(t0), -1);
  EXPECT_TRUE(f.state.responseReceived.load());
  EXPECT_EQ(f.host.shown, 1);
  f.state.responseReceived.store(false);

  // One stray byte behind the answer: held for the quiet period, then dropped.
  Bytes stray = response;
  stray.push_back('x');
  f.Receive(stray);
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(40)), 160);
  EXPECT_EQ(f.session.Received().FillCount(), stray.size());
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(200)), -1);
  EXPECT_EQ(f.session.Received().FillCount(), 0u);

  // Cut by a 250 ms pause: each half is judged alone and dropped.
  f.Receive(Bytes(response.begin(), response.begin() + 900));
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(100)), 100);
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(250)), -1);
  f.Receive(Bytes(response.begin() + 900, response.end()));
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(250)), -1);
  EXPECT_FALSE(f.state.responseReceived.load());
  EXPECT_EQ(f.host.shown, 1);

  // A bad checksum is not taken early; after the quiet period it is reported.
  Bytes bad = response;
  bad[20] ^= 0x01;
  f.Receive(bad);
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(199)), 1);
  EXPECT_TRUE(f.host.messages.empty());
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(200)), -1);
  ASSERT_EQ(f.host.messages.size(), 1u);
  EXPECT_EQ(f.host.messages[0].rfind("bad chksum (", 0), 0u);

  // Two answers back to back are one snapshot, judged after the quiet
  // period: the modem's own codes, not a length error.
  f.state.upgradeResult.store(ModemState::kNoAnswer);  // as before a packet goes out
  f.Receive(FrameCodec::UpgradeStatusResponse(0));
  f.Receive(FrameCodec::UpgradeStatusResponse(0));
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(199)), 1);
  EXPECT_EQ(f.timer.Service(t0 + milliseconds(200)), -1);
  EXPECT_EQ(f.state.upgradeResult.load(), 0);
  EXPECT_FALSE(f.state.responseReceived.load());

  // A parameter response echoed twice: the first is taken whole, at once.
  Bytes twice = response;
  twice.insert(twice.end(), response.begin(), response.begin() + 700);
  f.Receive(twice);
  EXPECT_EQ(f.timer.Service(t0), 200);  // the echo is taken; the repeat's start waits
  EXPECT_TRUE(f.state.responseReceived.load());
  EXPECT_EQ(f.session.Received().FillCount(), 700u);
}

}  // namespace
}  // namespace telvaro
