// The command-line tool's link against the simulated modem as a hostile cable
// would treat it: a line that stops taking bytes, answers that come twice,
// a modem that echoes without storing, and paths that are not serial devices.
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

#include "cli/modem_link.h"
#include "cli/verified_write.h"
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

TEST(ModemLinkLine, AStalledLineEndsEachFrameAtItsDeadlineWithTheReason) {
  sim::ModemSimulator modem;
  ASSERT_TRUE(modem.Start());
  ModemLink link(MapFor(modem.DevicePath()));
  ASSERT_TRUE(link.Open(kSimPort));
  LineBrake brake(modem.DevicePath());
  ASSERT_TRUE(link.Read());

  brake.Hold(true);
  const auto started = Clock::now();
  EXPECT_FALSE(link.Write(link.Record()));
  // One deadline for the frame, not 700 ms for each of its 1654 bytes; the
  // bound is wide for a busy machine and far below what a hang would take.
  EXPECT_LT(Clock::now() - started, PortSession::FrameDeadline(kSetSysParaFrameSize) + 30s);
  EXPECT_EQ(link.Failure(), "the line does not take data");
  brake.Hold(false);  // the line recovers: the next command goes through
  EXPECT_TRUE(link.Read()) << link.Failure();
}

// The line holds the Write back while the modem repeats its answer to the
// Read: that duplicate is not the Write's echo.
TEST(ModemLinkLine, ALateDuplicateReadAnswerIsNotTakenForTheWritesEcho) {
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
  ModemLink link(MapFor(modem.DevicePath()));
  const bool read = link.Open(kSimPort) && link.Read();
  if (!read) release.join();
  ASSERT_TRUE(read) << link.Failure();

  ConfigRecord edited = link.Record();
  edited.Set(field::apn, "late.duplicate");
  edited.Set(field::device_name, "Echo only");
  const bool written = link.Write(edited);
  release.join();
  ASSERT_TRUE(written) << link.Failure();
  // The echo, not the duplicate of the Read's answer that came before it.
  EXPECT_EQ(link.Record().Get(field::apn), "late.duplicate");
  EXPECT_TRUE(SettingsNotHeld(edited, link.Record()).empty());
}

// Answers keep arriving (every one twice) while the tool compares what it
// holds: the record it compares is a copy no answer changes half-way.
TEST(ModemLinkLine, TheComparedRecordIsACopyThatDispatchNeverChangesMidway) {
  sim::SimOptions options;
  options.duplicateAnswerMs = 1;
  sim::ModemSimulator modem(options);
  ASSERT_TRUE(modem.Start());
  ModemLink link(MapFor(modem.DevicePath()));
  ASSERT_TRUE(link.Open(kSimPort));
  for (int round = 0; round < 5; ++round) {
    ASSERT_TRUE(link.Read()) << link.Failure();
    const auto until = Clock::now() + 30ms;  // the duplicate lands meanwhile
    while (Clock::now() < until) {
      const ConfigRecord a = link.Record();
      EXPECT_TRUE(SettingsNotHeld(a, a).empty());
    }
  }
}

TEST(ModemLinkLine, AModemThatEchoesWithoutStoringIsCaughtByTheReadBack) {
  sim::SimOptions options;
  options.echoWithoutStoring = true;
  sim::ModemSimulator modem(options);
  ASSERT_TRUE(modem.Start());
  ModemLink link(MapFor(modem.DevicePath()));
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
TEST(ModemLinkLine, OnlySerialDevicesAreOpenedAsPorts) {
  const auto dir = std::filesystem::temp_directory_path() / ("telvaro-ports-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string settings = (dir / "site.bin").string();
  std::ofstream(settings, std::ios::binary) << std::string(1629, 'S');
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::vector<std::string> paths = {settings, (dir / "fifo").string()};
  if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) paths.push_back((dir / "null").string());
  for (const std::string& path : paths) {
    ModemLink link(MapFor(path));
    std::string failure;
    EXPECT_FALSE(link.Open(kSimPort, &failure)) << path;
    EXPECT_EQ(failure, "Can't open COM50: " + path + ": not a serial device");
  }
  std::ifstream in(settings, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(1629, 'S'));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace telvaro
