// The simulated modem, driven through its device path with plain POSIX calls,
// the way any serial client would talk to it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "operations/modem_client.h"
#include "operations/settings_file.h"
#include "protocol/frame_codec.h"
#include "protocol/record_checksum.h"
#include "sim/modem_sim.h"

namespace telvaro::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecordAt = 15;     // "MDM_STA" + "all_para"
constexpr std::size_t kChecksumAt = 1643;  // behind the 1628 record bytes
// Generous: answers take milliseconds, but a loaded machine may hold a thread
// back for seconds; a read returns as soon as its bytes are in.
constexpr auto kAnswerLimit = 20s;
constexpr auto kSilenceWindow = 300ms;     // long enough to see an answer that comes

Bytes TextBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A serial client on the simulator's slave side.
class Client {
 public:
  explicit Client(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~Client() { Close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  void Write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 50);
      } else {
        ADD_FAILURE() << "write failed: " << std::strerror(errno);
        return;
      }
    }
  }
  void Write(std::string_view text) { Write(TextBytes(text)); }

  // Reads until `count` bytes arrived or `limit` passed; returns what came.
  Bytes Read(std::size_t count, std::chrono::milliseconds limit = kAnswerLimit) {
    Bytes got;
    const auto deadline = Clock::now() + limit;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      std::uint8_t buffer[4096];
      const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) got.insert(got.end(), buffer, buffer + n);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    }
    return got;
  }
  // Everything that arrives within `window`.
  Bytes ReadFor(std::chrono::milliseconds window) { return Read(SIZE_MAX, window); }

 private:
  int fd_;
};

ConfigRecord RecordOf(const Bytes& response) {
  ConfigRecord record;
  record.ReplaceFrom(std::span<const std::uint8_t>(response).subspan(kRecordAt, ConfigRecord::kBlockSize));
  return record;
}

// A well-formed parameter response: markers, word and a matching checksum.
void ExpectParameterResponse(const Bytes& response) {
  ASSERT_EQ(response.size(), kParameterResponseSize);
  EXPECT_TRUE(StartsWith(response, "MDM_STAall_para"));
  EXPECT_TRUE(EndsWith(response, "MDM_END"));
  const std::uint8_t sum = RecordChecksum(response.data() + kRecordAt, ConfigRecord::kSize);
  EXPECT_EQ(response[kChecksumAt], sum);
}

std::time_t LocalTimeOf(const BcdTime& t) {
  std::tm tm{};
  tm.tm_sec = t.second;
  tm.tm_min = t.minute;
  tm.tm_hour = t.hour;
  tm.tm_mday = t.day;
  tm.tm_mon = t.month - 1;
  tm.tm_year = t.year + 100;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// Sends one upgrade frame and returns the status code answered, or nullopt
// when nothing came within `limit` (the silence window where none may come).
std::optional<int> SendPacket(Client& client, const Bytes& frame, std::chrono::milliseconds limit = kAnswerLimit) {
  client.Write(frame);
  const Bytes answer = client.Read(kUpgradeStatusFrameSize, limit);
  if (answer.empty()) return std::nullopt;
  EXPECT_EQ(answer.size(), kUpgradeStatusFrameSize);
  EXPECT_TRUE(StartsWith(answer, marker::kUpgradeStart));
  EXPECT_TRUE(EndsWith(answer, marker::kUpgradeEnd));
  return FrameCodec::ParseUpgradeStatus(answer.data() + 13, static_cast<std::ptrdiff_t>(answer.size()) - 24);
}

Bytes PacketFrame(const Bytes& image, std::uint16_t index) {
  const std::uint16_t total = FrameCodec::UpgradePacketTotal(image.size());
  const std::size_t at = (index - 1u) * kUpgradePacketData;
  const std::size_t d = std::min(kUpgradePacketData, image.size() - at);
  return FrameCodec::UpgradeDataFrame(std::span<const std::uint8_t>(image).subspan(at, d), total, index);
}

Bytes TestImage(std::size_t size) {
  Bytes image(size);
  std::uint32_t x = 12345;
  for (auto& b : image) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return image;
}

void SendRebootLdrom(Client& client) {
  for (std::string_view part : FrameCodec::CommandFrameParts(command::kRebootLdrom)) client.Write(part);
}

TEST(SimParameterRead, AnswersTheRecordWithLiveStatusAndIoBit) {
  ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  Client client(modem.DevicePath());
  ASSERT_TRUE(client.IsOpen());

  client.Write(FrameCodec::GetSysParaFrame());
  const Bytes first = client.Read(kParameterResponseSize);
  ExpectParameterResponse(first);
  EXPECT_TRUE(client.ReadFor(50ms).empty()) << "nothing may follow the response";
  const ConfigRecord a = RecordOf(first);
  EXPECT_EQ(a, modem.StoredRecord());
  EXPECT_EQ(a.Get(field::device_name), "Telvaro-DTU");
  EXPECT_TRUE(a.Get(field::hw_options) & kHwOptionDigitalIo);
  // The clock is the host's local time.
  EXPECT_LE(std::abs(std::difftime(LocalTimeOf(a.Get(field::rtc_time)), std::time(nullptr))), 60.0);

  client.Write(FrameCodec::GetSysParaFrame());
  const Bytes second = client.Read(kParameterResponseSize);
  ExpectParameterResponse(second);
  const ConfigRecord b = RecordOf(second);
  EXPECT_GT(b.Get(field::tx_bytes), a.Get(field::tx_bytes));
  EXPECT_GT(b.Get(field::rx_bytes), a.Get(field::rx_bytes));
  EXPECT_EQ(b.Get(field::rssi), a.Get(field::rssi));

  ASSERT_TRUE(modem.WaitForFrames(2, kAnswerLimit));
  const auto frames = modem.Frames();
  ASSERT_EQ(frames.size(), 2u);
  for (const ReceivedFrame& f : frames) {
    EXPECT_EQ(f.kind, FrameKind::GetSysPara);
    EXPECT_EQ(f.bytes, FrameCodec::GetSysParaFrame());
  }
  EXPECT_LE(frames[0].when, frames[1].when);
  EXPECT_EQ(modem.GarbageBytes(), 0u);
  EXPECT_EQ(modem.ResponsesSent(), 2);

  SimOptions noIo;
  noIo.digitalIo = false;
  ModemSimulator plain(noIo);
  ASSERT_TRUE(plain.Start());
  Client plainClient(plain.DevicePath());
  plainClient.Write(FrameCodec::GetSysParaFrame());
  const Bytes answer = plainClient.Read(kParameterResponseSize);
  ExpectParameterResponse(answer);
  EXPECT_FALSE(RecordOf(answer).Get(field::hw_options) & kHwOptionDigitalIo);
}

TEST(SimParameterWrite, StoresAndEchoesKeepingDeviceBytesAndIgnoresBadChecksum) {
  ModemSimulator modem;
  ConfigRecord device = modem.StoredRecord();
  device.Set(field::device_flag, 0x5A);
  device.Set(field::rs485_absent, 1);
  modem.SetStoredRecord(device);
  ASSERT_TRUE(modem.Start());
  Client client(modem.DevicePath());

  ConfigRecord written = device;
  written.Set(field::device_name, "Pump Station 7");
  written.Set(field::apn, "m2m.example");
  written.Set(field::server_port, 4001);
  written.Set(field::hw_options, 0x00);
  written.Set(field::device_flag, 0x11);
  written.Set(field::rs485_absent, 0);
  const Bytes frame = FrameCodec::SetSysParaFrame(written);
  ASSERT_EQ(frame.size(), kSetSysParaFrameSize);
  client.Write(frame);

  const Bytes echo = client.Read(kParameterResponseSize);
  ExpectParameterResponse(echo);
  const ConfigRecord echoed = RecordOf(echo);
  EXPECT_EQ(echoed.Get(field::hw_options), device.Get(field::hw_options));
  EXPECT_EQ(echoed.Get(field::device_flag), 0x5A);
  EXPECT_EQ(echoed.Get(field::rs485_absent), 1);
  for (std::size_t i = 0; i < ConfigRecord::kSize; ++i) {
    if (i == field::hw_options.offset || i == field::device_flag.offset || i == field::rs485_absent.offset) continue;
    ASSERT_EQ(echoed.RawByte(i), written.RawByte(i)) << "record byte " << i;
  }
  EXPECT_EQ(modem.StoredRecord(), echoed);

  client.Write(FrameCodec::GetSysParaFrame());
  const Bytes read = client.Read(kParameterResponseSize);
  ExpectParameterResponse(read);
  EXPECT_EQ(RecordOf(read).Get(field::device_name), "Pump Station 7");
  EXPECT_EQ(RecordOf(read).Get(field::server_port), 4001);

  // A record damaged on the way is neither stored nor answered.
  ConfigRecord broken = written;
  broken.Set(field::device_name, "Broken");
  Bytes damaged = FrameCodec::SetSysParaFrame(broken);
  damaged[kSetSysParaFrameSize - 8] ^= 0x01;  // the checksum byte
  client.Write(damaged);
  EXPECT_TRUE(client.ReadFor(kSilenceWindow).empty());
  ASSERT_TRUE(modem.WaitForFrames(3, kAnswerLimit));
  const auto frames = modem.Frames();
  EXPECT_EQ(frames.back().kind, FrameKind::SetSysPara);
  EXPECT_EQ(frames.back().bytes, damaged);
  EXPECT_EQ(modem.StoredRecord().Get(field::device_name), "Pump Station 7");
}

TEST(SimUpgrade, AcceptsAnImageAndRefusesBrokenPackets) {
  ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  Client client(modem.DevicePath());
  const Bytes image = TestImage(1200);  // 512 + 512 + 176

  SendRebootLdrom(client);
  EXPECT_EQ(SendPacket(client, PacketFrame(image, 1)), 0);
  EXPECT_EQ(SendPacket(client, PacketFrame(image, 2)), 0);
  EXPECT_EQ(SendPacket(client, PacketFrame(image, 3)), 8);

  ASSERT_TRUE(modem.WaitForFrames(4, kAnswerLimit));
  auto frames = modem.Frames();
  EXPECT_EQ(frames[0].kind, FrameKind::RebootLdrom);
  EXPECT_EQ(frames[0].bytes, FrameCodec::CommandFrame(command::kRebootLdrom));
  for (std::uint16_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(frames[i].kind, FrameKind::UpgradeData);
    EXPECT_EQ(frames[i].index, i);
    EXPECT_EQ(frames[i].total, 3);
    EXPECT_EQ(frames[i].bytes, PacketFrame(image, i));
  }

  Bytes badSum = PacketFrame(image, 2);
  badSum[19 + 100] ^= 0x40;  // a data byte
  EXPECT_EQ(SendPacket(client, badSum), 6);
  const Bytes zero = FrameCodec::UpgradeDataFrame(std::span<const std::uint8_t>(image).first(512), 3, 0);
  EXPECT_EQ(SendPacket(client, zero), 5);
  const Bytes beyond = FrameCodec::UpgradeDataFrame(std::span<const std::uint8_t>(image).first(512), 3, 4);
  EXPECT_EQ(SendPacket(client, beyond), 5);
  Bytes shortLength = PacketFrame(image, 1);
  shortLength[14] -= 1;  // says one byte less than there is
  EXPECT_EQ(SendPacket(client, shortLength), 3);
  // Says one byte more than there is: the modem waits for that byte until the
  // line goes quiet, then settles on the end marker it has.
  Bytes longLength = PacketFrame(image, 3);
  longLength[14] += 1;
  EXPECT_EQ(SendPacket(client, longLength), 3);
  // Length field 3 and no room for total and index.
  const Bytes tiny = TextBytes(std::string(marker::kUpgradeStart) + std::string("\x00\x03\x00", 3) +
                               std::string(marker::kUpgradeEnd));
  EXPECT_EQ(SendPacket(client, tiny), 2);
  // A good packet after all that is still understood.
  EXPECT_EQ(SendPacket(client, PacketFrame(image, 1)), 0);
  EXPECT_EQ(modem.GarbageBytes(), 0u);
}

TEST(SimUpgrade, InjectsRefusalsAndStopsAnswering) {
  const Bytes image = TestImage(1500);  // 3 packets
  {
    SimOptions options;
    options.packetCodes = {{2, 6}};
    options.refuseTimes = 2;
    ModemSimulator modem(options);
    ASSERT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    SendRebootLdrom(client);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 1)), 0);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 2)), 6);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 2)), 6);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 2)), 0);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 3)), 8);
    // A new upgrade meets the same fault again.
    SendRebootLdrom(client);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 2)), 6);
  }
  {
    SimOptions options;
    options.stopAfterPacket = 2;
    ModemSimulator modem(options);
    ASSERT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    SendRebootLdrom(client);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 1)), 0);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 2)), 0);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 3), kSilenceWindow), std::nullopt);
    EXPECT_EQ(SendPacket(client, PacketFrame(image, 1), kSilenceWindow), std::nullopt) << "never again";
    ASSERT_TRUE(modem.WaitForFrames(5, kAnswerLimit));
    EXPECT_EQ(modem.Frames().back().index, 1);
  }
}

TEST(SimFraming, ReassemblesSplitFramesAndSkipsGarbage) {
  // Long enough that the frame written 20 ms after the reboot falls inside it
  // however long a loaded machine holds this thread back between the two.
  constexpr auto kRebootSilence = 1500ms;
  SimOptions options;
  options.rebootSilenceMs = static_cast<int>(kRebootSilence.count());
  ModemSimulator modem(options);
  ASSERT_TRUE(modem.Start());
  Client client(modem.DevicePath());

  // One byte per write, with pauses: still one frame.
  for (std::uint8_t byte : FrameCodec::GetSysParaFrame()) {
    client.Write(std::span<const std::uint8_t>(&byte, 1));
    std::this_thread::sleep_for(1ms);
  }
  ExpectParameterResponse(client.Read(kParameterResponseSize));

  // Noise and a cut-off frame ahead of a good one are skipped byte by byte.
  client.Write("xyz");
  client.Write("CON_STAget_sys");
  client.Write(FrameCodec::GetSysParaFrame());
  ExpectParameterResponse(client.Read(kParameterResponseSize));
  EXPECT_EQ(modem.GarbageBytes(), 3u + 14u);

  // A command the modem does not know is recorded and not answered.
  client.Write("CON_STAhelloCON_END");
  EXPECT_TRUE(client.ReadFor(kSilenceWindow).empty());

  // "reboot" in three writes, as the tool sends it, is one frame; the modem
  // then ignores everything until it has restarted.
  for (std::string_view part : FrameCodec::CommandFrameParts(command::kReboot)) {
    client.Write(part);
    std::this_thread::sleep_for(20ms);
  }
  client.Write(FrameCodec::GetSysParaFrame());
  EXPECT_TRUE(client.ReadFor(200ms).empty()) << "answered while rebooting";

  ASSERT_TRUE(modem.WaitForFrames(5, kAnswerLimit));
  const auto frames = modem.Frames();
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[2].kind, FrameKind::Unknown);
  EXPECT_EQ(frames[2].bytes, TextBytes("CON_STAhelloCON_END"));
  EXPECT_EQ(frames[3].kind, FrameKind::Reboot);
  EXPECT_EQ(frames[3].bytes, TextBytes("CON_STArebootCON_END"));
  EXPECT_EQ(frames[4].kind, FrameKind::GetSysPara);
  EXPECT_EQ(modem.GarbageBytes(), 17u);

  std::this_thread::sleep_until(frames[3].when + kRebootSilence + 50ms);
  client.Write(FrameCodec::GetSysParaFrame());
  ExpectParameterResponse(client.Read(kParameterResponseSize));
  EXPECT_EQ(modem.ResponsesSent(), 3);
}

TEST(SimFaults, CorruptsResponsesAsConfigured) {
  auto readOnce = [](SimOptions options, std::size_t expect) {
    ModemSimulator modem(options);
    EXPECT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    client.Write(FrameCodec::GetSysParaFrame());
    Bytes got = client.Read(expect, options.silent ? kSilenceWindow : kAnswerLimit);
    const Bytes extra = client.ReadFor(50ms);
    got.insert(got.end(), extra.begin(), extra.end());
    EXPECT_TRUE(modem.WaitForFrames(1, kAnswerLimit));
    return got;
  };

  SimOptions bad;
  bad.badChecksum = true;
  const Bytes badAnswer = readOnce(bad, kParameterResponseSize);
  ASSERT_EQ(badAnswer.size(), kParameterResponseSize);
  EXPECT_NE(badAnswer[kChecksumAt], RecordChecksum(badAnswer.data() + kRecordAt, ConfigRecord::kSize));

  SimOptions stray;
  stray.strayByte = true;
  const Bytes strayAnswer = readOnce(stray, kParameterResponseSize + 1);
  ASSERT_EQ(strayAnswer.size(), kParameterResponseSize + 1);
  EXPECT_EQ(strayAnswer[0], 0x55);
  ExpectParameterResponse(Bytes(strayAnswer.begin() + 1, strayAnswer.end()));

  SimOptions flood;
  flood.flood = true;
  const Bytes floodAnswer = readOnce(flood, 3200);
  ASSERT_EQ(floodAnswer.size(), 3200u);
  ExpectParameterResponse(Bytes(floodAnswer.begin(), floodAnswer.begin() + kParameterResponseSize));

  SimOptions silent;
  silent.silent = true;
  EXPECT_TRUE(readOnce(silent, 1).empty());
}

TEST(SimFaults, SlowsResponsesAsConfigured) {
  // Times are judged only from below: a loaded machine makes answers later,
  // never earlier. Where the answer is cut, the stepped modem says when.
  {
    SimOptions options;
    options.pauseMidResponseMs = 500;
    ModemSimulator modem(options);
    ASSERT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    const auto sent = Clock::now();
    client.Write(FrameCodec::GetSysParaFrame());
    ExpectParameterResponse(client.Read(kParameterResponseSize));
    EXPECT_GE(Clock::now() - sent, 500ms);
  }
  {
    SimOptions options;
    options.pauseMidResponseMs = 1;
    options.stepped = true;
    ModemSimulator modem(options);
    ASSERT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    client.Write(FrameCodec::GetSysParaFrame());
    EXPECT_TRUE(client.ReadFor(100ms).empty()) << "answered before its go";
    modem.Go();
    Bytes got = client.Read(kParameterResponseSize - kParameterResponseSize / 2);
    EXPECT_EQ(got.size(), kParameterResponseSize - kParameterResponseSize / 2);
    EXPECT_TRUE(client.ReadFor(100ms).empty()) << "the second half came without its go";
    modem.Go();
    const Bytes rest = client.Read(kParameterResponseSize - got.size());
    got.insert(got.end(), rest.begin(), rest.end());
    ExpectParameterResponse(got);
  }
  {
    SimOptions options;
    options.delayMs = 300;
    ModemSimulator modem(options);
    ASSERT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    const auto sent = Clock::now();
    client.Write(FrameCodec::GetSysParaFrame());
    ExpectParameterResponse(client.Read(kParameterResponseSize));
    EXPECT_GE(Clock::now() - sent, 300ms) << "answered before the delay";
  }
  {
    SimOptions options;
    options.wirePacing = true;
    ModemSimulator modem(options);
    ASSERT_TRUE(modem.Start());
    Client client(modem.DevicePath());
    const auto sent = Clock::now();
    client.Write(FrameCodec::GetSysParaFrame());
    ExpectParameterResponse(client.Read(kParameterResponseSize));
    // 1651 bytes at 115200 baud take 143 ms on a real wire.
    EXPECT_GE(Clock::now() - sent, 120ms);
  }
}

TEST(SimDevice, SurvivesReopeningAndVanishesOnStop) {
  ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  const std::string link = ::testing::TempDir() + "telvaro-sim-link-" + std::to_string(::getpid());
  ASSERT_TRUE(modem.CreateLink(link));
  char target[PATH_MAX] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), modem.DevicePath());

  {
    Client first(link);
    ASSERT_TRUE(first.IsOpen());
  }
  Client client(link);  // a client that closed and came back
  ASSERT_TRUE(client.IsOpen());
  client.Write(FrameCodec::GetSysParaFrame());
  ExpectParameterResponse(client.Read(kParameterResponseSize));

  modem.Stop();
  pollfd p{client.Fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0);
  std::uint8_t byte = 0;
  const ssize_t n = ::read(client.Fd(), &byte, 1);
  EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << "read gave " << n << ", errno " << errno;
  struct stat st{};
  EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the link outlived the device";
}

bool Exclusive(int fd) {
  int exclusive = 0;
  return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// A client that dies holding the line exclusively (as the tool holds a port:
// an advisory lock, then TIOCEXCL) must not leave it refusing every later
// client, as a real port would not: the simulator gives it back. A client
// still holding the port keeps it.
TEST(SimDevice, GivesBackALineItsClientDiedHolding) {
  ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  const std::string path = modem.DevicePath();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ioctl(fd, TIOCEXCL) == 0;
    ::_exit(held ? 0 : 1);  // no TIOCNXCL: ended as a killed client ends
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const int probe = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(probe, 0);
  const auto until = Clock::now() + kAnswerLimit;
  while (Exclusive(probe) && Clock::now() < until) std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(Exclusive(probe)) << "the line stayed exclusive after its client died";

  // A live client: locked and exclusive, left so across several checks.
  ASSERT_EQ(::flock(probe, LOCK_EX | LOCK_NB), 0);
  ASSERT_EQ(::ioctl(probe, TIOCEXCL), 0);
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(Exclusive(probe));
  ::ioctl(probe, TIOCNXCL);
  ::close(probe);
}

// telvaro-modem-sim as run for practice: its own IMEI and name, and the
// record a tool wrote kept in its state file for the next run.
class SimProgram {
 public:
  explicit SimProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TELVARO_SIM_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    started_ = ::posix_spawn(&pid_, TELVARO_SIM_PATH, nullptr, nullptr, argv.data(), environ) == 0;
  }
  ~SimProgram() { Stop(); }
  int Stop() {
    if (!started_) return -1;
    started_ = false;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The exit status of a run that ends by itself.
  int Wait() {
    if (!started_) return -1;
    started_ = false;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool started() const { return started_; }

 private:
  pid_t pid_ = 0;
  bool started_ = false;
};

bool WaitForPath(const std::string& path) {
  struct stat st {};
  for (const auto until = Clock::now() + kAnswerLimit; Clock::now() < until; std::this_thread::sleep_for(20ms))
    if (::stat(path.c_str(), &st) == 0) return true;
  return false;
}

TEST(SimProgramState, KeepsItsIdentityAndWrittenRecordBetweenRuns) {
  const std::string base = ::testing::TempDir() + "telvaro-sim-state-" + std::to_string(::getpid());
  const std::string state = base + ".bin";
  const std::string link = base + ".link";
  ::unlink(state.c_str());
  PortMap ports;
  ports.AddPair("COM60=" + link);
  {
    SimProgram sim({"--quiet", "--link", link, "--imei", "356938035643809", "--name", "Pump 7", "--state", state});
    ASSERT_TRUE(sim.started());
    ASSERT_TRUE(WaitForPath(link));
    ModemClient client(ports);
    ASSERT_TRUE(client.Open(60));
    const Result<ConfigRecord> read = client.Read();
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value().Get(field::imei), "356938035643809");
    EXPECT_EQ(read.value().Get(field::device_name), "Pump 7");
    ConfigRecord changed = read.value();
    changed.Set(field::apn, "practice.apn");
    ASSERT_TRUE(client.Write(changed));
    client.Close();
    EXPECT_EQ(sim.Stop(), 0);
  }
  const SettingsFileRead saved = ReadSettingsFile(state);
  ASSERT_TRUE(saved.record) << saved.message;
  EXPECT_EQ(saved.record->Get(field::apn), "practice.apn");
  {
    SimProgram sim({"--quiet", "--link", link, "--state", state});
    ASSERT_TRUE(WaitForPath(link));
    ModemClient client(ports);
    ASSERT_TRUE(client.Open(60));
    const Result<ConfigRecord> read = client.Read();
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value().Get(field::imei), "356938035643809");
    EXPECT_EQ(read.value().Get(field::device_name), "Pump 7");
    EXPECT_EQ(read.value().Get(field::apn), "practice.apn");
  }
  // A file that is not a state file is refused and left as it was.
  const std::string other = base + ".txt";
  { std::ofstream(other) << "notes"; }
  SimProgram refused({"--quiet", "--state", other});
  EXPECT_EQ(refused.Wait(), 1);
  std::ifstream kept(other);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), "notes");
  ::unlink(state.c_str());
  ::unlink(other.c_str());
}

}  // namespace
}  // namespace telvaro::sim
