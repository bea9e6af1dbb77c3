// The whole upgrade road against the simulated modem over a pseudo-terminal:
// the real PortSession writes and reads, the DispatchPump judges the answers,
// and the upgrade flow polls the result. Only the loader's start-up wait is
// shortened, to the simulated loader's start; the 100 ms polls are real.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/port_session.h"
#include "operations/dispatch_timer.h"
#include "operations/upgrade_flow.h"
#include "protocol/response_dispatch.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kSimPort = 51;
constexpr auto kLoaderStart = 100ms;
constexpr auto kLimit = 20s;  // generous bound of a wait that ends when its condition holds

class NullEvents : public SessionEvents {
 public:
  void ShowMessage(const std::string&) override {}
  void PortStateChanged(bool) override {}
};

// Called on the pump's thread; an upgrade should never reach it.
class CountingHost : public DispatchHost {
 public:
  void ShowMessage(const std::string&) override { ++calls; }
  void SetIoPresent(bool) override { ++calls; }
  void SetGridEnabled(bool) override { ++calls; }
  void ShowRecordOnPages(const ConfigRecord&) override { ++calls; }
  std::atomic<int> calls{0};
};

Bytes Image(std::size_t size) {
  Bytes image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 29 + i / 512 + 3);
  return image;
}

Bytes PacketData(const Bytes& image, std::uint16_t index) {
  const std::size_t from = (index - 1) * std::size_t{512};
  const std::size_t to = std::min(image.size(), from + 512);
  return Bytes(image.begin() + static_cast<std::ptrdiff_t>(from), image.begin() + static_cast<std::ptrdiff_t>(to));
}

// One tool side: session, dispatch and the pump, wired to one simulated modem.
class UpgradeE2E : public ::testing::Test {
 protected:
  void Start(sim::SimOptions options) {
    options.loaderStartMs = static_cast<int>(kLoaderStart.count());
    modem = std::make_unique<sim::ModemSimulator>(options);
    ASSERT_TRUE(modem->Start());
    PortMap map;
    map.AddPair("COM" + std::to_string(kSimPort) + "=" + modem->DevicePath());
    session = std::make_unique<PortSession>(events, map);
    ASSERT_EQ(session->Open(kSimPort), PortSession::kOpened);
    dispatcher = std::make_unique<ResponseDispatcher>(session->Received(), state, host);
    timer = std::make_unique<DispatchTimer>(*session, *dispatcher);
    pump = std::make_unique<DispatchPump>(*timer);
  }

  int RunUpgrade(const Bytes& image) {
    UpgradeHooks hooks;
    hooks.sleep = [this](int ms) {
      askedSinceProgress += ms;
      if (ms != UpgradeFlow::kLoaderStartMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
      }
      // Until the loader is up, counted from when the modem took the switch,
      // however late a loaded machine let the modem see it.
      if (!modem->WaitForFrames(1, kLimit)) return;
      std::this_thread::sleep_until(modem->Frames()[0].when + kLoaderStart + 50ms);
    };
    hooks.progress = [this](std::uint16_t total, std::uint16_t index) {
      progress.emplace_back(total, index);
      lastProgress = Clock::now();
      askedSinceProgress = 0;
    };
    return UpgradeFlow::Run(image, *session, state.upgradeResult, hooks);
  }

  // The upgrade data frames the modem received, after checking that the
  // loader switch came first.
  std::vector<sim::ReceivedFrame> Packets() {
    const auto frames = modem->Frames();
    EXPECT_FALSE(frames.empty());
    if (frames.empty()) return {};
    EXPECT_EQ(frames[0].kind, sim::FrameKind::RebootLdrom);
    EXPECT_EQ(frames[0].bytes, FrameCodec::CommandFrame(command::kRebootLdrom));
    std::vector<sim::ReceivedFrame> packets(frames.begin() + 1, frames.end());
    for (const auto& p : packets) EXPECT_EQ(p.kind, sim::FrameKind::UpgradeData);
    return packets;
  }

  void TearDown() override {
    pump.reset();  // no tick may run against a closing session
    if (session) session->Close();
    EXPECT_EQ(host.calls.load(), 0);
    if (modem) {
      EXPECT_EQ(modem->GarbageBytes(), 0u);
    }
  }

  NullEvents events;
  ModemState state;
  CountingHost host;
  std::unique_ptr<sim::ModemSimulator> modem;
  std::unique_ptr<PortSession> session;
  std::unique_ptr<ResponseDispatcher> dispatcher;
  std::unique_ptr<DispatchTimer> timer;
  std::unique_ptr<DispatchPump> pump;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> progress;
  Clock::time_point lastProgress;  // just before the last packet went out
  int askedSinceProgress = 0;      // ms of waiting the flow asked for since
};

std::vector<std::uint16_t> Indexes(const std::vector<sim::ReceivedFrame>& packets) {
  std::vector<std::uint16_t> out;
  for (const auto& p : packets) out.push_back(p.index);
  return out;
}

TEST_F(UpgradeE2E, AcceptedImageGoesOutOnceInOrder) {
  // 512 + 512 + 1: the last packet carries a single byte. The simulated
  // loader reports the last packet as "finished" unless told to say 0.
  const Bytes image = Image(1025);
  sim::SimOptions options;
  options.packetCodes = {{3, 0}};
  Start(options);

  EXPECT_EQ(RunUpgrade(image), 0);
  EXPECT_EQ(UpgradeStatusText(state.upgradeResult.load()), "Success");
  const auto packets = Packets();
  ASSERT_EQ(Indexes(packets), (std::vector<std::uint16_t>{1, 2, 3}));
  for (const auto& p : packets) {
    EXPECT_EQ(p.total, 3);
    EXPECT_EQ(p.bytes, FrameCodec::UpgradeDataFrame(PacketData(image, p.index), 3, p.index));
  }
  EXPECT_EQ(packets[0].bytes.size(), 543u);
  EXPECT_EQ(packets[2].bytes.size(), 32u);
  EXPECT_EQ(progress, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{3, 1}, {3, 2}, {3, 3}}));
}

TEST_F(UpgradeE2E, FinishedOnTheLastPacketAndARefusedPacketIsResent) {
  const Bytes image = Image(4 * 512);
  sim::SimOptions options;
  options.packetCodes = {{3, 6}};  // checksum refusal, once
  Start(options);

  EXPECT_EQ(RunUpgrade(image), 8);
  EXPECT_EQ(UpgradeStatusText(state.upgradeResult.load()), "Upgrade Finished");
  const auto packets = Packets();
  ASSERT_EQ(Indexes(packets), (std::vector<std::uint16_t>{1, 2, 3, 3, 4}));
  EXPECT_EQ(packets[2].bytes, packets[3].bytes);
  EXPECT_EQ(packets[3].bytes, FrameCodec::UpgradeDataFrame(PacketData(image, 3), 4, 3));
}

TEST_F(UpgradeE2E, SilenceAfterAPacketEndsTheUpgradeAfterAboutThreeSeconds) {
  const Bytes image = Image(5 * 512);
  sim::SimOptions options;
  options.stopAfterPacket = 2;
  Start(options);

  const int result = RunUpgrade(image);
  const auto ended = Clock::now();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(UpgradeStatusText(result), "Err:Comm Failed");
  const auto packets = Packets();
  ASSERT_EQ(Indexes(packets), (std::vector<std::uint16_t>{1, 2, 3}));
  // 32 polls of 100 ms after the unanswered packet, and no resend: counted
  // in the waits the flow asks for, which a loaded machine only stretches,
  // and at least about as long in real time.
  EXPECT_EQ(askedSinceProgress, 32 * UpgradeFlow::kPollMs);
  EXPECT_GE(ended - lastProgress, 3000ms);
}

TEST(DispatchPump, DispatchesOnItsOwnThreadAndStopsWhenDestroyed) {
  NullEvents events;
  PortSession session(events);
  ModemState state;
  CountingHost host;
  ResponseDispatcher dispatcher(session.Received(), state, host);
  DispatchTimer timer(session, dispatcher);
  {
    // Bytes that came before the pump are looked at when it starts.
    const Bytes answer = FrameCodec::UpgradeStatusResponse(5);
    ASSERT_TRUE(session.Received().Append(answer.data(), answer.size()));
    DispatchPump pump(timer);
    const auto deadline = Clock::now() + kLimit;
    while (state.upgradeResult.load() != 5 && Clock::now() < deadline) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(state.upgradeResult.load(), 5);
    EXPECT_EQ(session.Received().FillCount(), 0u);
  }
  // Once destroyed, nothing is dispatched any more.
  const Bytes partial{'M', 'D', 'M'};
  ASSERT_TRUE(session.Received().Append(partial.data(), partial.size()));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(session.Received().FillCount(), partial.size());
  (void)session.Received().TakeSnapshot();
  // Destroyed right after starting, too.
  { DispatchPump pump(timer); }
  EXPECT_EQ(host.calls.load(), 0);
}

}  // namespace
}  // namespace telvaro
