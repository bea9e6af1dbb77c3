// telvaro-cli as operators run it, against the simulated modem over a
// pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <map>
#include <regex>
#include <string>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "fleet/record_text.h"
#include "fleet/verified_write.h"
#include "link/port_session.h"
#include "operations/settings_file.h"
#include "protocol/record_checksum.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class CliE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("telvaro-cli-test-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void StartModem(sim::SimOptions options = {}) {
    modem = std::make_unique<sim::ModemSimulator>(options);
    ASSERT_TRUE(modem->Start());
  }

  // Runs the tool with `args`, the modem as COM50 unless `withPort` is false.
  CliRun Cli(const std::string& args, bool withPort = true) {
    const std::string port = modem && withPort ? " --port COM50=" + modem->DevicePath() : "";
    const int raw = std::system(CommandLine(args + port).c_str());
    return CliRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
  }
  // Standard input is never a terminal here, so no command waits for Enter.
  std::string CommandLine(const std::string& args) const {
    return std::string(TELVARO_CLI_PATH) + " " + args + " </dev/null >" + (dir / "out").string() + " 2>" +
           (dir / "err").string();
  }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  std::filesystem::path dir;
  std::unique_ptr<sim::ModemSimulator> modem;
};

std::string BlockText(const ConfigRecord& record) {
  return std::string(record.Block().begin(), record.Block().end());
}

std::size_t Writes(const sim::ModemSimulator& modem) {
  const auto frames = modem.Frames();
  return static_cast<std::size_t>(std::count_if(frames.begin(), frames.end(), [](const sim::ReceivedFrame& f) {
    return f.kind == sim::FrameKind::SetSysPara;
  }));
}

TEST_F(CliE2E, ReadSavesExactlyWhatTheModemHolds) {
  StartModem();
  const std::string file = (dir / "modem.bin").string();
  const CliRun run = Cli("read -o " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string saved = Slurp(file);
  ASSERT_EQ(saved.size(), 1629u);
  ConfigRecord held = modem->StoredRecord();
  held.SetChecksum(RecordChecksum(held.Record()));
  EXPECT_EQ(saved, BlockText(held));
  EXPECT_EQ(static_cast<std::uint8_t>(saved[1628]), RecordChecksum(reinterpret_cast<const std::uint8_t*>(saved.data()), 1628));

  // Without -o the record is printed field by field.
  const CliRun print = Cli("read");
  ASSERT_EQ(print.status, 0) << print.err;
  EXPECT_NE(print.out.find("device_name: \"Telvaro-DTU\""), std::string::npos) << print.out;
  EXPECT_NE(print.out.find("reg_status: 1 (Registered to home network)"), std::string::npos);
}

TEST_F(CliE2E, WriteStoresTheFileAndKeepsTheModemsDeviceBytes) {
  StartModem();
  const ConfigRecord before = modem->StoredRecord();
  ConfigRecord prepared = sim::ModemSimulator::RealisticRecord(false);
  prepared.Set(field::device_name, "Provisioned 7");
  prepared.Set(field::apn, "m2m.example");
  prepared.Set(field::server_port, 20001);
  prepared.Set(field::hw_options, 0x00);
  prepared.Set(field::device_flag, 0x5A);
  prepared.Set(field::rs485_absent, 1);
  const std::string file = (dir / "prepared.bin").string();
  ASSERT_TRUE(WriteSettingsFile(file, prepared).ok());

  const CliRun run = Cli("write " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  const ConfigRecord held = modem->StoredRecord();
  EXPECT_EQ(held.Get(field::device_name), "Provisioned 7");
  EXPECT_EQ(held.Get(field::apn), "m2m.example");
  EXPECT_EQ(held.Get(field::server_port), 20001);
  EXPECT_EQ(held.Get(field::hw_options), before.Get(field::hw_options));
  EXPECT_EQ(held.Get(field::device_flag), before.Get(field::device_flag));
  EXPECT_EQ(held.Get(field::rs485_absent), before.Get(field::rs485_absent));

  // Read, write, and the read-back that checks the modem stored it.
  const auto frames = modem->Frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].kind, sim::FrameKind::GetSysPara);
  EXPECT_EQ(frames[1].kind, sim::FrameKind::SetSysPara);
  EXPECT_EQ(frames[2].kind, sim::FrameKind::GetSysPara);
}

TEST_F(CliE2E, WriteNamesEverySettingTheModemDidNotHold) {
  sim::SimOptions options;
  options.unheldFields = {"apn", "di_mode", "gprs_password"};
  StartModem(options);
  ConfigRecord prepared = modem->StoredRecord();
  prepared.Set(field::apn, "m2m.example");
  prepared.Set(field::di_mode, 1, 0);
  prepared.Set(field::device_name, "Held fine");
  prepared.Set(field::gprs_password, "s3cr3t");
  const std::string file = (dir / "prepared.bin").string();
  ASSERT_TRUE(WriteSettingsFile(file, prepared).ok());

  const CliRun run = Cli("write " + file);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("not held by the modem: apn: sent \"m2m.example\", modem has \"internet\""), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("not held by the modem: di_mode[0]: sent 1 (ON), modem has 4 (Null)"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("device_name"), std::string::npos);  // held as sent
  EXPECT_NE(run.err.find("3 setting(s) not held by the modem"), std::string::npos);
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), "Held fine");
  // Secrets are masked as apply and verify mask them, unless asked for.
  EXPECT_NE(run.err.find("not held by the modem: gprs_password: sent \"****\", modem has \"****\""),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("s3cr3t"), std::string::npos) << run.err;
  EXPECT_NE(Cli("write " + file + " --show-secrets").err.find("gprs_password: sent \"s3cr3t\""), std::string::npos);
}

TEST_F(CliE2E, BadFilesAreRefusedBeforeAnythingIsSent) {
  StartModem();
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  record.SetChecksum(RecordChecksum(record.Record()));
  const std::string good = BlockText(record);
  std::string badSum = good;
  badSum[1628] = static_cast<char>(badSum[1628] + 1);

  struct Case {
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {{good.substr(0, 1628), "Read len err"},
                        {good + '\0', "Read len err"},
                        {badSum, "chksum err"}};
  for (const Case& c : cases) {
    const std::string file = WriteFile("bad.bin", c.bytes);
    const CliRun run = Cli("write " + file);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
  }
  EXPECT_TRUE(modem->Frames().empty());

  // A record the pages would refuse: every breach listed, nothing sent,
  // unless forced.
  ConfigRecord refused = record;
  refused.Set(field::baud_index, 200);
  refused.Set(field::connect_interval, 5);
  const std::string refusedFile = (dir / "refused.bin").string();
  ASSERT_TRUE(WriteSettingsFile(refusedFile, refused).ok());
  const std::size_t readsBefore = modem->Frames().size();
  CliRun run = Cli("write " + refusedFile);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(refusedFile + ": baud: \"200\" is not an item of the list (one of 1200, 2400, "),
            std::string::npos) << run.err;
  EXPECT_NE(run.err.find(refusedFile + ": connect_interval: 5 is out of range (10 to 1200)"), std::string::npos)
      << run.err;
  EXPECT_EQ(modem->Frames().size(), readsBefore + 1);  // the modem read, nothing written
  EXPECT_EQ(Writes(*modem), 0u);
  run = Cli("write --force " + refusedFile);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(modem->StoredRecord().Get(field::baud_index), 200);

  // All-zero record with checksum 0 is a good file.
  const std::string zero = WriteFile("zero.bin", std::string(1629, '\0'));
  EXPECT_EQ(Cli("dump " + zero, false).status, 0);  // dump takes no --port
  EXPECT_EQ(Cli("dump " + (dir / "missing.bin").string()).status, 2);
  EXPECT_EQ(Cli("frobnicate").status, 2);
  EXPECT_EQ(Cli("read --port COMX").status, 2);
}

// Another unit's file reaches this modem as settings only: its identity,
// hardware, counters and clock stay this modem's, Write's own corrections
// are made and named, and what is checked is the record that is sent.
TEST_F(CliE2E, WriteAndRestoreSendOnlySettingsAndCheckTheRecordTheySend) {
  StartModem();  // a modem with digital I/O
  const ConfigRecord before = modem->StoredRecord();
  ConfigRecord other = sim::ModemSimulator::RealisticRecord(false);  // a unit without digital I/O
  other.Set(field::imei, "111111111111111");
  other.Set(field::me_type, "OTHER-MODEL");
  other.Set(field::tx_bytes, 999999u);
  other.Set(field::status_text, "other unit");
  other.Set(field::device_name, "From elsewhere");
  other.SetFlag(field::delimiter1_enable, false);
  other.Set(field::delimiter1, 0x0d);
  other.SetFlag(field::reboot_by_call, false);
  other.SetPhoneBook(0, {"+100", static_cast<std::uint8_t>(kCallReboot | kSmsControl)});
  other.Set(field::di_filter_ms, 20000, 0);  // out of range, where the modem has the input
  const std::string file = (dir / "other.bin").string();
  ASSERT_TRUE(WriteSettingsFile(file, other).ok());

  // Checked as it would be sent: this modem has the digital inputs.
  CliRun run = Cli("write " + file);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(file + ": di_filter_ms[0]: 20000 is out of range (0 to 10000)"), std::string::npos) << run.err;
  EXPECT_EQ(Writes(*modem), 0u);

  other.Set(field::di_filter_ms, 100, 0);
  ASSERT_TRUE(WriteSettingsFile(file, other).ok());
  run = Cli("write --dry-run " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(file + ": stored as written: advanced1.delimiter1: 0d -> 00 (delimiter1_enable is off, so "
                         "delimiter1 is stored as 0)"),
            std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(call-reboot is cleared: reboot.reboot_by_call is off)"), std::string::npos) << run.out;
  for (const char* device : {"imei", "me_type", "tx_bytes", "status_text", "hw_options", "rtc_time"})
    EXPECT_EQ(run.out.find(device), std::string::npos) << device << " counted as a change:\n" << run.out;
  EXPECT_NE(run.out.find("dry run:"), std::string::npos);
  EXPECT_EQ(Writes(*modem), 0u);

  run = Cli("write " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  const ConfigRecord held = modem->StoredRecord();
  EXPECT_EQ(held.Get(field::device_name), "From elsewhere");
  EXPECT_EQ(held.Get(field::imei), before.Get(field::imei));
  EXPECT_EQ(held.Get(field::me_type), before.Get(field::me_type));
  EXPECT_EQ(held.Get(field::hw_options), before.Get(field::hw_options));
  EXPECT_EQ(held.Get(field::delimiter1), 0);
  EXPECT_EQ(held.PhoneBook(0).roles, kSmsControl);

  // A backup restores only onto the modem it came from, unless forced.
  const std::string own = (dir / "own.bin").string();
  ASSERT_EQ(Cli("read -o " + own).status, 0);
  run = Cli("restore " + file);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("a backup of the modem with IMEI 111111111111111, not of this one (IMEI " +
                         before.Get(field::imei) + "); nothing sent (--force restores it anyway)"),
            std::string::npos) << run.err;
  const std::size_t writes = Writes(*modem);
  run = Cli("restore --dry-run " + own);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("dry run: 0 change(s)"), std::string::npos) << run.out;
  run = Cli("restore " + own);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("restored and read back"), std::string::npos) << run.out;
  EXPECT_EQ(Writes(*modem), writes + 1);
  run = Cli("restore --force " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(modem->StoredRecord().Get(field::imei), before.Get(field::imei));
}

// check and apply --dry-run name what Write stores on its own, with why.
TEST_F(CliE2E, CheckAndApplyShowWritesOwnCorrections) {
  StartModem();
  const std::string profile = WriteFile("roles.yaml",
                                        "format: telvaro-profile/1\n"
                                        "reboot:\n  reboot_by_call: false\n"
                                        "phone_book:\n  phone_book:\n"
                                        "    - {number: \"+200\", roles: [call-reboot, sms-control]}\n");
  CliRun run = Cli("check " + profile, false);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("stored as written: phone_book.phone_book[0]: +200 call-reboot sms-control -> +200 "
                         "sms-control (call-reboot is cleared: reboot.reboot_by_call is off)"),
            std::string::npos) << run.out;
  run = Cli("apply --dry-run " + profile);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("(call-reboot is cleared: reboot.reboot_by_call is off)"), std::string::npos) << run.out;
  run = Cli("apply " + profile);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(modem->StoredRecord().PhoneBook(0), (PhoneBookEntry{"+200", kSmsControl}));
}

TEST_F(CliE2E, ASilentModemFailsAfterAboutFourSeconds) {
  sim::SimOptions options;
  options.silent = true;
  StartModem(options);
  const auto start = Clock::now();
  const CliRun run = Cli("read -o " + (dir / "never.bin").string());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("did not answer"), std::string::npos) << run.err;
  EXPECT_GT(seconds, 3.5);
  EXPECT_LT(seconds, 8.0);
  EXPECT_FALSE(std::filesystem::exists(dir / "never.bin"));

  // An answer that came damaged is said so, on the one line.
  modem.reset();
  sim::SimOptions damaged;
  damaged.badChecksum = true;
  StartModem(damaged);
  const CliRun bad = Cli("read");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err.rfind("telvaro-cli: COM50: the modem's answer to \"get_syspara\" was damaged on the line (bad chksum (", 0),
            0u)
      << bad.err;
  EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1);
}

TEST_F(CliE2E, UpgradeResendsARefusedPacketAndStopsOnSilence) {
  sim::SimOptions options;
  options.packetCodes[2] = 6;
  StartModem(options);
  std::string image(1200, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13);
  const std::string file = WriteFile("APROM.bin", image);

  const CliRun run = Cli("upgrade " + file + " --backup " + (dir / "backups").string());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Upgrade Finished"), std::string::npos) << run.out;
  std::vector<int> indices;
  for (const auto& f : modem->Frames())
    if (f.kind == sim::FrameKind::UpgradeData) indices.push_back(f.index);
  EXPECT_EQ(indices, (std::vector<int>{1, 2, 2, 3}));
  // Size and checksum before sending; bytes, packets, speed and time left
  // while sending; the modem's answer and the time taken at the end.
  EXPECT_EQ(run.out.rfind(file + ": 1200 bytes in 3 packets, CRC-32 ", 0), 0u) << run.out;
  EXPECT_NE(run.err.find(" 85% 1024/1200 bytes, packet 3/3, "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(" KiB/s, "), std::string::npos);
  EXPECT_NE(run.err.find(" s left"), std::string::npos);
  EXPECT_NE(run.out.find("COM50: Upgrade Finished: the modem reports the image complete (1200 bytes in 3 packets, took "),
            std::string::npos)
      << run.out;

  modem.reset();
  sim::SimOptions quiet;
  quiet.stopAfterPacket = 1;
  StartModem(quiet);
  const CliRun silent = Cli("upgrade " + file + " --backup " + (dir / "backups").string());
  EXPECT_EQ(silent.status, 1);
  EXPECT_NE(silent.err.find("Err:Comm Failed"), std::string::npos) << silent.err;
}

// Ctrl+C while the image goes out: no further packet, the port closed
// properly, the operator told what state the modem is in, and status 130.
TEST_F(CliE2E, UpgradeInterruptedByCtrlCSaysTheModemIsInItsLoader) {
  StartModem();
  const std::string file = WriteFile("APROM.bin", std::string(20 * 512, 'f'));
  pid_t pid = 0;
  const std::string command = "exec " + CommandLine("upgrade " + file + " --backup " + (dir / "backups").string() +
                                                    " --port COM50=" + modem->DevicePath());
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  ASSERT_EQ(::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  const auto upgradePackets = [this] {
    std::size_t packets = 0;
    for (const auto& f : modem->Frames()) packets += f.kind == sim::FrameKind::UpgradeData;
    return packets;
  };
  for (const auto until = Clock::now() + 30s; upgradePackets() < 2 && Clock::now() < until;)
    std::this_thread::sleep_for(20ms);
  ::kill(pid, SIGINT);
  int raw = 0;
  ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 130);
  const std::string err = Slurp(dir / "err");
  EXPECT_NE(err.find("telvaro-cli: COM50: interrupted at packet "), std::string::npos) << err;
  EXPECT_NE(err.find("/20: the modem is left in its loader; run the same upgrade again to finish\n"),
            std::string::npos)
      << err;
  EXPECT_LT(upgradePackets(), 20u);
  // The port was given back: nothing holds it exclusively.
  const int fd = ::open(modem->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  int exclusive = 1;
  EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  ::close(fd);
}

// Whatever cannot be sent whole is refused before the port is opened: no
// "reboot_ldrom", no abort, no endless read, no hang on a FIFO.
TEST_F(CliE2E, UpgradeRefusesFilesItCannotSendWhole) {
  StartModem();
  const std::string fifo = (dir / "fifo.bin").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = WriteFile("big.bin", std::string(65537, 'x'));
  struct Case {
    std::string file;
    std::string message;
  };
  const Case cases[] = {{dir.string(), "Open file failed: not a regular file"},
                        {fifo, "Open file failed: not a regular file"},
                        {"/dev/zero", "Open file failed: not a regular file"},
                        {big, "Firmware image too large: 65537 bytes, the limit is 65536 bytes"},
                        {WriteFile("empty.bin", ""), "Open file failed: the file is empty"},
                        {(dir / "missing.bin").string(), "Open file failed: No such file or directory"}};
  for (const Case& c : cases) {
    const CliRun run = Cli("upgrade " + c.file);
    EXPECT_EQ(run.status, 2) << c.file << ": " << run.err;
    EXPECT_EQ(run.err, "telvaro-cli: " + c.file + ": " + c.message + "\n");
  }
  EXPECT_TRUE(modem->Frames().empty());
}

// A settings file given as the image would be flashed as code: refused
// before the port is opened, unless the operator insists.
TEST_F(CliE2E, UpgradeRefusesASettingsFileUnlessForced) {
  StartModem();
  const std::string file = WriteFile("DATAROM.bin", std::string(ConfigRecord::kBlockSize, '\0'));
  const CliRun refused = Cli("upgrade " + file + " --backup " + (dir / "backups").string());
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err,
            "telvaro-cli: " + file + " is a settings file, not a firmware image (--force sends it anyway)\n");
  EXPECT_TRUE(modem->Frames().empty());

  const CliRun forced = Cli("upgrade --force " + file + " --backup " + (dir / "backups").string());
  EXPECT_EQ(forced.status, 0) << forced.err;
  std::size_t packets = 0;
  for (const auto& f : modem->Frames()) packets += f.kind == sim::FrameKind::UpgradeData;
  EXPECT_EQ(packets, 4u);  // 1629 bytes in packets of 512
}

// The modem vanishing mid-command ends it at once with its reason, not after
// the time limit; a port another program holds is refused, on one line.
TEST_F(CliE2E, ADisconnectedOrBusyPortEndsTheCommandWithItsReason) {
  sim::SimOptions slow;
  slow.delayMs = 3000;  // the answer would come, but the device goes first
  StartModem(slow);
  CliRun run;
  std::thread cli([&] { run = Cli("read"); });
  ASSERT_TRUE(modem->WaitForFrames(1, 5s));
  modem->Stop();
  cli.join();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "telvaro-cli: COM50: device disconnected\n");

  modem.reset();
  StartModem();
  class Quiet : public SessionEvents {
    void ShowMessage(const std::string&) override {}
    void PortStateChanged(bool) override {}
  } events;
  PortMap map;
  map.AddPair("COM50=" + modem->DevicePath());
  PortSession holder(events, map);  // the window, say, holds the port
  ASSERT_EQ(holder.Open(50), PortSession::kOpened);
  const CliRun busy = Cli("read");
  EXPECT_EQ(busy.status, 1);
  EXPECT_EQ(busy.err, "telvaro-cli: Can't open COM50: " + modem->DevicePath() + ": in use by another program\n");
  EXPECT_TRUE(modem->Frames().empty());
  holder.Close();
  EXPECT_EQ(Cli("read").status, 0);
}

TEST_F(CliE2E, DumpAndDiffOfSettingsFiles) {
  ConfigRecord a = sim::ModemSimulator::RealisticRecord(true);
  a.Set(field::device_name, "Quote\" and \x01");
  a.Set(field::server_port, 0x1234);
  a.Set(field::di_mode, 3, 1);
  a.SetPhoneBook(2, PhoneBookEntry{"+4915112345", kCallReboot | kSmsControl});
  a.SetPhoneGroupMask(0, 0x0005);
  const std::string fileA = (dir / "a.bin").string();
  ASSERT_TRUE(WriteSettingsFile(fileA, a).ok());

  const CliRun json = Cli("dump " + fileA + " --json --show-secrets");
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, RecordAsJson(a));
  // Fields by name against their bytes.
  const auto dumped = nlohmann::json::parse(json.out);
  EXPECT_EQ(dumped["device_name"], "Quote\" and \x01");
  EXPECT_NE(json.out.find("\"Quote\\\" and \\u0001\""), std::string::npos) << json.out;
  EXPECT_EQ(dumped["server_port"], a.RawByte(752) | a.RawByte(753) << 8);
  EXPECT_EQ(dumped["di_mode"], nlohmann::json::parse(R"([{"index": 4, "item": "Null"}, {"index": 3, "item": "Event Counter"}])"));
  EXPECT_EQ(dumped["phone_book"][2], nlohmann::json::parse(R"({"number": "+4915112345", "roles": ["call-reboot", "sms-control"]})"));
  EXPECT_EQ(dumped["phone_groups"][0], nlohmann::json::parse("[1, 3]"));
  EXPECT_EQ(dumped["checksum"], a.Checksum());
  // Secrets are masked unless asked for.
  a.Set(field::gprs_password, "hunter2");
  ASSERT_TRUE(WriteSettingsFile(fileA, a).ok());
  const CliRun masked = Cli("dump " + fileA);
  EXPECT_NE(masked.out.find("gprs_password: \"****\"\n"), std::string::npos) << masked.out;
  EXPECT_EQ(masked.out.find("hunter2"), std::string::npos);

  ConfigRecord b = a;
  b.Set(field::apn, "other");
  b.Set(field::di_mode, 0, 1);
  b.Set(field::rssi, 3);  // live status: not a setting
  b.Set(field::gprs_password, "letmein");
  const std::string fileB = (dir / "b.bin").string();
  ASSERT_TRUE(WriteSettingsFile(fileB, b).ok());
  const CliRun diff = Cli("diff " + fileA + " " + fileB);
  EXPECT_EQ(diff.status, 1) << diff.err;
  EXPECT_EQ(diff.out, "gprs.apn: \"internet\" -> \"other\"\ngprs.gprs_password: \"****\" -> \"****\"\n"
                      "di.di_mode[1]: Event Counter -> OFF\n");
  EXPECT_NE(Cli("diff " + fileA + " " + fileB + " --all").out.find("rssi: "), std::string::npos);
  EXPECT_EQ(Cli("diff " + fileA + " " + fileA).status, 0);
}


// A modem that holds a setting on every page, the secrets included.
ConfigRecord Configured() {
  ConfigRecord r = sim::ModemSimulator::RealisticRecord(true);
  r.Set(field::device_name, "Pump\x1b[2J 7");
  r.Set(field::pin_lock, 1);
  r.Set(field::pin_code, "4321");
  r.Set(field::gprs_password, "s3cret");
  r.Set(field::parity_index, 2);
  r.Set(field::connect_interval, 300);
  r.SetFlag(field::login_enable, true);
  const std::uint8_t login[] = {0x0D, 0x0A, 0xFF};
  r.Set(field::login_request, login);
  r.SetScheduleTime(field::reboot_times, 8, 5, 1);
  r.Set(field::di_alarm_on_text, "T\xe9r open", 1);
  r.Set(field::do_alarm_source, kDiAlarm | kPhoneControlAlarm);
  r.SetPhoneGroupMask(4, 0x0201);
  return r;
}

TEST_F(CliE2E, AFullProfileMakesAFactoryModemEqualInEverySetting) {
  for (const std::string name : {"unit.yaml", "unit.json"}) {
    SCOPED_TRACE(name);
    const bool secrets = name == "unit.json";
    StartModem();
    modem->SetStoredRecord(Configured());
    const std::string profile = (dir / name).string();
    CliRun run = Cli("read --profile " + profile + (secrets ? " --include-secrets" : ""));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << "escaped: " << run.out;
    EXPECT_EQ(Slurp(profile).find("s3cret") != std::string::npos, secrets);

    ConfigRecord factory = sim::ModemSimulator::RealisticRecord(true);
    ApplyFactoryDefaults(factory);
    StartModem();
    modem->SetStoredRecord(factory);
    // The PIN lock is on: without the secrets in the file, the PIN comes
    // from the command line or the profile is refused.
    if (!secrets) {
      EXPECT_EQ(Cli("apply " + profile).status, 2);
    }
    run = Cli("apply " + profile + (secrets ? "" : " --set basic.pin_code=4321"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("pin_code: \"****\" -> \"****\"\n"), std::string::npos) << run.out;
    // The modem's record as Write stores it: phone 1's Call Reboot, a column
    // its settings do not offer, is cleared.
    const ConfigRecord held = modem->StoredRecord();
    ConfigRecord source = Configured();
    NormaliseRecord(source);
    for (const FieldInfo* f : AllFields()) {
      if (IsDeviceReported(*f) || (!secrets && IsSecretField(*f))) continue;
      EXPECT_TRUE(std::ranges::equal(held.FieldBytes(*f), source.FieldBytes(*f))) << f->name;
    }
    EXPECT_EQ(held.Get(field::pin_code), "4321");
    EXPECT_EQ(held.Get(field::gprs_password), secrets ? "s3cret" : "");
  }
}

// A profile read from a modem is that modem's record: verified against it,
// every setting is held, and applied, nothing changes. A disabled delimiter
// keeps its byte; a text that looks like a variable is not expanded.
TEST_F(CliE2E, AProfileReadFromAModemVerifiesAgainstThatModem) {
  StartModem();
  ConfigRecord stored = modem->StoredRecord();
  stored.SetFlag(field::delimiter2_enable, false);
  stored.Set(field::delimiter2, 10);
  stored.Set(field::device_name, "${HOME}");
  stored.Set(field::apn, "m2m$${x}");
  modem->SetStoredRecord(stored);
  for (const std::string name : {"site.yaml", "site.json"}) {
    SCOPED_TRACE(name);
    const std::string profile = (dir / name).string();
    ASSERT_EQ(Cli("read --profile " + profile).status, 0);
    CliRun run = Cli("verify " + profile);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "COM50: the modem holds every setting of " + profile + "\n");
    // Applied, the profile itself changes nothing: what is left are Write's
    // own corrections of this record, each with its reason.
    run = Cli("apply " + profile + " --dry-run");
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("COM50: dry run", 0) != 0) {
        EXPECT_EQ(line.back(), ')') << line;
      }
  }
  for (const sim::ReceivedFrame& frame : modem->Frames()) EXPECT_EQ(frame.kind, sim::FrameKind::GetSysPara);
  const ConfigRecord held = modem->StoredRecord();
  for (const FieldInfo* f : AllFields()) {
    if (IsDeviceReported(*f)) continue;
    EXPECT_TRUE(std::ranges::equal(held.FieldBytes(*f), stored.FieldBytes(*f))) << f->name;
  }
}

TEST_F(CliE2E, APartialProfileChangesOnlyItsSettingsAndVerifySaysWhetherTheModemHoldsThem) {
  StartModem();
  const ConfigRecord before = modem->StoredRecord();
  const std::string profile = WriteFile("site.yaml", "format: telvaro-profile/1\n"
                                                     "basic:\n  device_name: ${SITE}\n"
                                                     "gprs:\n  apn: m2m.example\n  connect_interval: 300\n");
  CliRun run = Cli("apply " + profile + " --dry-run --set SITE=SITE-07");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "basic.device_name: \"Telvaro-DTU\" -> \"SITE-07\"\ngprs.apn: \"internet\" -> \"m2m.example\"\n"
            "gprs.connect_interval: 60 -> 300\nphone_book.phone_book[0]: \"+491701234567\" Call Reboot, SMS Control -> "
            "\"+491701234567\" SMS Control (call-reboot is cleared: reboot.reboot_by_call is off)\n"
            "COM50: dry run: 4 change(s), nothing written\n");
  ASSERT_EQ(modem->Frames().size(), 1u);
  EXPECT_EQ(modem->Frames()[0].kind, sim::FrameKind::GetSysPara);
  EXPECT_EQ(Cli("verify " + profile + " --set SITE=SITE-07").status, 1);

  run = Cli("apply " + profile + " --set SITE=SITE-07 --set gprs.max_retries=9");
  ASSERT_EQ(run.status, 0) << run.err;
  ConfigRecord expected = before;
  expected.Set(field::device_name, "SITE-07");
  expected.Set(field::apn, "m2m.example");
  expected.Set(field::connect_interval, 300);
  expected.Set(field::max_retries, 9);
  NormaliseRecord(expected);
  const ConfigRecord held = modem->StoredRecord();
  for (const FieldInfo* f : AllFields()) {
    if (IsDeviceReported(*f)) continue;
    EXPECT_TRUE(std::ranges::equal(held.FieldBytes(*f), expected.FieldBytes(*f))) << f->name;
  }
  EXPECT_EQ(Cli("verify " + profile + " --set SITE=SITE-07").status, 0);
  const std::string other = WriteFile("other.yaml", "format: telvaro-profile/1\ngprs:\n  apn: elsewhere\n");
  run = Cli("verify " + other);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "gprs.apn: modem has \"m2m.example\", profile wants \"elsewhere\"\n");
}

TEST_F(CliE2E, CheckReportsEveryProblemAtItsLineAndApplySendsNothingForThem) {
  const std::string bad = WriteFile("bad.yaml", "format: telvaro-profile/1\n"
                                                "gprs:\n"
                                                "  apn: \"" + std::string(60, 'a') + "\"\n"
                                                "  connect_interval: 5\n"
                                                "  apm: x\n"
                                                "com:\n"
                                                "  baud: 1234\n"
                                                "reboot:\n"
                                                "  reboot_times: [\"07:00\", \"24:00\"]\n");
  CliRun run = Cli("check " + bad);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, bad + ":3:8: gprs.apn: 60 characters are too long (at most 50 characters)\n" +
                     bad + ":4:21: gprs.connect_interval: 5 is out of range (10 to 1200)\n" +
                     bad + ":5:3: gprs.apm: unknown key, did you mean apn?\n" +
                     bad + ":7:9: com.baud: \"1234\" is not an item of the list (one of 1200, 2400, 4800, "
                           "9600, 19200, 38400, 57600, 115200)\n" +
                     bad + ":9:27: reboot.reboot_times[1]: \"24:00\" is not a time of day (hh:mm, hour 0-23, "
                           "minute 0-59)\n"
                           "telvaro-cli: " + bad + ": 5 problem(s); nothing may be applied\n");
  const std::string broken = WriteFile("broken.yaml", "format: telvaro-profile/1\ngprs: [\n");
  run = Cli("check " + broken);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind(broken + ":3:1: not YAML: ", 0), 0u) << run.err;
  const std::string good = WriteFile("good.json", R"({"format": "telvaro-profile/1", "gprs": {"apn": "x"}})");
  EXPECT_EQ(Cli("check " + good).status, 0);

  StartModem();
  EXPECT_EQ(Cli("apply " + bad).status, 2);
  EXPECT_TRUE(modem->Frames().empty());
}

// read --profile --changed holds only what differs from the factory
// defaults; applied to another modem it changes only those; diff and verify
// compare with "factory".
TEST_F(CliE2E, AChangedOnlyProfileCarriesOnlyItsKeysToAnotherModem) {
  StartModem();
  ConfigRecord first = sim::ModemSimulator::RealisticRecord(true);
  ApplyFactoryDefaults(first);
  first.Set(field::parity_index, 2);
  first.SetScheduleTime(field::reboot_times, 8, 5, 1);
  modem->SetStoredRecord(first);
  const std::string profile = (dir / "min.yaml").string();
  ASSERT_EQ(Cli("read --profile " + profile + " --changed").status, 0);
  const std::string text = Slurp(profile);
  EXPECT_NE(text.find("com:\n  parity: \"Even\""), std::string::npos) << text;
  EXPECT_NE(text.find("reboot_times: [\"00:00\", \"08:05\"]"), std::string::npos) << text;
  EXPECT_EQ(text.find("apn:"), std::string::npos) << text;
  CliRun run = Cli("diff factory " + profile, false);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "com.parity: None -> Even\nreboot.reboot_times[1]: 00:00 -> 08:05\n");
  run = Cli("verify factory");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("com.parity: modem has Even, factory default is None\n"), std::string::npos) << run.out;

  StartModem();  // a second modem, far from the factory settings
  const ConfigRecord second = modem->StoredRecord();
  run = Cli("apply " + profile);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find("COM50")),
            "com.parity: None -> Even\nreboot.reboot_times[1]: 00:00 -> 08:05\nphone_book.phone_book[0]: \"+491701234567\" "
            "Call Reboot, SMS Control -> \"+491701234567\" SMS Control (call-reboot is cleared: reboot.reboot_by_call is "
            "off)\n");
  ConfigRecord expected = second;
  expected.Set(field::parity_index, 2);
  expected.SetScheduleTime(field::reboot_times, 8, 5, 1);
  NormaliseRecord(expected);  // Write's own corrections, as every Write makes them
  const ConfigRecord held = modem->StoredRecord();
  for (const FieldInfo* f : AllFields())
    if (!IsDeviceReported(*f)) {
      EXPECT_TRUE(std::ranges::equal(held.FieldBytes(*f), expected.FieldBytes(*f))) << f->name;
    }
}

// List items in any letter case; "did you mean" for a key in capitals and a
// role mistyped; a gate's problem at its line; check and apply --dry-run say
// the same; keys lists the rules.
TEST_F(CliE2E, ForgivingInputAndPreciseProblems) {
  StartModem();
  const std::string good = WriteFile("good.yaml", "format: telvaro-profile/1\ncom:\n  parity: even\n"
                                                  "phone_book:\n  phone_book:\n    - {number: \"+4917000\", roles: [SMS Control, call-reboot]}\n");
  CliRun run = Cli("apply " + good + " --dry-run");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "com.parity: None -> Even\nphone_book.phone_book[0]: \"+491701234567\" Call Reboot, SMS Control -> "
                     "\"+4917000\" SMS Control (call-reboot is cleared: reboot.reboot_by_call is off)\n"
                     "COM50: dry run: 2 change(s), nothing written\n");

  const std::string bad = WriteFile("bad.yaml", "format: telvaro-profile/1\nGPRS:\n  apn: x\ngprs:\n  APN: x\n"
                                                "basic:\n  pin_lock: Enable PIN Lock\n"
                                                "phone_book:\n  phone_book:\n    - {number: \"1\", roles: [sms_control]}\n");
  const std::string problems = bad + ":2:1: GPRS: unknown key, did you mean gprs?\n" + bad +
                               ":5:3: gprs.APN: unknown key, did you mean apn?\n" + bad +
                               ":7:13: basic.pin_code: 0 characters are too short (4 to 8 characters while pin_lock is "
                               "set, else at most 8), as pin_lock asks\n" + bad +
                               ":10:7: phone_book.phone_book[0]: unknown role \"sms_control\", did you mean sms-control? "
                               "(number of at most 20 characters; roles any of call-reboot, call-wakeup, sms-reboot, "
                               "sms-wakeup, sms-control, call-csd)\n";
  run = Cli("check " + bad, false);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, problems + "telvaro-cli: " + bad + ": 4 problem(s); nothing may be applied\n");
  run = Cli("apply " + bad + " --dry-run");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, problems + "telvaro-cli: " + bad + ": 4 problem(s); nothing done\n");
  EXPECT_TRUE(modem->Frames().empty() || modem->Frames().size() == 1u);  // the dry run's one read at most

  run = Cli("keys gprs", false);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("gprs.connect_interval" + std::string(13, ' ') + "number: 10 to 1200\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("com."), std::string::npos);
  EXPECT_EQ(Cli("keys gprss", false).err.rfind("telvaro-cli: keys: no page gprss (did you mean gprs?)", 0), 0u);
  // The page may be left out: every page's keys.
  run = Cli("keys", false);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("com.baud"), std::string::npos);
  EXPECT_NE(run.out.find("gprs.apn"), std::string::npos);
}

TEST_F(CliE2E, HelpVersionPortEqualsAndCloseMatches) {
  const CliRun help = Cli("help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: telvaro-cli COMMAND"), std::string::npos);
  const CliRun readHelp = Cli("read --help");
  EXPECT_EQ(readHelp.status, 0);
  EXPECT_EQ(readHelp.out.rfind("usage: telvaro-cli read ", 0), 0u) << readHelp.out;
  EXPECT_EQ(readHelp.out.find("dump"), std::string::npos);
  const CliRun version = Cli("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("telvaro-cli ", 0), 0u);
  const CliRun typo = Cli("raed");
  EXPECT_EQ(typo.status, 2);
  EXPECT_EQ(typo.err, "telvaro-cli: unknown command: raed (did you mean read?)\n");

  sim::ModemSimulator sim;
  ASSERT_TRUE(sim.Start());
  const CliRun read = Cli("read --port=COM50=" + sim.DevicePath());
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_NE(read.out.find("device_name: \"Telvaro-DTU\""), std::string::npos);
}

// Each command takes its own options only: any other is refused with exit 2
// before anything is read or sent, naming the command that takes it or the
// option that was meant.
TEST_F(CliE2E, ACommandRefusesOptionsItDoesNotTake) {
  StartModem();
  const std::string file = WriteFile("rec.bin", std::string(ConfigRecord::kBlockSize, '\0'));
  CliRun run = Cli("dump " + file + " --reboot --jobs 3 --units nothere.csv", false);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "telvaro-cli: dump: unknown option: --reboot (only apply takes it)\n");
  EXPECT_EQ(run.out, "");
  run = Cli("ports --json", false);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "telvaro-cli: ports: unknown option: --json (only detect, dump take it)\n");
  run = Cli("read --ouptut " + (dir / "x.bin").string());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "telvaro-cli: read: unknown option: --ouptut (did you mean --output?)\n");
  run = Cli("reboot --force");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "telvaro-cli: reboot: unknown option: --force (only write, restore, upgrade take it)\n");
  EXPECT_TRUE(modem->Frames().empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "x.bin"));
  // What each command takes is what its usage lists.
  const CliRun help = Cli("help reboot", false);
  EXPECT_EQ(help.out.rfind("usage: telvaro-cli reboot --port COM<n> [--trace FILE]\n", 0), 0u) << help.out;
}

// Several modems at once, each a simulator of its own with its own IMEI.
class FleetE2E : public CliE2E {
 protected:
  static constexpr int kUnits = 4;

  void StartFleet(int silentUnit) {
    for (int i = 0; i < kUnits; ++i) {
      sim::SimOptions options;
      options.silent = i == silentUnit;
      units[i] = std::make_unique<sim::ModemSimulator>(options);
      ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
      record.Set(field::imei, Imei(i));
      record.Set(field::pin_code, "8642");
      record.Set(field::gprs_password, "s3cr3t");
      units[i]->SetStoredRecord(record);
      ASSERT_TRUE(units[i]->Start());
      earlier[i] = units[i]->StoredRecord();
    }
  }
  static std::string Imei(int unit) { return "35693803564380" + std::to_string(unit); }
  std::string Port(int unit) const { return "COM" + std::to_string(51 + unit) + "=" + units[unit]->DevicePath(); }
  // Each unit's device name fills ${SITE} in the profile.
  std::string UnitsFile() const {
    std::string csv = "port,SITE\n";
    for (int i = 0; i < kUnits; ++i) csv += Port(i) + ",SITE-0" + std::to_string(i + 1) + "\n";
    return csv;
  }
  // The fields of a report line, every one quoted.
  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    const std::string inner = line.substr(1, line.size() - 2);
    for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 3) {
      end = inner.find("\",\"", at);
      fields.push_back(inner.substr(at, end == std::string::npos ? end : end - at));
    }
    return fields;
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
      end = text.find('\n', at);
      lines.push_back(text.substr(at, end - at));
    }
    return lines;
  }

  static bool Sent(const sim::ModemSimulator& unit, sim::FrameKind kind) {
    const auto frames = unit.Frames();
    return std::any_of(frames.begin(), frames.end(), [kind](const auto& f) { return f.kind == kind; });
  }
  static std::size_t ModeOf(const std::filesystem::path& p) {
    struct stat info {};
    return ::lstat(p.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }

  std::unique_ptr<sim::ModemSimulator> units[kUnits];
  ConfigRecord earlier[kUnits];
};

TEST_F(FleetE2E, FourUnitsFromACsvOneSilentThenResumeAndRestoreABackup) {
  StartFleet(3);
  const std::string base = WriteFile("fleet.yaml", "format: telvaro-profile/1\nbasic:\n  device_name: \"${SITE}\"\n"
                                                   "gprs:\n  apn: fleet.apn\n");

  // detect: the three that answer, each asked once, and not the silent one.
  std::string ports;
  for (int i = 0; i < kUnits; ++i) ports += " --port " + Port(i);
  const CliRun found = Cli("detect --json" + ports);
  ASSERT_EQ(found.status, 0) << found.err;
  for (int i = 0; i < kUnits; ++i) {
    EXPECT_EQ(found.out.find("\"imei\": \"" + Imei(i) + "\"") != std::string::npos, i != 3) << found.out;
    EXPECT_EQ(units[i]->Frames().size(), 1u);
    EXPECT_EQ(units[i]->Frames()[0].kind, sim::FrameKind::GetSysPara);
    units[i]->ClearFrames();
  }

  // A value the pages would refuse in any row: nothing is sent to any unit.
  const std::string report = (dir / "REPORT.csv").string();
  const std::string unitsFile = WriteFile("units.csv", UnitsFile() + Port(0) + "," + std::string(80, 'x') + "\n");
  const CliRun refused = Cli("apply " + base + " --units " + unitsFile + " --report " + report);
  EXPECT_EQ(refused.status, 2) << refused.err;
  EXPECT_NE(refused.err.find("row 5: " + base + ":3:16: basic.device_name: 80 characters are too long"),
            std::string::npos)
      << refused.err;
  for (const auto& unit : units) EXPECT_TRUE(unit->Frames().empty());
  WriteFile("units.csv", UnitsFile());
  const std::string trace = (dir / "trace.log").string();
  const CliRun run = Cli("apply " + base + " --units " + unitsFile + " --report " + report + " --trace " + trace);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(units[i]->StoredRecord().Get(field::device_name), "SITE-0" + std::to_string(i + 1));
    EXPECT_EQ(units[i]->StoredRecord().Get(field::apn), "fleet.apn");
    EXPECT_NE(run.out.find("COM5" + std::to_string(i + 1) + " " + Imei(i) + " SITE-0" + std::to_string(i + 1) +
                           ": ok, 3 settings changed (basic.device_name, gprs.apn, phone_book.phone_book[0]), "),
              std::string::npos)
        << run.out;
  }
  EXPECT_NE(run.out.find("COM54: failed: the modem did not answer \"get_syspara\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n3 ok, 1 failed\n"), std::string::npos) << run.out;
  std::vector<std::string> lines = Lines(Slurp(report));
  ASSERT_EQ(lines.size(), 5u) << Slurp(report);
  EXPECT_EQ(lines[0], "row,port,imei,device_name,result,changed,reason,backup,start,seconds");
  std::map<std::string, std::vector<std::string>> byPort;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Fields(lines[i]);
    ASSERT_EQ(fields.size(), 10u) << lines[i];
    byPort[fields[1]] = fields;
  }
  EXPECT_EQ(std::vector<std::string>(byPort["COM51"].begin(), byPort["COM51"].begin() + 7),
            (std::vector<std::string>{"1", "COM51", Imei(0), "SITE-01", "ok",
                                      "basic.device_name gprs.apn phone_book.phone_book[0]", ""}));
  EXPECT_EQ(std::vector<std::string>(byPort["COM54"].begin(), byPort["COM54"].begin() + 8),
            (std::vector<std::string>{"4", "COM54", "", "", "failed", "", "the modem did not answer \"\"get_syspara\"\"", ""}));
  const std::string backup = byPort["COM51"][7];
  EXPECT_EQ(backup.rfind((dir / "backups" / (Imei(0) + "-")).string(), 0), 0u) << backup;
  // The trace has every frame of every port, and never a secret.
  const std::string traced = Slurp(trace);
  EXPECT_NE(traced.find(" COM53 sent 1654 bytes\n"), std::string::npos);
  EXPECT_NE(traced.find(" COM51 received 1651 bytes\n"), std::string::npos);
  EXPECT_NE(traced.find(" COM54 sent 25 bytes\n"), std::string::npos);
  EXPECT_EQ(traced.find("8642"), std::string::npos);
  EXPECT_EQ(traced.find("s3cr3t"), std::string::npos);

  // The silent unit answers now (a new device path for the same row); the
  // resumed run touches it alone and adds its line to the report.
  for (auto& unit : units) unit->ClearFrames();
  units[3]->Stop();
  units[3]->Options().silent = false;
  ASSERT_TRUE(units[3]->Start());
  WriteFile("units.csv", UnitsFile());
  const CliRun resumed = Cli("apply " + base + " --units " + unitsFile + " --resume " + report);
  EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  // The units ok before are only asked who they are.
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Sent(*units[i], sim::FrameKind::SetSysPara)) << i;
  EXPECT_EQ(units[3]->StoredRecord().Get(field::device_name), "SITE-04");
  EXPECT_NE(resumed.out.find("1 ok, 0 failed, 3 skipped (ok before)"), std::string::npos) << resumed.out;
  lines = Lines(Slurp(report));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[5].rfind("\"4\",\"COM54\",\"" + Imei(3) + "\",\"SITE-04\",\"ok\",", 0), 0u) << lines[5];

  // The backup gives the unit its earlier record back, byte for byte but the
  // clock and traffic counters the modem advances with every answer, and
  // phone 1's Call Reboot that Write clears as the window does.
  const CliRun restored = Cli("restore " + backup + " --port " + Port(0));
  ASSERT_EQ(restored.status, 0) << restored.err;
  std::vector<std::string> differing;
  for (const FieldDifference& d : DiffRecords(earlier[0], units[0]->StoredRecord())) differing.push_back(d.name);
  EXPECT_EQ(differing, (std::vector<std::string>{"rtc_time", "phone_book[0]", "tx_bytes", "rx_bytes"}));
}

// One adapter serving a queue, as a JSON report; Ctrl+C lets the unit in
// flight finish, writes the report, and the rest is done by --resume.
TEST_F(FleetE2E, AQueueOnOnePortStopsCleanlyOnCtrlCAndResumes) {
  sim::SimOptions slow;
  slow.delayMs = 600;
  units[0] = std::make_unique<sim::ModemSimulator>(slow);
  ASSERT_TRUE(units[0]->Start());
  ConfigRecord profile = sim::ModemSimulator::RealisticRecord(true);
  const std::string base = (dir / "fleet.bin").string();
  ASSERT_TRUE(WriteSettingsFile(base, profile).ok());
  const std::string unitsFile =
      WriteFile("units.csv", "port,basic.device_name\n" + Port(0) + ",FIRST\n" + Port(0) + ",SECOND\u00e9\n");
  const std::string report = (dir / "report.json").string();

  // Two rows on one port need a terminal to ask for the next modem.
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  pid_t pid = 0;
  std::string command = "exec " + CommandLine("apply " + base + " --units " + unitsFile + " --report " + report);
  command.replace(command.find("</dev/null"), 10, std::string("<") + ::ptsname(terminal));
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  ASSERT_EQ(::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  ASSERT_TRUE(units[0]->WaitForFrames(1, 5s));
  ::kill(pid, SIGINT);
  int raw = 0;
  ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
  EXPECT_EQ(units[0]->StoredRecord().Get(field::device_name), "FIRST");
  EXPECT_NE(Slurp(dir / "out").find("1 ok, 0 failed, 1 not started (interrupted; --resume " + report + ")"),
            std::string::npos)
      << Slurp(dir / "out");
  const std::string json = Slurp(report);
  EXPECT_NE(json.find("\"device_name\": \"FIRST\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"changed\": [\n      \"basic.device_name\",\n      \"phone_book.phone_book[0]\"\n    ]"),
            std::string::npos)
      << json;
  EXPECT_EQ(json.find("SECOND"), std::string::npos);

  // Without a terminal the queue is refused: one modem would be written twice.
  const CliRun noTerminal = Cli("apply " + base + " --units " + unitsFile + " --resume " + report);
  EXPECT_EQ(noTerminal.status, 2);
  EXPECT_NE(noTerminal.err.find("rows 1 and 2 are on one port (COM51), and there is no terminal"), std::string::npos)
      << noTerminal.err;
  // Row 1 is still that modem, so skipped; Enter brings on row 2.
  ASSERT_EQ(::write(terminal, "\n", 1), 1);
  std::string resume = CommandLine("apply " + base + " --units " + unitsFile + " --resume " + report);
  resume.replace(resume.find("</dev/null"), 10, std::string("<") + ::ptsname(terminal));
  const int resumedRaw = std::system(resume.c_str());
  const CliRun resumed{WIFEXITED(resumedRaw) ? WEXITSTATUS(resumedRaw) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
  ::close(terminal);
  EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  // The record holds the name as 8-bit text; the JSON report as UTF-8.
  EXPECT_EQ(units[0]->StoredRecord().Get(field::device_name), "SECOND\xe9");
  EXPECT_NE(Slurp(report).find("\"device_name\": \"SECOND\u00e9\""), std::string::npos) << Slurp(report);
}

// A second Ctrl+C ends the run at once, with the units that ended in the
// report and the one in flight left out.
TEST_F(FleetE2E, ASecondCtrlCStillWritesTheReport) {
  for (int i = 0; i < 2; ++i) {
    sim::SimOptions options;
    options.delayMs = i == 0 ? 0 : 3000;
    units[i] = std::make_unique<sim::ModemSimulator>(options);
    ASSERT_TRUE(units[i]->Start());
  }
  const std::string base = WriteFile("fleet.yaml", "format: telvaro-profile/1\ngprs:\n  apn: fleet.apn\n");
  const std::string report = (dir / "REPORT.csv").string();
  pid_t pid = 0;
  const std::string command =
      "exec " + CommandLine("apply " + base + " --report " + report + " --port " + Port(0) + " --port " + Port(1));
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  ASSERT_EQ(::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  for (const auto until = Clock::now() + 30s; Slurp(report).find("\"COM51\"") == std::string::npos;) {
    ASSERT_LT(Clock::now(), until) << Slurp(dir / "out");
    std::this_thread::sleep_for(50ms);
  }
  ::kill(pid, SIGINT);
  std::this_thread::sleep_for(200ms);
  ::kill(pid, SIGINT);
  int raw = 0;
  ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 130);
  EXPECT_NE(Slurp(dir / "err").find("interrupted again"), std::string::npos) << Slurp(dir / "err");
  const std::string written = Slurp(report);
  EXPECT_NE(written.find("\"1\",\"COM51\",\"860123456789012\",\"Telvaro-DTU\",\"ok\""), std::string::npos) << written;
  EXPECT_EQ(written.find("COM52"), std::string::npos) << written;
}

// Units files as spreadsheets save them, checked without a port; detect's
// skeleton, its ports that did not answer and a shared IMEI; -v values.
TEST_F(FleetE2E, SpreadsheetUnitsFilesDetectSkeletonAndVerboseChanges) {
  StartFleet(3);
  units[1]->Stop();  // unit 1 pretends to be unit 0
  ConfigRecord twin = units[1]->StoredRecord();
  twin.Set(field::imei, Imei(0));
  units[1]->SetStoredRecord(twin);
  ASSERT_TRUE(units[1]->Start());
  const std::string profile = WriteFile("site.yaml", "format: telvaro-profile/1\nbasic:\n  device_name: \"${SITE}\"\n"
                                                     "gprs:\n  apn: \"${APN}\"\n");
  const std::string skeleton = (dir / "units.csv").string();
  CliRun run = Cli("detect --port " + Port(0) + " --port " + Port(1) + " --port " + Port(3) + " --units-csv " +
                   skeleton + " --profile " + profile);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("COM54 " + units[3]->DevicePath() + ": no modem answered (the modem did not answer"),
            std::string::npos) << run.err;
  EXPECT_NE(run.err.find("warning: COM51 and COM52 report the same IMEI " + Imei(0) + "\n"), std::string::npos);
  EXPECT_EQ(Slurp(skeleton), "port,imei,SITE,APN\nCOM51," + Imei(0) + ",,\nCOM52," + Imei(0) + ",,\n");
  EXPECT_EQ(Cli("detect --port " + Port(0) + " --units-csv " + skeleton).status, 2);  // never replaced
  run = Cli("detect --json --port " + Port(3));
  EXPECT_NE(run.out.find("\"answered\": false"), std::string::npos) << run.out;
  for (auto& unit : units) unit->ClearFrames();

  // Semicolons and tabs; an unknown column once; empty cells.
  const std::string semicolons = WriteFile("semi.csv", "port;SITE;APN;devce_name\n" + Port(0) + ";A;x;1\n" +
                                                           Port(2) + ";B;y;2\n");
  run = Cli("check " + profile + " --units " + semicolons);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, semicolons + ": column \"devce_name\" is neither a ${NAME} of " + profile +
                         " nor a page.key (did you mean basic.device_name?)\ntelvaro-cli: " + semicolons +
                         ": 1 problem(s); nothing sent\n");
  const std::string tabs = WriteFile("tabs.csv", "port\tSITE\tAPN\n" + Port(0) + "\tSITE-A\t\n" + Port(2) + "\t\tm2m\n");
  run = Cli("check " + profile + " --units " + tabs);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "row 1: the cell for ${APN} is empty (--allow-empty APN if meant)\n"
                     "row 2: the cell for ${SITE} is empty (--allow-empty SITE if meant)\n"
                     "telvaro-cli: " + tabs + ": 2 problem(s); nothing sent\n");
  run = Cli("check " + profile + " --units " + tabs + " --allow-empty APN --allow-empty SITE");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, profile + " with " + tabs + ": 2 unit(s), no problems\n");
  for (const auto& unit : units) EXPECT_TRUE(unit->Frames().empty());

  run = Cli("apply " + profile + " --units " + tabs + " --allow-empty APN --allow-empty SITE --jobs 1 -v --report " +
            (dir / "REPORT.csv").string());
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find(": ok, 3 settings changed (basic.device_name, gprs.apn, phone_book.phone_book[0]), "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n  basic.device_name: \"Telvaro-DTU\" -> \"SITE-A\"\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n  gprs.apn: \"internet\" -> \"m2m\"\n"), std::string::npos) << run.out;
  EXPECT_EQ(units[2]->StoredRecord().Get(field::device_name), "");
}

// The README's worked example, run as written against two simulated modems
// (COM101 and COM102): each command's output is what the README shows.
TEST_F(CliE2E, TheReadmeFleetExampleRunsAsWritten) {
  const std::string readme = Slurp(TELVARO_README_PATH);
  const std::size_t start = readme.find("<!-- fleet-example -->");
  const std::size_t end = readme.find("<!-- end of fleet-example -->");
  ASSERT_NE(start, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string example = readme.substr(start, end - start);
  const std::size_t yaml = example.find("```yaml\n") + 8;
  WriteFile("site.yaml", example.substr(yaml, example.find("```", yaml) - yaml));

  std::unique_ptr<sim::ModemSimulator> sims[2];
  for (int i = 0; i < 2; ++i) {
    sims[i] = std::make_unique<sim::ModemSimulator>();
    ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
    record.Set(field::imei, "35693803564380" + std::to_string(i + 1));
    sims[i]->SetStoredRecord(record);
    ASSERT_TRUE(sims[i]->Start());
    std::filesystem::create_symlink(sims[i]->DevicePath(), dir / ("ttyUSB" + std::to_string(i + 1)));
  }
  const std::string tool = std::filesystem::path(TELVARO_CLI_PATH).parent_path().string();
  const std::string env = "cd " + dir.string() + " && PATH=" + tool + ":$PATH TELVARO_PORTS='COM101=" +
                          (dir / "ttyUSB1").string() + ";COM102=" + (dir / "ttyUSB2").string() + "' ";
  // Device paths and durations differ from run to run.
  const auto normal = [&](std::string text) {
    for (std::size_t at; (at = text.find(dir.string() + "/")) != std::string::npos;)
      text.replace(at, dir.string().size() + 1, "/dev/");
    return std::regex_replace(text, std::regex("[0-9]+\\.[0-9] s\\b"), "N s");
  };
  const std::size_t console = example.find("```console\n") + 11;
  std::istringstream lines(example.substr(console, example.find("```", console) - console));
  std::vector<std::pair<std::string, std::string>> steps;  // command, output
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("$ ", 0) == 0) steps.emplace_back(line.substr(2), "");
    else if (!steps.empty()) steps.back().second += line + "\n";
  }
  ASSERT_GE(steps.size(), 6u);
  for (const auto& [command, output] : steps) {
    SCOPED_TRACE(command);
    const std::string shell = env + "sh -c '" + std::regex_replace(command, std::regex("'"), "'\\''") + "'";
    std::system((shell + " >" + (dir / "out").string() + " 2>" + (dir / "err").string()).c_str());
    EXPECT_EQ(normal(Slurp(dir / "out") + Slurp(dir / "err")), normal(output));
  }
  EXPECT_EQ(sims[1]->StoredRecord().Get(field::device_name), "PUMP-02");
}

// A status answer sent twice (the duplicate "0" of packet 1 arriving after
// packet 2 went out) is not the upgrade's last word: the loader's own
// refusal that follows it is.
TEST_F(CliE2E, UpgradeDuplicateAnswersDoNotHideTheLoadersFailure) {
  sim::SimOptions options;
  options.duplicateAnswerMs = 100;
  options.delayMs = 300;
  options.packetCodes[2] = 7;
  options.refuseTimes = 100;
  StartModem(options);
  const std::string file = WriteFile("APROM.bin", std::string(600, 'u'));
  const CliRun run = Cli("upgrade --fast " + file + " --backup " + (dir / "backups").string());
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.err.find("COM50: Err:Write False Failed"), std::string::npos) << run.err;
}

// -o replaces only a regular file, through a symbolic link, keeping its
// permission bits; a new file is 0600; "-o -" is standard output. Device
// nodes are scratch ones, never the machine's own /dev.
TEST_F(CliE2E, SavingASettingsFileKeepsWhatIsAlreadyThere) {
  StartModem();
  const auto mode = [](const std::filesystem::path& p) {
    struct stat info {};
    return ::lstat(p.c_str(), &info) == 0 ? info.st_mode : 0;
  };
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "folder");
  std::vector<std::pair<std::string, std::string>> refused = {{"fifo", "a FIFO, not a regular file"},
                                                              {"folder", "is a directory"}};
  if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    refused.emplace_back("null", "a device, not a regular file");
  for (const auto& [name, reason] : refused) {
    const std::string path = (dir / name).string();
    const CliRun run = Cli("read -o " + path);
    EXPECT_EQ(run.status, 2) << name;
    EXPECT_EQ(run.err, "telvaro-cli: " + path + ": Write file err (" + reason + ")\n");
  }
  EXPECT_TRUE(S_ISFIFO(mode(dir / "fifo")));
  if (std::filesystem::exists(dir / "null")) {
    EXPECT_TRUE(S_ISCHR(mode(dir / "null")));
  }

  std::filesystem::create_directories(dir / "real");
  WriteFile("real/site.bin", "earlier");
  ::chmod((dir / "real/site.bin").c_str(), 0640);
  std::filesystem::create_symlink("real/site.bin", dir / "link.bin");
  ASSERT_EQ(Cli("read -o " + (dir / "link.bin").string()).status, 0);
  EXPECT_TRUE(S_ISLNK(mode(dir / "link.bin")));
  EXPECT_EQ(mode(dir / "real/site.bin") & 07777, 0640u);
  EXPECT_TRUE(ReadSettingsFile((dir / "real/site.bin").string()).record.has_value());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "real"), {}), 1);  // no temporary left

  const std::string longName = (dir / (std::string(245, 'n') + ".bin")).string();
  ASSERT_EQ(Cli("read -o " + longName).status, 0);
  EXPECT_EQ(mode(longName) & 07777, 0600u);  // it carries the SIM PIN and passwords

  const CliRun piped = Cli("read -o -");
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_TRUE(ParseSettingsFile(std::span(reinterpret_cast<const std::uint8_t*>(piped.out.data()), piped.out.size()))
                  .record.has_value());
}

// --port takes a device path as every serial tool does; a reboot the line
// did not take is reported, not announced as sent.
TEST_F(CliE2E, PortByDevicePathAndARebootThatDidNotGoOut) {
  StartModem();
  const CliRun byPath = Cli("read --port " + modem->DevicePath(), false);
  EXPECT_EQ(byPath.status, 0) << byPath.err;
  EXPECT_NE(byPath.out.find("device_name"), std::string::npos);

  const int brake = ::open(modem->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(brake, 0);
  ::tcflow(brake, TCOOFF);
  const CliRun reboot = Cli("reboot");
  ::tcflow(brake, TCOON);
  ::close(brake);
  EXPECT_EQ(reboot.status, 1);
  EXPECT_EQ(reboot.err, "telvaro-cli: COM50: the line does not take data\n");
  EXPECT_EQ(reboot.out, "");
}

// A dry run reads, merges and checks every unit and says its changes: no
// "set_syspara", no backup, no report. A device named twice is one unit;
// two rows on one port need a terminal. --reboot and --backup on one port
// keep it a single-port apply.
TEST_F(FleetE2E, DryRunsSendNothingAndOneDeviceIsOneUnit) {
  StartFleet(-1);
  const std::string base = WriteFile("fleet.yaml", "format: telvaro-profile/1\nbasic:\n  device_name: \"${SITE}\"\n");
  const std::string unitsFile = WriteFile("units.csv", UnitsFile());
  const std::string report = (dir / "REPORT.csv").string();
  const CliRun dry = Cli("apply " + base + " --units " + unitsFile + " --report " + report + " --dry-run");
  EXPECT_EQ(dry.status, 0) << dry.out << dry.err;
  EXPECT_NE(dry.out.find("COM51 " + Imei(0) + " Telvaro-DTU: dry run, 2 settings would change, nothing written\n"
                         "  basic.device_name: \"Telvaro-DTU\" -> \"SITE-01\"\n"),
            std::string::npos)
      << dry.out;
  const CliRun twoPorts = Cli("apply " + base + " --set SITE=X --dry-run --port " + Port(0) + " --port " + Port(1));
  EXPECT_EQ(twoPorts.status, 0) << twoPorts.out << twoPorts.err;
  for (const auto& unit : units) {
    EXPECT_TRUE(Sent(*unit, sim::FrameKind::GetSysPara));
    EXPECT_FALSE(Sent(*unit, sim::FrameKind::SetSysPara));
  }
  EXPECT_FALSE(std::filesystem::exists(report));
  EXPECT_FALSE(std::filesystem::exists(dir / "backups"));

  // One device under three names: one unit, written once.
  units[0]->ClearFrames();
  const CliRun once = Cli("apply " + base + " --set SITE=ONCE --report " + report + " --port " + Port(0) +
                          " --port COM51 --port " + units[0]->DevicePath());
  EXPECT_EQ(once.status, 0) << once.out << once.err;
  const auto frames = units[0]->Frames();
  EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const auto& f) { return f.kind == sim::FrameKind::SetSysPara; }),
            1);
  // Two rows on one port and no terminal to ask for the next modem.
  units[1]->ClearFrames();
  const CliRun twoRows = Cli("apply " + base + " --report " + report + " --units " +
                             WriteFile("two.csv", "port,SITE\n" + Port(1) + ",A\n" + Port(1) + ",B\n"));
  EXPECT_EQ(twoRows.status, 2);
  EXPECT_NE(twoRows.err.find("rows 1 and 2 are on one port (COM52)"), std::string::npos) << twoRows.err;
  EXPECT_TRUE(units[1]->Frames().empty());

  // --reboot on one port: no report, no backups/ in the working folder;
  // --backup DIR takes one, which `backups` lists.
  const auto inDir = [&](const std::string& args) {
    const int raw = std::system(("cd " + dir.string() + " && " + CommandLine(args)).c_str());
    return CliRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
  };
  std::filesystem::remove(report);
  std::filesystem::remove_all(dir / "backups");
  const CliRun backed = inDir("apply " + base + " --set SITE=SOLO --backup saved --port " + Port(2));
  EXPECT_EQ(backed.status, 0) << backed.out << backed.err;
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir / "saved"), {}), 1);
  const std::string name = std::filesystem::directory_iterator(dir / "saved")->path().filename().string();
  EXPECT_EQ(name.rfind(Imei(2) + "-Telvaro-DTU-COM53-20", 0), 0u) << name;
  EXPECT_EQ(ModeOf(dir / "saved" / name), 0600u);
  const CliRun solo = inDir("apply " + base + " --set SITE=AGAIN --reboot --port " + Port(2));
  EXPECT_EQ(solo.status, 0) << solo.out << solo.err;
  for (const auto until = Clock::now() + 10s; !Sent(*units[2], sim::FrameKind::Reboot) && Clock::now() < until;)
    std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(Sent(*units[2], sim::FrameKind::Reboot)) << solo.out;
  EXPECT_FALSE(std::filesystem::exists(report));
  EXPECT_FALSE(std::filesystem::exists(dir / "backups"));
  const CliRun listed = inDir("backups saved");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find(Imei(2) + "   Telvaro-DTU"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("COM53"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("  1629  " + name), std::string::npos) << listed.out;
}

std::string CompactUtc(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  ::gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
  return text;
}

// Outputs never destroy other files: one naming an input is refused; the
// report goes through the safe save (a planted link redirects nothing, a
// linked report is written through); its place is judged first; a second
// run keeps the earlier report and never shares or follows a backup name.
TEST_F(FleetE2E, FilesARunWritesNeverDestroyOthers) {
  StartFleet(-1);
  const std::string profile = "format: telvaro-profile/1\ngprs:\n  apn: fleet.apn\n";
  const std::string base = WriteFile("fleet.yaml", profile);
  const std::string unitsText = "port\n" + Port(0) + "\n";
  const std::string unitsFile = WriteFile("units.csv", unitsText);
  const std::string victim = WriteFile("victim.txt", "precious");
  const std::string report = (dir / "REPORT.csv").string();
  const std::string overInputs[] = {" --report " + unitsFile, " --resume " + unitsFile,
                                    " --report " + report + " --trace " + base,
                                    " --report " + (dir / "." / "fleet.yaml").string()};
  for (const std::string& args : overInputs) {
    const CliRun run = Cli("apply " + base + " --units " + unitsFile + args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("; it would be overwritten; nothing done"), std::string::npos) << run.err;
  }
  const CliRun verify = Cli("verify " + base + " --trace " + base + " --port " + Port(0));
  EXPECT_EQ(verify.status, 2) << verify.err;
  std::filesystem::create_directories(dir / "folder");
  for (const std::string& place : {(dir / "folder").string(), (dir / "missing" / "r.csv").string()}) {
    const CliRun run = Cli("apply " + base + " --units " + unitsFile + " --report " + place);
    EXPECT_EQ(run.status, 2) << place;
    EXPECT_NE(run.err.find("; nothing sent"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Slurp(unitsFile), unitsText);
  EXPECT_EQ(Slurp(base), profile);
  EXPECT_TRUE(units[0]->Frames().empty());

  std::filesystem::create_directories(dir / "real");
  WriteFile("real/report.csv", "");
  ::chmod((dir / "real/report.csv").c_str(), 0640);
  std::filesystem::create_symlink("real/report.csv", report);
  std::filesystem::create_symlink(victim, report + ".partial");
  const CliRun first = Cli("apply " + base + " --units " + unitsFile + " --resume " + report);
  EXPECT_EQ(first.status, 0) << first.out << first.err;
  EXPECT_EQ(Slurp(victim), "precious");
  EXPECT_TRUE(std::filesystem::is_symlink(report));
  EXPECT_EQ(ModeOf(dir / "real/report.csv"), 0640u);
  EXPECT_NE(Slurp(dir / "real/report.csv").find("\"COM51\",\"" + Imei(0) + "\""), std::string::npos);

  // A second run in the folder: names its backup would take are planted
  // links to the victim; the trace and the new report are the owner's only.
  const std::string deviceName = units[0]->StoredRecord().Get(field::device_name);
  const auto now = std::chrono::system_clock::now();
  std::error_code taken;  // the first run's own backup may have one of the names
  for (int s = 0; s < 60; ++s)
    std::filesystem::create_symlink(victim,
                                    dir / "backups" / (Imei(0) + "-" + deviceName + "-COM51-" +
                                                       CompactUtc(now + std::chrono::seconds(s)) + ".bin"),
                                    taken);
  const std::string trace = (dir / "trace.log").string();
  const CliRun second = Cli("apply " + base + " --units " + unitsFile + " --report " + report + " --trace " + trace);
  EXPECT_EQ(second.status, 0) << second.out << second.err;
  EXPECT_EQ(Slurp(victim), "precious");
  EXPECT_EQ(ModeOf(trace), 0600u);
  EXPECT_EQ(ModeOf(report), 0600u);
  std::vector<std::string> kept, backups;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename().string().rfind("REPORT-", 0) == 0) kept.push_back(entry.path().string());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_NE(second.out.find("earlier report kept as " + kept[0]), std::string::npos) << second.out;
  EXPECT_NE(Slurp(kept[0]).find("\"COM51\",\"" + Imei(0) + "\""), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(dir / "backups"))
    if (!entry.is_symlink()) backups.push_back(entry.path().string());
  ASSERT_EQ(backups.size(), 2u);
  for (const std::string& backup : backups) {
    EXPECT_EQ(ModeOf(backup), 0600u);
    EXPECT_TRUE(ReadSettingsFile(backup).record.has_value());
  }
}

// --resume skips a unit only when the report's row names the same port and
// the modem there is the same; a report of other units is refused. Fields a
// spreadsheet would take for formulas are guarded in the report.
TEST_F(FleetE2E, ResumeTrustsOnlyTheSamePortAndModem) {
  StartFleet(-1);
  const std::string base = WriteFile("fleet.yaml", "format: telvaro-profile/1\ngprs:\n  apn: fleet.apn\n");
  const std::string unitsFile =
      WriteFile("units.csv", "port,basic.device_name\n" + Port(0) + ",=1+2\n" + Port(1) + ",@SUM(A1)\n");
  const std::string report = (dir / "REPORT.csv").string();
  const CliRun run = Cli("apply " + base + " --units " + unitsFile + " --report " + report);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::string written = Slurp(report);
  EXPECT_NE(written.find("\"COM51\",\"" + Imei(0) + "\",\"'=1+2\""), std::string::npos) << written;
  EXPECT_NE(written.find("\"COM52\",\"" + Imei(1) + "\",\"'@SUM(A1)\""), std::string::npos) << written;
  EXPECT_EQ(units[0]->StoredRecord().Get(field::device_name), "=1+2");

  // The units file and the report are regular files of bounded size.
  const std::string big = WriteFile("big.csv", "port\n" + std::string(5u << 20, 'x') + "\n");
  for (const std::string& args : {" --units /dev/zero --report " + report, " --units " + big + " --report " + report,
                                   " --units " + unitsFile + " --resume " + big}) {
    const CliRun bad = Cli("apply " + base + args);
    EXPECT_EQ(bad.status, 2) << args;
    EXPECT_TRUE(bad.err.find("not a regular file") != std::string::npos ||
                bad.err.find("too large") != std::string::npos)
        << bad.err;
  }

  for (auto& unit : units) unit->ClearFrames();
  std::string tampered = written;
  tampered.replace(tampered.find("\"COM52\""), 7, "\"COM53\"");
  WriteFile("REPORT.csv", tampered);
  const CliRun refused = Cli("apply " + base + " --units " + unitsFile + " --resume " + report);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find(report + ": not a report of these units: row 2 is on COM53 in the report, on COM52 now"),
            std::string::npos)
      << refused.err;
  for (const auto& unit : units) EXPECT_TRUE(unit->Frames().empty());

  // Another modem now answers on COM51: it is not the one the report lists.
  WriteFile("REPORT.csv", written);
  ConfigRecord other = units[0]->StoredRecord();
  other.Set(field::imei, "490154203237518");
  units[0]->SetStoredRecord(other);
  const CliRun resumed = Cli("apply " + base + " --units " + unitsFile + " --resume " + report);
  EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  EXPECT_TRUE(Sent(*units[0], sim::FrameKind::SetSysPara));
  EXPECT_FALSE(Sent(*units[1], sim::FrameKind::SetSysPara));
  EXPECT_NE(resumed.out.find("1 ok, 0 failed, 1 skipped (ok before)"), std::string::npos) << resumed.out;
}

// A terminal is no modem: /dev/tty and any process's controlling terminal
// are refused with that reason. A port's line settings are put back when it
// closes. The modem's C1 controls (0x9B, a terminal's CSI) are escaped in
// every output; a profile with secrets over a readable file narrows it.
TEST_F(CliE2E, TerminalsAreNoModemsAndTheModemsControlsAreEscaped) {
  StartModem();
  const CliRun tty = Cli("read --port /dev/tty", false);
  EXPECT_EQ(tty.status, 1) << tty.err;
  EXPECT_NE(tty.err.find("the controlling terminal (/dev/tty), not a modem"), std::string::npos) << tty.err;

  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string slave = ::ptsname(master);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, slave.c_str(), O_RDWR, 0);
  const char* argv[] = {"setsid", "-c", "sleep", "60", nullptr};
  pid_t shell = 0;
  ASSERT_EQ(::posix_spawnp(&shell, "setsid", &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  CliRun held;
  for (const auto until = Clock::now() + 20s; Clock::now() < until;) {
    held = Cli("read --port " + slave, false);
    if (held.err.find("controlling terminal of process") != std::string::npos) break;
    std::this_thread::sleep_for(100ms);
  }
  ::kill(shell, SIGKILL);
  ::waitpid(shell, nullptr, 0);
  ::close(master);
  EXPECT_NE(held.err.find("the controlling terminal of process " + std::to_string(shell) + " (sleep), not a modem"),
            std::string::npos)
      << held.err;

  const int line = ::open(modem->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(line, 0);
  termios settings{};
  ASSERT_EQ(::tcgetattr(line, &settings), 0);
  ::cfsetospeed(&settings, B9600);
  ::cfsetispeed(&settings, B9600);
  ASSERT_EQ(::tcsetattr(line, TCSANOW, &settings), 0);
  ConfigRecord record = modem->StoredRecord();
  record.Set(field::device_name, "A\x9b" "31mB");
  modem->SetStoredRecord(record);
  const CliRun read = Cli("read -o " + (dir / "x.bin").string());
  ASSERT_EQ(read.status, 0) << read.err;
  ASSERT_EQ(::tcgetattr(line, &settings), 0);
  EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
  ::close(line);
  EXPECT_NE(read.out.find("settings of \"A\\x9b31mB\" saved"), std::string::npos) << read.out;
  const CliRun detect = Cli("detect");
  EXPECT_NE(detect.out.find("\"A\\x9b31mB\""), std::string::npos) << detect.out;
  const CliRun json = Cli("detect --json");
  EXPECT_NE(json.out.find("\"device_name\": \"A\\u009b31mB\""), std::string::npos) << json.out;
  for (const CliRun& run : {read, detect, json}) EXPECT_EQ(run.out.find('\x9b'), std::string::npos) << run.out;

  const std::string profile = WriteFile("site.yaml", "earlier");
  ::chmod(profile.c_str(), 0644);
  ASSERT_EQ(Cli("read --include-secrets --profile " + profile).status, 0);
  struct stat info {};
  ASSERT_EQ(::stat(profile.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}


// A firmware campaign: every unit backed up, upgraded and compared after its
// restart. The unit whose new firmware resets its settings gets its own back;
// the unit refusing a packet is never written and keeps its backup; --resume
// upgrades that one alone.
TEST_F(FleetE2E, AFirmwareCampaignKeepsEachUnitsSettingsAndResumesTheFailedOne) {
  for (int i = 0; i < 3; ++i) {
    sim::SimOptions options;
    options.restartAfterUpgradeMs = i == 1 ? 1500 : 200;  // unit 1 is deaf through a Read or two
    options.factoryAfterUpgrade = i == 1;
    if (i == 2) {
      options.packetCodes[2] = 6;
      options.refuseTimes = 1000;
      options.strictLoader = true;  // left in its loader, it answers no Read
    }
    units[i] = std::make_unique<sim::ModemSimulator>(options);
    ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
    record.Set(field::imei, Imei(i));
    record.Set(field::device_name, "PUMP-0" + std::to_string(i + 1));
    units[i]->SetStoredRecord(record);
    ASSERT_TRUE(units[i]->Start());
    earlier[i] = units[i]->StoredRecord();
  }
  const auto unitsFile = [this] {
    std::string csv = "port,imei\n";
    for (int i = 0; i < 3; ++i) csv += Port(i) + "," + Imei(i) + "\n";
    return WriteFile("units.csv", csv);
  };
  std::string image(1300, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7 + 1);
  const std::string file = WriteFile("APROM.bin", image);
  const std::string report = (dir / "REPORT.csv").string();
  const CliRun run = Cli("upgrade " + file + " --units " + unitsFile() + " --report " + report + " --fast --jobs 3");
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.out.find("COM51 " + Imei(0) + " PUMP-01: ok, upgraded, settings kept, "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("COM52 " + Imei(1) + " PUMP-02: ok, upgraded, settings restored (basic.device_name, "),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("COM53 " + Imei(2) + " PUMP-03: failed: Err:Check Sum Failed, backup "), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\n2 ok, 1 failed\n"), std::string::npos) << run.out;

  std::vector<std::string> lines = Lines(Slurp(report));
  ASSERT_EQ(lines.size(), 4u) << Slurp(report);
  EXPECT_EQ(lines[0], "row,port,imei,device_name,result,changed,reason,backup,start,seconds,firmware,settings");
  std::map<std::string, std::vector<std::string>> byPort;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Fields(lines[i]);
    ASSERT_EQ(fields.size(), 12u) << lines[i];
    byPort[fields[1]] = fields;
  }
  EXPECT_EQ(byPort["COM51"][4] + " " + byPort["COM51"][10] + " " + byPort["COM51"][11], "ok upgraded kept");
  EXPECT_EQ(byPort["COM52"][4] + " " + byPort["COM52"][10] + " " + byPort["COM52"][11], "ok upgraded restored");
  EXPECT_EQ(byPort["COM53"][4] + " " + byPort["COM53"][10] + " " + byPort["COM53"][11], "failed failed ");
  EXPECT_EQ(byPort["COM53"][6], "Err:Check Sum Failed");
  for (int i = 0; i < 3; ++i) {
    // Each unit's backup holds the record it had before the campaign.
    const std::string backup = byPort["COM5" + std::to_string(i + 1)][7];
    EXPECT_EQ(backup.rfind((dir / "backups" / (Imei(i) + "-PUMP-0" + std::to_string(i + 1) + "-")).string(), 0), 0u)
        << backup;
    const SettingsFileRead saved = ReadSettingsFile(backup);
    ASSERT_TRUE(saved.record) << backup;
    EXPECT_TRUE(SettingsNotHeld(earlier[i], *saved.record).empty()) << i;
    // Every unit holds the settings it had, the reset one by the write-back.
    EXPECT_TRUE(SettingsNotHeld(earlier[i], units[i]->StoredRecord()).empty()) << i;
  }
  EXPECT_EQ(units[0]->Firmware(), Bytes(image.begin(), image.end()));
  EXPECT_EQ(units[1]->Firmware(), Bytes(image.begin(), image.end()));
  // Written only where the firmware reset the settings; never where it failed.
  EXPECT_FALSE(Sent(*units[0], sim::FrameKind::SetSysPara));
  EXPECT_TRUE(Sent(*units[1], sim::FrameKind::SetSysPara));
  EXPECT_FALSE(Sent(*units[2], sim::FrameKind::SetSysPara));
  EXPECT_EQ(units[2]->UpgradesCompleted(), 0);

  // The refusing unit takes the image now (a new device path, the same row):
  // the resumed run upgrades it alone, from its earlier backup since its
  // loader answers no Read, and adds its line to the report.
  for (int i = 0; i < 3; ++i) units[i]->ClearFrames();
  units[2]->Stop();
  units[2]->Options().packetCodes.clear();
  ASSERT_TRUE(units[2]->Start());
  const CliRun resumed = Cli("upgrade " + file + " --units " + unitsFile() + " --resume " + report + " --fast");
  EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  EXPECT_NE(resumed.out.find("1 ok, 0 failed, 2 skipped (ok before)"), std::string::npos) << resumed.out;
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(Sent(*units[i], sim::FrameKind::RebootLdrom)) << i;
    EXPECT_EQ(units[i]->UpgradesCompleted(), 1) << i;
  }
  EXPECT_EQ(units[2]->Firmware(), Bytes(image.begin(), image.end()));
  lines = Lines(Slurp(report));
  ASSERT_EQ(lines.size(), 5u) << Slurp(report);
  EXPECT_EQ(lines[4].rfind("\"3\",\"COM53\",\"" + Imei(2) + "\",\"PUMP-03\",\"ok\",", 0), 0u) << lines[4];
  EXPECT_NE(lines[4].find(",\"upgraded\",\"kept\""), std::string::npos) << lines[4];
  EXPECT_EQ(Fields(lines[4])[7], byPort["COM53"][7]);  // the backup it was upgraded from
  EXPECT_TRUE(SettingsNotHeld(earlier[2], units[2]->StoredRecord()).empty());

  // An apply's report is no campaign's: its "ok" never skips an upgrade.
  const std::string applied = WriteFile("applied.csv", "row,port,imei,device_name,result\n1,COM51," + Imei(0) +
                                                            ",PUMP-01,ok\n");
  for (int i = 0; i < 3; ++i) units[i]->ClearFrames();
  const CliRun mixed = Cli("upgrade " + file + " --units " + unitsFile() + " --resume " + applied + " --fast");
  EXPECT_EQ(mixed.status, 2) << mixed.out;
  EXPECT_EQ(mixed.err, "telvaro-cli: " + applied + ": a report of telvaro-cli apply, not of upgrade; nothing sent\n");
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(units[i]->Frames().empty()) << i;
}

// The single modem's upgrade keeps its settings too: written back when the
// new firmware reset them, left (and said so) with --no-keep-settings, and a
// modem that does not come back in time names its backup.
TEST_F(CliE2E, TheSingleUpgradeKeepsTheSettingsOrSaysWhereTheyAre) {
  sim::SimOptions options;
  options.restartAfterUpgradeMs = 1000;
  options.factoryAfterUpgrade = true;
  StartModem(options);
  const ConfigRecord before = modem->StoredRecord();
  const std::string file = WriteFile("APROM.bin", std::string(700, 'k'));
  const std::string backups = " --backup " + (dir / "backups").string();
  CliRun run = Cli("upgrade --fast " + file + backups);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("COM50: the new firmware changed "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  basic.device_name: \"Telvaro-DTU\" -> \"Modem\"\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("COM50: settings restored from " + (dir / "backups").string()), std::string::npos) << run.out;
  EXPECT_TRUE(SettingsNotHeld(before, modem->StoredRecord()).empty());

  modem->ClearFrames();
  run = Cli("upgrade --fast --no-keep-settings " + file + backups);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("COM50: settings left as the new firmware set them (--no-keep-settings); the earlier "
                         "settings are in "),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Writes(*modem), 0u);
  EXPECT_EQ(modem->StoredRecord().Get(field::device_name), "Modem");

  modem.reset();
  options.restartAfterUpgradeMs = 30000;
  StartModem(options);
  run = Cli("upgrade --fast --restart-wait 2 " + file + backups);
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.err.find("telvaro-cli: COM50: upgraded, not back within 2 s; the earlier settings are in " +
                         (dir / "backups").string()),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Writes(*modem), 0u);
}

}  // namespace
}  // namespace telvaro
