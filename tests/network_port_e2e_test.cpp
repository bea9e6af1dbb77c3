// Modems behind a serial device server: the real ser2net on 127.0.0.1, raw
// and RFC 2217, in front of the simulator's pseudo-terminals; the tool's
// network device, its client and telvaro-cli against it.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/network_device.h"
#include "operations/modem_client.h"
#include "protocol/frame_codec.h"
#include "record/field_table.h"
#include "sim/modem_sim.h"
#include "tests/ser2net_support.h"

namespace telvaro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class NetworkPort : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSer2net()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it)";
    dir = fs::temp_directory_path() / ("telvaro-net-test-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    server.reset();
    if (!dir.empty()) fs::remove_all(dir);
  }
  sim::ModemSimulator& AddModem(const std::string& imei, sim::SimOptions options = {}) {
    modems.push_back(std::make_unique<sim::ModemSimulator>(options));
    ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
    record.Set(field::imei, imei);
    modems.back()->SetStoredRecord(record);
    EXPECT_TRUE(modems.back()->Start());
    return *modems.back();
  }
  void Serve(std::vector<Ser2net::Line> lines) {
    server = std::make_unique<Ser2net>(dir, std::move(lines));
    ASSERT_TRUE(server->Start()) << "ser2net did not start listening";
  }
  struct Run {
    int status;
    std::string out, err;
  };
  Run Cli(const std::string& args) {
    const std::string line = std::string(TELVARO_CLI_PATH) + " " + args + " </dev/null >" + (dir / "out").string() +
                             " 2>" + (dir / "err").string();
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
  }

  fs::path dir;
  std::vector<std::unique_ptr<sim::ModemSimulator>> modems;
  std::unique_ptr<Ser2net> server;
};

// The record without what changes by itself between two answers: the clock
// and the byte counters.
Bytes Settled(const ConfigRecord& record) {
  Bytes bytes(record.Record().begin(), record.Record().end());
  for (const FieldInfo& f : {FieldInfo(field::rtc_time), FieldInfo(field::tx_bytes), FieldInfo(field::rx_bytes)})
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(f.offset), f.width, 0);
  return bytes;
}

TEST_F(NetworkPort, TheCliReadsWritesDetectsAndRunsAFleetOverRawAndRfc2217) {
  sim::ModemSimulator& raw = AddModem("356938035643801");
  sim::ModemSimulator& telnet = AddModem("356938035643802");
  const int rawPort = FreePort(), telnetPort = FreePort();
  // The RFC 2217 line starts at 9600 baud: the tool sets it to 115200 itself.
  Serve({{rawPort, raw.DevicePath(), false, "115200n81"}, {telnetPort, telnet.DevicePath(), true, "9600n81"}});
  const std::string rawAddress = "tcp://127.0.0.1:" + std::to_string(rawPort);
  const std::string telnetAddress = "rfc2217://localhost:" + std::to_string(telnetPort);

  for (const std::string& port : {rawAddress, "COM7=" + telnetAddress}) {
    const std::string file = (dir / "read.bin").string(), trace = (dir / "trace.log").string();
    const Run read = Cli("read --port " + port + " -o " + file + " --trace " + trace);
    ASSERT_EQ(read.status, 0) << read.err;
    // What the trace shows is the serial line: the answer's 1651 bytes, no
    // Telnet framing around them.
    EXPECT_NE(Slurp(trace).find("received 1651 bytes"), std::string::npos) << Slurp(trace);
    const Run written = Cli("write " + file + " --port " + port);
    EXPECT_EQ(written.status, 0) << written.out << written.err;
  }
  // The two lines carried the same record each way: the two modems, alike
  // but for their IMEI, hold the same record after the same read and write.
  ConfigRecord rawHeld = raw.StoredRecord(), telnetHeld = telnet.StoredRecord();
  telnetHeld.Set(field::imei, rawHeld.Get(field::imei));
  EXPECT_EQ(Settled(rawHeld), Settled(telnetHeld));
  termios line{};
  const int fd = ::open(telnet.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::tcgetattr(fd, &line), 0);
  ::close(fd);
  EXPECT_EQ(::cfgetospeed(&line), B115200);

  // detect and a fleet, by address, both units at once.
  const Run found = Cli("detect --json --port " + rawAddress + " --port " + telnetAddress);
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_NE(found.out.find("356938035643801"), std::string::npos) << found.out;
  EXPECT_NE(found.out.find("356938035643802"), std::string::npos) << found.out;
  std::ofstream((dir / "site.yaml").string()) << "format: telvaro-profile/1\nbasic:\n  device_name: \"${SITE}\"\n";
  std::ofstream((dir / "units.csv").string()) << "port,SITE\n" << rawAddress << ",EAST\n" << telnetAddress << ",WEST\n";
  const Run fleet = Cli("apply " + (dir / "site.yaml").string() + " --units " + (dir / "units.csv").string() +
                        " --report " + (dir / "report.csv").string() + " --backup " + (dir / "backups").string());
  EXPECT_EQ(fleet.status, 0) << fleet.out << fleet.err;
  EXPECT_EQ(raw.StoredRecord().Get(field::device_name), "EAST");
  EXPECT_EQ(telnet.StoredRecord().Get(field::device_name), "WEST");
  EXPECT_NE(fleet.out.find(telnetAddress + " 356938035643802 WEST: ok"), std::string::npos) << fleet.out;
}

TEST_F(NetworkPort, AByte0xFFCrossesRfc2217BothWaysAndAStoppedServerEndsTheWriteWithTheReason) {
  sim::SimOptions slow;
  slow.delayMs = 2000;  // time for the server to go while a Write waits
  sim::ModemSimulator& modem = AddModem("356938035643803", slow);
  const int port = FreePort();
  Serve({{port, modem.DevicePath(), true, "115200n81"}});
  const std::string address = "rfc2217://127.0.0.1:" + std::to_string(port);
  ConfigRecord stored = modem.StoredRecord();
  stored.SetRawByte(field::device_name.offset + 1, 0xFF);
  modem.SetStoredRecord(stored);

  PortMap map;
  ASSERT_TRUE(map.AddPair("COM9=" + address));
  ModemClient client(map);
  ASSERT_TRUE(client.Open(9)) << "open " << address;
  const Result<ConfigRecord> read = client.Read();
  ASSERT_TRUE(read) << read.failure().message;
  EXPECT_EQ(read.value().RawByte(field::device_name.offset + 1), 0xFF);
  EXPECT_EQ(Settled(read.value()), Settled(modem.StoredRecord()));

  ConfigRecord toWrite = read.value();
  toWrite.SetRawByte(field::apn.offset, 0xFF);
  toWrite.SetRawByte(field::apn.offset + 1, 0xFF);
  modem.ClearFrames();
  ASSERT_TRUE(client.Write(toWrite));
  ConfigRecord framed = toWrite;
  const Bytes expected = FrameCodec::SetSysParaFrame(framed);
  ASSERT_EQ(modem.Frames().size(), 1u);
  EXPECT_EQ(modem.Frames()[0].bytes, expected);
  EXPECT_EQ(modem.StoredRecord().RawByte(field::apn.offset + 1), 0xFF);

  // The server goes away while the Write waits for its echo: the Write ends
  // as a disconnection, with the reason, and is never taken for a success.
  modem.ClearFrames();
  std::thread stopper([this, &modem] {
    const auto limit = Clock::now() + 30s;
    while (modem.Frames().empty() && Clock::now() < limit) std::this_thread::sleep_for(5ms);
    server->Stop();
  });
  const auto began = Clock::now();
  const Result<ConfigRecord> cut = client.Write(toWrite);
  stopper.join();
  ASSERT_FALSE(cut);
  EXPECT_EQ(cut.failure().kind, FailureKind::Disconnected);
  EXPECT_NE(cut.failure().message.find("the server"), std::string::npos) << cut.failure().message;
  EXPECT_LT(Clock::now() - began, 30s);
}

TEST(NetworkPortOpen, NothingListeningOrNoAcceptFailsWithinTheConnectTimeOutAndIPv6Connects) {
  // Refused at once, the address named in the message.
  const int port = FreePort();
  PortMap map;
  ASSERT_TRUE(map.AddPair("COM3=tcp://127.0.0.1:" + std::to_string(port)));
  ModemClient client(map);
  const auto began = Clock::now();
  const Result<void> refused = client.Open(3);
  ASSERT_FALSE(refused);
  EXPECT_LT(Clock::now() - began, std::chrono::milliseconds(kConnectTimeoutMs) + 10s);
  EXPECT_NE(refused.failure().message.find("Can't open COM3"), std::string::npos);
  EXPECT_NE(refused.failure().reason.find("tcp://127.0.0.1:" + std::to_string(port) + ": Connection refused"),
            std::string::npos)
      << refused.failure().reason;

  // A server whose queue is full never accepts: the open gives up at its
  // time-out and says so.
  const int full = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ASSERT_EQ(::bind(full, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(full, 0), 0);
  ASSERT_EQ(::getsockname(full, reinterpret_cast<sockaddr*>(&a), &length), 0);
  const std::string fullAddress = "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  std::vector<std::unique_ptr<SerialDevice>> queued;
  bool timedOut = false;
  for (int i = 0; i < 8 && !timedOut; ++i) {
    queued.push_back(CreateNetworkDevice(1000));
    const auto start = Clock::now();
    if (!queued.back()->Open(fullAddress)) {
      EXPECT_EQ(queued.back()->OpenFailureReason(), "no connection within 1 s (connect time-out)");
      EXPECT_LT(Clock::now() - start, 10s);
      timedOut = true;
    }
  }
  EXPECT_TRUE(timedOut);
  ::close(full);

  // IPv6, where the machine has it: a byte 0xFF goes out as it is on a raw line.
  const int six = ::socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 b{};
  b.sin6_family = AF_INET6;
  b.sin6_addr = in6addr_loopback;
  socklen_t length6 = sizeof b;
  if (six < 0 || ::bind(six, reinterpret_cast<sockaddr*>(&b), sizeof b) != 0) {
    if (six >= 0) ::close(six);
    return;  // no IPv6 loopback here
  }
  ASSERT_EQ(::listen(six, 1), 0);
  ASSERT_EQ(::getsockname(six, reinterpret_cast<sockaddr*>(&b), &length6), 0);
  const std::unique_ptr<SerialDevice> device = CreateNetworkDevice();
  ASSERT_TRUE(device->Open("tcp://[::1]:" + std::to_string(ntohs(b.sin6_port)))) << device->OpenFailureReason();
  EXPECT_EQ(device->WriteByte(0xFF), ByteWrite::Written);
  const int accepted = ::accept(six, nullptr, nullptr);
  std::uint8_t got = 0;
  EXPECT_EQ(::recv(accepted, &got, 1, 0), 1);
  EXPECT_EQ(got, 0xFF);
  ::close(accepted);
  ::close(six);
}

}  // namespace
}  // namespace telvaro
