// The real PortSession against the simulated modem over pseudo-terminals.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "link/port_session.h"
#include "protocol/record_checksum.h"
#include "protocol/response_dispatch.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kSimPort = 50;

class RecordingEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void PortStateChanged(bool open) override { states.push_back(open); }
  void DeviceDisconnected() override { disconnects.fetch_add(1); }
  std::vector<std::string> messages;
  std::vector<bool> states;
  std::atomic<int> disconnects{0};
};

PortMap MapFor(const sim::ModemSimulator& modem) {
  PortMap map;
  map.AddPair("COM" + std::to_string(kSimPort) + "=" + modem.DevicePath());
  return map;
}

// Generous: a loaded machine may hold the simulator or the reader back for
// seconds; the waits below end as soon as their condition holds.
constexpr auto kLimit = 20s;

// Waits until the buffer holds at least `atLeast` bytes and the line has then
// been quiet for `quiet`, as the window's timer does, and takes the snapshot.
// Waiting for the whole answer first means a stall half-way is not taken for
// its end.
Bytes WaitForQuietSnapshot(PortSession& session, std::size_t atLeast = 1, std::chrono::milliseconds quiet = 250ms) {
  const auto deadline = Clock::now() + kLimit;
  std::size_t lastFill = session.Received().FillCount();
  auto lastChange = Clock::now();
  while (Clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
    const std::size_t fill = session.Received().FillCount();
    if (fill != lastFill) {
      lastFill = fill;
      lastChange = Clock::now();
    } else if (fill >= atLeast && fill > 0 && Clock::now() - lastChange >= quiet) {
      return session.Received().TakeSnapshot();
    }
  }
  return session.Received().TakeSnapshot();
}

Bytes WaitForAnswer(PortSession& session) { return WaitForQuietSnapshot(session, kParameterResponseSize); }

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class PortSessionE2E : public ::testing::Test {
 protected:
  void StartModem(sim::SimOptions options = {}) {
    modem = std::make_unique<sim::ModemSimulator>(options);
    ASSERT_TRUE(modem->Start());
    session = std::make_unique<PortSession>(events, MapFor(*modem));
  }
  RecordingEvents events;
  std::unique_ptr<sim::ModemSimulator> modem;
  std::unique_ptr<PortSession> session;
};

TEST_F(PortSessionE2E, ReadRoundTripLandsTheWholeAnswerInTheBuffer) {
  StartModem();
  EXPECT_EQ(session->LineDescription(), "9600,N,8,1");
  ASSERT_EQ(session->Toggle(kSimPort), PortSession::kOpened);
  EXPECT_EQ(session->RememberedPort(), kSimPort);
  EXPECT_TRUE(session->IsOpen());
  EXPECT_EQ(events.states, std::vector<bool>{true});
  EXPECT_EQ(session->LineDescription(), "115200,n,8,1");
  EXPECT_EQ(session->ResponseWaitLimit(), 40);

  const Bytes request = FrameCodec::GetSysParaFrame();
  const auto sent = Clock::now();
  EXPECT_EQ(session->Write(request), 0);
  ASSERT_TRUE(modem->WaitForFrames(1, kLimit));
  const auto frames = modem->Frames();
  EXPECT_EQ(frames[0].kind, sim::FrameKind::GetSysPara);
  EXPECT_EQ(frames[0].bytes, request);
  EXPECT_EQ(modem->GarbageBytes(), 0u);

  const Bytes answer = WaitForAnswer(*session);
  ASSERT_EQ(answer.size(), kParameterResponseSize);
  EXPECT_TRUE(StartsWith(answer, "MDM_STAall_para"));
  EXPECT_TRUE(EndsWith(answer, "MDM_END"));
  // The reader stamps when bytes last arrived: after the request went out.
  EXPECT_GE(session->LastReceived(), sent);

  EXPECT_EQ(session->Toggle(kSimPort), PortSession::kClosed);
  EXPECT_EQ(events.states, (std::vector<bool>{true, false}));
  EXPECT_TRUE(events.messages.empty());
  // Writing to a closed port fails; count 0 on an open port sends nothing.
  EXPECT_EQ(session->Write(request), -1);
}

TEST_F(PortSessionE2E, SetSysParaFrameArrivesWholeAndIsAnswered) {
  StartModem();
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  EXPECT_EQ(session->Write(nullptr, 0), 0);

  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  record.Set(field::device_name, "Written by test");
  record.Set(field::server_port, 4059);
  const Bytes frame = FrameCodec::SetSysParaFrame(record);
  ASSERT_EQ(frame.size(), kSetSysParaFrameSize);
  EXPECT_EQ(session->Write(frame), 0);

  ASSERT_TRUE(modem->WaitForFrames(1, kLimit));
  const auto frames = modem->Frames();
  EXPECT_EQ(frames[0].kind, sim::FrameKind::SetSysPara);
  EXPECT_EQ(frames[0].bytes, frame);

  const Bytes answer = WaitForAnswer(*session);
  ASSERT_EQ(answer.size(), kParameterResponseSize);
  ConfigRecord echoed;
  echoed.ReplaceFrom(std::span(answer).subspan(15, ConfigRecord::kBlockSize));
  EXPECT_EQ(echoed.Get(field::device_name), "Written by test");
  EXPECT_EQ(echoed.Get(field::server_port), 4059);
}

TEST_F(PortSessionE2E, MoreThan3071BytesWithoutAPauseNeverFillTheBuffer) {
  sim::SimOptions options;
  options.flood = true;
  StartModem(options);
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  EXPECT_EQ(session->Write(FrameCodec::GetSysParaFrame()), 0);

  // Watch the fill count for 1.5 s from the flood's first bytes: it must
  // stay below 3072.
  std::size_t highest = 0;
  const auto giveUp = Clock::now() + kLimit;
  auto until = giveUp;
  while (Clock::now() < until) {
    highest = std::max(highest, session->Received().FillCount());
    if (highest > 0 && until == giveUp) until = Clock::now() + 1500ms;
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_GT(highest, 0u);
  EXPECT_LT(highest, ReceiveBuffer::kCapacity);
  EXPECT_LT(session->Received().TakeSnapshot().size(), ReceiveBuffer::kCapacity);

  // The reader goes on receiving afterwards.
  EXPECT_EQ(session->Write(FrameCodec::GetSysParaFrame()), 0);
  const Bytes again = WaitForQuietSnapshot(*session);
  EXPECT_GT(again.size(), 0u);
  EXPECT_LT(again.size(), ReceiveBuffer::kCapacity);
}

TEST_F(PortSessionE2E, CloseAndImmediateReopenLeaveOneReader) {
  StartModem();
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
    EXPECT_EQ(session->LiveReaders(), 1);
    EXPECT_EQ(session->Close(), PortSession::kClosed);
    // Close ends the reader before it returns.
    EXPECT_EQ(session->LiveReaders(), 0);
  }
  // Opening an open session replaces the reader instead of adding one.
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  EXPECT_EQ(session->LiveReaders(), 1);

  EXPECT_EQ(session->Write(FrameCodec::GetSysParaFrame()), 0);
  const Bytes answer = WaitForAnswer(*session);
  EXPECT_EQ(answer.size(), kParameterResponseSize);  // one copy, not two
  EXPECT_TRUE(events.messages.empty());
}

// The other end closing (an unplugged adapter) is noticed once: the reader
// stops at once, burns no CPU, and tells its owner, who closes the port.
TEST_F(PortSessionE2E, DeviceVanishingWhileOpenIsReportedOnceAndStopsTheReader) {
  StartModem();
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  const unsigned opens = session->OpenCount();
  modem->Stop();

  const double before = ProcessCpuSeconds();
  const auto deadline = Clock::now() + kLimit;
  while (session->LiveReaders() > 0 && Clock::now() < deadline) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(500ms);
  EXPECT_LT(ProcessCpuSeconds() - before, 0.2) << "reader CPU while the device is gone";
  EXPECT_EQ(session->LiveReaders(), 0);
  EXPECT_EQ(events.disconnects.load(), 1);
  EXPECT_TRUE(session->Disconnected());
  EXPECT_FALSE(session->ReaderRunning());  // ends every operation wait

  EXPECT_EQ(session->Write(FrameCodec::GetSysParaFrame()), -1);
  EXPECT_TRUE(session->IsOpen());  // closing is the owner's, on its own thread
  EXPECT_EQ(session->Close(), PortSession::kClosed);
  EXPECT_EQ(events.states, (std::vector<bool>{true, false}));

  // Plugged in again: a fresh open is a fresh start.
  ASSERT_TRUE(modem->Start());
  session->Ports() = MapFor(*modem);
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  EXPECT_FALSE(session->Disconnected());
  EXPECT_EQ(session->OpenCount(), opens + 1);
  EXPECT_EQ(session->Write(FrameCodec::GetSysParaFrame()), 0);
  EXPECT_EQ(WaitForAnswer(*session).size(), kParameterResponseSize);
}

// Two users of one port would corrupt each other's answers: the second is
// refused with the reason, whoever runs it (this runs as CI's user, root
// included), and gets the port once the first lets it go.
TEST_F(PortSessionE2E, ASecondUserOfThePortIsRefusedAsInUse) {
  StartModem();
  ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
  RecordingEvents otherEvents;
  PortSession other(otherEvents, MapFor(*modem));
  EXPECT_EQ(other.Open(kSimPort), PortSession::kOpenFailed);
  EXPECT_EQ(otherEvents.messages,
            std::vector<std::string>{"Can't open COM50\n" + modem->DevicePath() + ": in use by another program"});
  EXPECT_FALSE(other.IsOpen());

  session->Close();
  EXPECT_EQ(other.Open(kSimPort), PortSession::kOpened);
  EXPECT_EQ(other.Write(FrameCodec::GetSysParaFrame()), 0);
  EXPECT_EQ(WaitForAnswer(other).size(), kParameterResponseSize);
}

TEST(PortSession, UnknownOrMissingPortsGiveTheOpenMessage) {
  RecordingEvents events;
  PortMap map;
  map.AddPair("COM7=/nonexistent/device");
  PortSession session(events, map);
  EXPECT_EQ(session.Toggle(7), PortSession::kOpenFailed);
  EXPECT_EQ(session.Open(0), PortSession::kOpenFailed);
  EXPECT_EQ(session.Open(-4), PortSession::kOpenFailed);
  // The device path and the system's reason follow where there is a device.
  EXPECT_EQ(events.messages, (std::vector<std::string>{"Can't open COM7\n/nonexistent/device: No such file or directory",
                                                       "Can't open COM0", "Can't open COM-4"}));
  EXPECT_TRUE(events.states.empty());
  EXPECT_FALSE(session.IsOpen());
  EXPECT_EQ(session.LineDescription(), "9600,N,8,1");
  EXPECT_EQ(session.LiveReaders(), 0);
}

// A device whose bytes are all waiting at once, read in whatever sizes the
// reader asks for.
class WaitingBytesDevice final : public SerialDevice {
 public:
  explicit WaitingBytesDevice(Bytes waiting) : waiting_(std::move(waiting)) {}
  bool Open(const std::string&) override { return open_ = true; }
  std::string OpenFailureReason() const override { return {}; }
  void Configure() override {}
  long Read(std::uint8_t* buffer, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, waiting_.size() - taken_);
    std::copy_n(waiting_.begin() + static_cast<std::ptrdiff_t>(taken_.load()), n, buffer);
    taken_ += n;
    return static_cast<long>(n);
  }
  void ClearLineError() override {}
  ByteWrite WriteByte(std::uint8_t) override { return ByteWrite::Written; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  bool AllTaken() const { return taken_ == waiting_.size(); }

 private:
  const Bytes waiting_;
  std::atomic<std::size_t> taken_{0};
  std::atomic<bool> open_{false};
};

// A modem that repeats its answer at once puts 3302 bytes on the line before
// the reader gets to them: the first answer still lands whole at the front of
// the buffer, ready to be taken.
TEST(PortSession, AnAnswerRepeatedAtOnceStillLandsWholeInTheBuffer) {
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  record.SetChecksum(RecordChecksum(record.Record()));
  const Bytes answer = FrameCodec::ParameterResponse(record.Block());
  Bytes twice = answer;
  twice.insert(twice.end(), answer.begin(), answer.end());
  WaitingBytesDevice* device = nullptr;
  RecordingEvents events;
  PortMap map;
  map.AddPair("COM7=/dev/fake");
  PortSession session(events, map, [&] {
    auto made = std::make_unique<WaitingBytesDevice>(twice);
    device = made.get();
    return made;
  });
  ASSERT_EQ(session.Open(7), PortSession::kOpened);
  const auto giveUp = Clock::now() + kLimit;
  while (!device->AllTaken() && Clock::now() < giveUp) std::this_thread::sleep_for(1ms);
  session.Close();  // the reader's last chunk is in the buffer once it has stopped
  const Bytes held = session.Received().TakeSnapshot();
  ASSERT_GE(held.size(), kParameterResponseSize);
  EXPECT_EQ(CompleteAnswerLength(held), kParameterResponseSize);
}

TEST(ReceiveBufferThreads, SnapshotsHoldWholeChunksAndLoseNothing) {
  ReceiveBuffer buffer;
  constexpr int kChunks = 20000;
  auto chunkOf = [](int i) { return Bytes(1 + i % 13, static_cast<std::uint8_t>(i % 251)); };
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < kChunks; ++i) {
      const Bytes chunk = chunkOf(i);
      while (!buffer.Append(chunk.data(), chunk.size())) std::this_thread::yield();
    }
    done = true;
  });
  Bytes all;
  std::vector<std::size_t> cuts;  // where each snapshot ended in the stream
  for (;;) {
    const bool finished = done.load();
    const Bytes part = buffer.TakeSnapshot();
    all.insert(all.end(), part.begin(), part.end());
    if (!part.empty()) cuts.push_back(all.size());
    if (finished && part.empty()) break;
    std::this_thread::yield();
  }
  writer.join();

  Bytes expected;
  std::set<std::size_t> chunkEnds;
  for (int i = 0; i < kChunks; ++i) {
    const Bytes chunk = chunkOf(i);
    expected.insert(expected.end(), chunk.begin(), chunk.end());
    chunkEnds.insert(expected.size());
  }
  EXPECT_EQ(all, expected);
  EXPECT_GT(cuts.size(), 1u);
  for (std::size_t cut : cuts) EXPECT_TRUE(chunkEnds.count(cut)) << "snapshot split a chunk at " << cut;
}

}  // namespace
}  // namespace telvaro
