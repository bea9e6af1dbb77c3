// The support trace: what a frame looks like in it, that the secrets inside a
// record never reach it, and that the window's log keeps only the newest.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "operations/traffic_log.h"
#include "protocol/frame_codec.h"

namespace telvaro {
namespace {

TEST(TrafficLog, FramesAreDatedAndDumpedWithTheSecretsOfRecordsMasked) {
  ConfigRecord record;
  record.Set(field::device_name, "SITE-07");
  record.Set(field::pin_code, "8642");
  record.Set(field::new_pin_code, "1357");
  record.Set(field::gprs_password, "s3cr3t");
  record.Set(field::sms_control_password, "ctl-pw");
  std::vector<std::string> streamed;
  TrafficLog log(2, [&](const std::string& text) { streamed.push_back(text); });
  const TrafficTap tap = log.TapFor("COM7");
  tap(TrafficDirection::Sent, FrameCodec::GetSysParaFrame());
  tap(TrafficDirection::Received, FrameCodec::ParameterResponse(record.Block()));
  tap(TrafficDirection::Sent, FrameCodec::SetSysParaFrame(record));

  ASSERT_EQ(streamed.size(), 3u);
  EXPECT_TRUE(std::regex_match(streamed[0], std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z COM7 sent 25 bytes
  0000  43 4f 4e 5f 53 54 41 67 65 74 5f 73 79 73 70 61  CON_STAget_syspa
  0010  72 61 43 4f 4e 5f 45 4e 44                       raCON_END
)")))
      << streamed[0];
  for (const std::string& text : {streamed[1], streamed[2]}) {
    EXPECT_NE(text.find("SITE-07"), std::string::npos);
    for (const char* secret : {"8642", "1357", "s3cr3t", "ctl-pw"}) EXPECT_EQ(text.find(secret), std::string::npos) << secret;
  }
  EXPECT_NE(streamed[1].find(" COM7 received 1651 bytes\n"), std::string::npos);
  Bytes frame = FrameCodec::ParameterResponse(record.Block());
  MaskRecordSecrets(frame);
  const std::string masked(frame.begin(), frame.end());
  for (const char* secret : {"8642", "1357", "s3cr3t", "ctl-pw"}) EXPECT_EQ(masked.find(secret), std::string::npos);
  EXPECT_EQ(masked.substr(15 + field::pin_code.offset, 5), std::string("****\0", 5));
  EXPECT_EQ(masked.find("SITE-07"), 15 + field::device_name.offset);
  // The window's log keeps the newest frames only.
  EXPECT_EQ(log.Size(), 2u);
  EXPECT_EQ(log.Text(), streamed[1] + streamed[2]);
}

// The bytes a formatted entry shows, read back from its hex columns.
std::string DumpedBytes(const std::string& text) {
  std::string bytes;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  ", 0) != 0) continue;  // the entry's heading
    for (std::size_t at = 8; at + 2 <= line.size() && at < 8 + 16 * 3; at += 3) {
      if (line[at] == ' ') break;
      bytes += static_cast<char>(std::stoi(line.substr(at, 2), nullptr, 16));
    }
  }
  return bytes;
}

// An answer behind noise, split over several snapshots (its header too), or
// cut by a frame going out still never shows a secret in the trace.
TEST(TrafficLog, SecretsAreMaskedByPositionWhereverTheAnswerFalls) {
  ConfigRecord record;
  record.Set(field::device_name, "SITE-07");
  record.Set(field::pin_code, "8642");
  record.Set(field::gprs_password, "s3cr3t");
  record.Set(field::sms_control_password, "ctl-pw");
  const Bytes answer = FrameCodec::ParameterResponse(record.Block());
  const std::size_t pin = 15 + field::pin_code.offset;
  const auto check = [](const std::vector<std::vector<std::uint8_t>>& pieces, bool sentBetween) {
    std::string streamed;
    TrafficLog log(0, [&](const std::string& text) { streamed += DumpedBytes(text); });
    const TrafficTap tap = log.TapFor("COM7");
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (sentBetween && i == 1) tap(TrafficDirection::Sent, FrameCodec::GetSysParaFrame());
      tap(TrafficDirection::Received, pieces[i]);
    }
    for (const char* secret : {"8642", "s3cr3t", "ctl-pw"}) EXPECT_EQ(streamed.find(secret), std::string::npos) << secret;
    return streamed;
  };
  const auto cut = [&](std::initializer_list<std::size_t> at) {
    std::vector<std::vector<std::uint8_t>> pieces;
    std::size_t from = 0;
    for (const std::size_t to : at) {
      pieces.emplace_back(answer.begin() + static_cast<std::ptrdiff_t>(from), answer.begin() + static_cast<std::ptrdiff_t>(to));
      from = to;
    }
    pieces.emplace_back(answer.begin() + static_cast<std::ptrdiff_t>(from), answer.end());
    return pieces;
  };
  Bytes noisy = {0x00, 'x', 0x7F};
  noisy.insert(noisy.end(), answer.begin(), answer.end());
  EXPECT_NE(check({noisy}, false).find("SITE-07"), std::string::npos);
  EXPECT_NE(check(cut({pin + 2}), false).find("SITE-07"), std::string::npos);
  EXPECT_NE(check(cut({10, pin + 1, pin + 3, 900}), false).find("SITE-07"), std::string::npos);
  check(cut({pin - 1}), true);
  // A new answer after the cut one is followed again from its header.
  const std::vector<std::uint8_t> head(answer.begin(), answer.begin() + 200);
  EXPECT_NE(check({head, answer}, true).find("SITE-07"), std::string::npos);
}

}  // namespace
}  // namespace telvaro
