// The modem client against the simulated modem: the commands and the wait for
// an answer, and the line as a hostile cable would treat it: a line that
// stops taking bytes, answers that come twice, a modem that echoes without
// storing, and paths that are not serial devices.
// Threaded: these also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <mutex>
#include <string>
#include <vector>

#include "fleet/verified_write.h"
#include "operations/modem_client.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kSimPort = 50;

PortMap MapFor(const std::string& path) {
  PortMap map;
  map.AddPair("COM" + std::to_string(kSimPort) + "=" + path);
  return map;
}

// A second descriptor on the tool's side of the line: tcflow(TCOOFF) on it
// stops the line taking bytes, as flow control held by the other end does.
struct LineBrake {
  explicit LineBrake(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
  ~LineBrake() { ::close(fd); }
  void Hold(bool on) { ::tcflow(fd, on ? TCOOFF : TCOON); }
  int fd;
};

TEST(ModemClientLine, AStalledLineEndsEachFrameAtItsDeadlineWithTheReason) {
  sim::ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  ModemClient link(MapFor(modem.DevicePath()));
  ASSERT_TRUE(link.Open(kSimPort));
  LineBrake brake(modem.DevicePath());
  ASSERT_TRUE(link.Read());

  brake.Hold(true);
  const auto started = Clock::now();
  const Result<ConfigRecord> stalled = link.Write(link.Record());
  ASSERT_FALSE(stalled);
  // One deadline for the frame, not 700 ms for each of its 1654 bytes; the
  // bound is wide for a busy machine and far below what a hang would take.
  EXPECT_LT(Clock::now() - started, PortSession::FrameDeadline(kSetSysParaFrameSize) + 30s);
  EXPECT_EQ(stalled.failure().kind, FailureKind::Line);
  EXPECT_EQ(stalled.failure().message, "the line does not take data");
  brake.Hold(false);  // the line recovers: the next command goes through
  const Result<ConfigRecord> again = link.Read();
  EXPECT_TRUE(again) << OneLine(again.failure());
}

struct HeardEvents : ModemEvents {
  void DispatchMessage(const std::string& text) override {
    std::lock_guard guard(lock);
    messages.push_back(text);
  }
  void RecordAccepted(const ConfigRecord&) override { ++records; }
  void PortStateChanged(bool open) override { states.push_back(open); }
  bool Heard() {
    std::lock_guard guard(lock);
    return !messages.empty();
  }
  std::mutex lock;
  std::vector<std::string> messages;
  std::atomic<int> records{0};
  std::vector<bool> states;
};

// Each command's result as data, and the one wait: 41 polls for the limit 40
// (counted, not timed), a damaged answer told as such, a closed port ending
// the wait without an answer.
TEST(ModemClient, CommandsAndTheWaitForAnAnswer) {
  sim::ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  HeardEvents heard;
  ModemClient client(MapFor(modem.DevicePath()), &heard);
  const Result<void> absent = client.Open(7);
  ASSERT_FALSE(absent);
  EXPECT_EQ(absent.failure().kind, FailureKind::Port);
  EXPECT_EQ(absent.failure().message, "Can't open COM7");

  ASSERT_TRUE(client.Open(kSimPort));
  const Result<ConfigRecord> read = client.Read();
  ASSERT_TRUE(read) << OneLine(read.failure());
  ConfigRecord edited = read.value();
  edited.Set(field::apn, "client.apn");
  const Result<ConfigRecord> echo = client.Write(edited);
  ASSERT_TRUE(echo) << OneLine(echo.failure());
  EXPECT_EQ(echo->Get(field::apn), "client.apn");
  edited.Set(field::device_name, "Read back");
  const Result<ConfigRecord> held = client.WriteAndReadBack(edited);
  ASSERT_TRUE(held) << OneLine(held.failure());
  EXPECT_EQ(held->Get(field::device_name), "Read back");
  EXPECT_TRUE(client.Reboot());
  // The simulator parses on its own thread: the reboot may still be on its way.
  for (const auto giveUp = Clock::now() + 20s; modem.Frames().size() < 5 && Clock::now() < giveUp;)
    std::this_thread::sleep_for(10ms);
  std::vector<sim::FrameKind> kinds;
  for (const sim::ReceivedFrame& f : modem.Frames()) kinds.push_back(f.kind);
  using K = sim::FrameKind;
  EXPECT_EQ(kinds, (std::vector<K>{K::GetSysPara, K::SetSysPara, K::SetSysPara, K::GetSysPara, K::Reboot}));
  EXPECT_EQ(heard.records.load(), 4);
  client.Close();
  EXPECT_EQ(heard.states, (std::vector<bool>{true, false}));

  // Silence: the limit is compared before the count goes up.
  sim::SimOptions silentOptions;
  silentOptions.silent = true;
  sim::ModemSimulator silent(silentOptions);
  ASSERT_TRUE(silent.Start());
  ModemClient waiting(MapFor(silent.DevicePath()));
  int polls = 0;
  waiting.SetAnswerWait([&](int ms, const std::function<bool()>& answered) {
    EXPECT_EQ(ms, 100);
    ++polls;
    return answered();
  });
  ASSERT_TRUE(waiting.Open(kSimPort));
  const Result<ConfigRecord> unanswered = waiting.Read();
  ASSERT_FALSE(unanswered);
  EXPECT_EQ(polls, 41);
  EXPECT_EQ(unanswered.failure().kind, FailureKind::NoAnswer);
  EXPECT_EQ(unanswered.failure().message, "the modem did not answer \"get_syspara\"");
  // The port closed while waiting: no answer can come, and none is waited for.
  polls = 0;
  waiting.SetAnswerWait([&](int, const std::function<bool()>& answered) {
    if (++polls == 3) waiting.Close();
    return answered();
  });
  const Result<ConfigRecord> closed = waiting.Write(edited);
  ASSERT_FALSE(closed);
  EXPECT_EQ(polls, 3);
  EXPECT_EQ(closed.failure().kind, FailureKind::Cancelled);

  // A damaged answer is the one dispatch complained of, not silence.
  sim::SimOptions damagedOptions;
  damagedOptions.badChecksum = true;
  sim::ModemSimulator damaged(damagedOptions);
  ASSERT_TRUE(damaged.Start());
  HeardEvents complaints;
  ModemClient line(MapFor(damaged.DevicePath()), &complaints);
  line.SetAnswerWait([&](int ms, const std::function<bool()>& answered) {
    if (!complaints.Heard()) line.State().WaitForAnswer(ms, answered);
    return answered();
  });
  ASSERT_TRUE(line.Open(kSimPort));
  const Result<ConfigRecord> bad = line.Read();
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.failure().kind, FailureKind::Damaged);
  ASSERT_EQ(complaints.messages.size(), 1u);
  EXPECT_EQ(complaints.messages[0].rfind("bad chksum (", 0), 0u);
  EXPECT_EQ(bad.failure().message,
            "the modem's answer to \"get_syspara\" was damaged on the line (" + complaints.messages[0] + ")");
}

// The line holds the Write back while the modem repeats its answer to the
// Read: that duplicate is not the Write's echo.
TEST(ModemClientLine, ALateDuplicateReadAnswerIsNotTakenForTheWritesEcho) {
  sim::SimOptions options;
  options.duplicateAnswerMs = 150;
  sim::ModemSimulator modem(options);
  std::atomic<int> reads{0};
  std::atomic<bool> held{false};
  std::atomic<LineBrake*> brakeSet{nullptr};
  modem.SetFrameObserver([&](const sim::ReceivedFrame& frame) {
    LineBrake* brake = brakeSet.load();
    if (!brake || frame.kind != sim::FrameKind::GetSysPara || reads++ != 0) return;
    brake->Hold(true);  // before the answer goes out, so the Write meets it
    held = true;
  });
  ASSERT_TRUE(modem.Start());
  LineBrake brake(modem.DevicePath());
  brakeSet = &brake;
  // The line is let go only once the duplicate is on it, however late a
  // loaded machine lets the modem send it: it then always meets the Write.
  std::thread release([&] {
    const auto giveUp = Clock::now() + 20s;
    while (!held && Clock::now() < giveUp) std::this_thread::sleep_for(5ms);
    modem.WaitForResponsesWritten(2, 20s);
    brake.Hold(false);
  });
  ModemClient link(MapFor(modem.DevicePath()));
  const bool read = link.Open(kSimPort) && link.Read();
  if (!read) release.join();
  ASSERT_TRUE(read);

  ConfigRecord edited = link.Record();
  edited.Set(field::apn, "late.duplicate");
  edited.Set(field::device_name, "Echo only");
  const Result<ConfigRecord> written = link.Write(edited);
  release.join();
  ASSERT_TRUE(written) << OneLine(written.failure());
  // The echo, not the duplicate of the Read's answer that came before it.
  EXPECT_EQ(written->Get(field::apn), "late.duplicate");
  EXPECT_TRUE(SettingsNotHeld(edited, written.value()).empty());
}

// Answers keep arriving (every one twice) while the tool compares what it
// holds: the record it compares is a copy no answer changes half-way.
TEST(ModemClientLine, TheComparedRecordIsACopyThatDispatchNeverChangesMidway) {
  sim::SimOptions options;
  options.duplicateAnswerMs = 1;
  sim::ModemSimulator modem(options);
  ASSERT_TRUE(modem.Start());
  ModemClient link(MapFor(modem.DevicePath()));
  ASSERT_TRUE(link.Open(kSimPort));
  for (int round = 0; round < 5; ++round) {
    const Result<ConfigRecord> read = link.Read();
    ASSERT_TRUE(read) << OneLine(read.failure());
    const auto until = Clock::now() + 30ms;  // the duplicate lands meanwhile
    while (Clock::now() < until) {
      const ConfigRecord a = link.Record();
      EXPECT_TRUE(SettingsNotHeld(a, a).empty());
    }
  }
}

TEST(ModemClientLine, AModemThatEchoesWithoutStoringIsCaughtByTheReadBack) {
  sim::SimOptions options;
  options.echoWithoutStoring = true;
  sim::ModemSimulator modem(options);
  ASSERT_TRUE(modem.Start());
  ModemClient link(MapFor(modem.DevicePath()));
  ASSERT_TRUE(link.Open(kSimPort) && link.Read());
  ConfigRecord edited = link.Record();
  edited.Set(field::apn, "never.stored");
  const VerifiedWrite written = WriteAndVerify(link, edited);
  EXPECT_EQ(written.outcome, VerifiedWrite::Outcome::NotHeld);
  ASSERT_EQ(written.notHeld.size(), 1u);
  EXPECT_EQ(written.notHeld[0].name, "apn");
}

// A regular file, a FIFO and a null device (a scratch node, never the
// machine's own /dev) are refused as ports, and nothing is written into them.
TEST(ModemClientLine, OnlySerialDevicesAreOpenedAsPorts) {
  const auto dir = std::filesystem::temp_directory_path() / ("telvaro-ports-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string settings = (dir / "site.bin").string();
  std::ofstream(settings, std::ios::binary) << std::string(1629, 'S');
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::vector<std::string> paths = {settings, (dir / "fifo").string()};
  if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) paths.push_back((dir / "null").string());
  for (const std::string& path : paths) {
    ModemClient link(MapFor(path));
    const Result<void> opened = link.Open(kSimPort);
    ASSERT_FALSE(opened) << path;
    EXPECT_EQ(opened.failure().kind, FailureKind::Port);
    EXPECT_EQ(OneLine(opened.failure()), "Can't open COM50: " + path + ": not a serial device");
  }
  std::ifstream in(settings, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(1629, 'S'));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace telvaro
