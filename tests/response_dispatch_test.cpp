#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/frame_codec.h"
#include "protocol/record_checksum.h"
#include "protocol/response_dispatch.h"

namespace telvaro {
namespace {

// Records every hand-over call in order, with whether the response received
// flag was already set at the time.
class RecordingHost : public DispatchHost {
 public:
  explicit RecordingHost(ModemState& state) : state_(state) {}
  void ShowMessage(const std::string& text) override { Log("message:" + text); }
  void SetIoPresent(bool present) override { Log(std::string("io:") + (present ? "1" : "0")); }
  void SetGridEnabled(bool enabled) override { Log(std::string("grid:") + (enabled ? "1" : "0")); }
  void ShowRecordOnPages(const ConfigRecord& record) override {
    shownName = record.Get(field::device_name);
    Log("show");
  }
  std::vector<std::string> calls;
  std::vector<bool> flagAtCall;
  std::string shownName;

 private:
  void Log(std::string call) {
    calls.push_back(std::move(call));
    flagAtCall.push_back(state_.responseReceived.load());
  }
  ModemState& state_;
};

ConfigRecord SampleRecord(std::uint8_t hwOptions) {
  ConfigRecord record;
  for (std::size_t i = 0; i < ConfigRecord::kSize; ++i) record.SetRawByte(i, static_cast<std::uint8_t>(i * 31 + 5));
  record.Set(field::hw_options, hwOptions);
  record.Set(field::device_name, "Pump station 4");
  record.SetChecksum(RecordChecksum(record.Record()));
  return record;
}

struct Fixture {
  ReceiveBuffer buffer;
  ModemState state;
  RecordingHost host{state};
  ResponseDispatcher dispatcher{buffer, state, host};

  void Receive(const Bytes& bytes) { ASSERT_TRUE(buffer.Append(bytes.data(), bytes.size())); }
  void Dispatch() { dispatcher.DispatchResponse(); }
};

TEST(ResponseDispatch, CompleteResponseIsAcceptedAndHandedOverWithTheFlagLast) {
  Fixture f;
  const ConfigRecord sent = SampleRecord(0x02 | 0x80);
  f.Receive(FrameCodec::ParameterResponse(sent.Block()));
  f.Dispatch();

  EXPECT_EQ(f.buffer.FillCount(), 0u);
  EXPECT_EQ(f.state.record, sent);  // all 1628 bytes and the checksum slot
  EXPECT_EQ(f.host.calls, (std::vector<std::string>{"io:1", "grid:1", "show"}));
  EXPECT_EQ(f.host.flagAtCall, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(f.host.shownName, "Pump station 4");
  EXPECT_TRUE(f.state.responseReceived.load());

  // Only bit 1 of hw_options decides the I/O pages.
  Fixture g;
  g.Receive(FrameCodec::ParameterResponse(SampleRecord(0xFD).Block()));
  g.Dispatch();
  EXPECT_EQ(g.host.calls, (std::vector<std::string>{"io:0", "grid:0", "show"}));
}

TEST(ResponseDispatch, OneChangedByteGivesTheChecksumMessageAndLeavesTheRecord) {
  Fixture f;
  f.state.record = SampleRecord(0x02);
  const ConfigRecord before = f.state.record;

  ConfigRecord other = SampleRecord(0x02);
  const std::uint8_t goodSum = other.Checksum();
  other.SetRawByte(700, static_cast<std::uint8_t>(other.RawByte(700) + 1));  // checksum slot not updated
  Bytes response = FrameCodec::ParameterResponse(other.Block());
  f.Receive(response);
  f.Dispatch();

  char expected[32];
  std::snprintf(expected, sizeof expected, "bad chksum (%02X-%02X)", static_cast<std::uint8_t>(goodSum + 1), goodSum);
  EXPECT_EQ(f.host.calls, std::vector<std::string>{std::string("message:") + expected});
  EXPECT_EQ(f.state.record, before);
  EXPECT_FALSE(f.state.responseReceived.load());

  // Upper-case hex, computed value first.
  const std::uint8_t body[] = {'a', 'l', 'l', '_', 'p', 'a', 'r', 'a', 0xAB, 0x0C, 0x01};
  const ParameterCheck check = CheckParameters(body, sizeof body);
  EXPECT_EQ(check.verdict, ParameterCheck::BadChecksum);
  EXPECT_EQ(check.computed, 0xB7);
  EXPECT_EQ(check.received, 0x01);
  Fixture g;
  Bytes framed;
  AppendText(framed, "MDM_STA");
  framed.insert(framed.end(), std::begin(body), std::end(body));
  AppendText(framed, "MDM_END");
  g.Receive(framed);
  g.Dispatch();
  EXPECT_EQ(g.host.calls, std::vector<std::string>{"message:bad chksum (B7-01)"});
}

TEST(ResponseDispatch, WhatIsNotExactlyOneFrameIsDroppedSilently) {
  const Bytes good = FrameCodec::ParameterResponse(SampleRecord(0x02).Block());
  std::vector<Bytes> rejected;
  Bytes empty;  // "MDM_STA" "MDM_END": 14 bytes, empty body
  AppendText(empty, "MDM_STAMDM_END");
  rejected.push_back(empty);
  Bytes stray{0x55};  // one stray byte before the response
  stray.insert(stray.end(), good.begin(), good.end());
  rejected.push_back(stray);
  Bytes trailing = good;  // one byte after the end marker
  trailing.push_back('\n');
  rejected.push_back(trailing);
  Bytes otherWord = good;  // another response word
  otherWord[7] = 'A';
  rejected.push_back(otherWord);
  rejected.push_back(Bytes(good.begin(), good.begin() + 900));  // cut by a pause
  Bytes overlapping;  // markers sharing bytes: too short to be a frame
  AppendText(overlapping, "MDM_STA_END");
  rejected.push_back(overlapping);

  for (const Bytes& bytes : rejected) {
    Fixture f;
    f.state.record = SampleRecord(0x00);
    const ConfigRecord before = f.state.record;
    f.Receive(bytes);
    f.Dispatch();
    EXPECT_TRUE(f.host.calls.empty()) << bytes.size();
    EXPECT_EQ(f.state.record, before);
    EXPECT_FALSE(f.state.responseReceived.load());
    EXPECT_EQ(f.state.upgradeResult.load(), ModemState::kNoAnswer);
    EXPECT_EQ(f.buffer.FillCount(), 0u);  // the buffer is free whatever the outcome
  }
}

Bytes ShortResponse(const Bytes& data) {
  Bytes frame;
  AppendText(frame, "MDM_STAall_para");
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(RecordChecksum(data));
  AppendText(frame, "MDM_END");
  return frame;
}

TEST(ResponseDispatch, TwoBackToBackResponsesAreJudgedAsOneSnapshot) {
  // Two complete parameter responses (2 x 1651 bytes) cannot both fit in the
  // buffer, so two short ones stand for them.
  Fixture f;
  const Bytes first = ShortResponse({'O', 'N', 'E'});
  const Bytes second = ShortResponse({'T', 'W', 'O'});
  f.Receive(first);
  f.Receive(second);
  f.Dispatch();

  // One frame from the first start marker to the second end marker; its body
  // runs from the first "all_para" to the second checksum.
  Bytes joined = first;
  joined.insert(joined.end(), second.begin(), second.end());
  const std::size_t bodyEnd = joined.size() - 7;
  const std::uint8_t computed = RecordChecksum(joined.data() + 15, static_cast<std::ptrdiff_t>(bodyEnd - 15 - 1));
  const std::uint8_t received = joined[bodyEnd - 1];
  ASSERT_NE(computed, received);
  char expected[32];
  std::snprintf(expected, sizeof expected, "bad chksum (%02X-%02X)", computed, received);
  EXPECT_EQ(f.host.calls, std::vector<std::string>{std::string("message:") + expected});
  EXPECT_FALSE(f.state.responseReceived.load());
  EXPECT_EQ(f.state.record, ConfigRecord());

  // Whereas each on its own is accepted.
  Fixture g;
  g.Receive(second);
  g.Dispatch();
  EXPECT_TRUE(g.state.responseReceived.load());
  EXPECT_EQ(g.state.record.RawByte(0), 'T');
}

TEST(ResponseDispatch, BodiesShorterOrLongerThanARecord) {
  // A shorter body with a good checksum fills the start of the record and
  // leaves the rest zero.
  Fixture f;
  f.state.record = SampleRecord(0x02);
  Bytes shortBody;
  AppendText(shortBody, "MDM_STAall_para");
  const Bytes data = {'A', 'B', 'C'};
  shortBody.insert(shortBody.end(), data.begin(), data.end());
  shortBody.push_back(RecordChecksum(data));
  AppendText(shortBody, "MDM_END");
  f.Receive(shortBody);
  f.Dispatch();
  EXPECT_TRUE(f.state.responseReceived.load());
  EXPECT_EQ(f.state.record.RawByte(0), 'A');
  EXPECT_EQ(f.state.record.RawByte(2), 'C');
  EXPECT_EQ(f.state.record.RawByte(3), RecordChecksum(data));
  EXPECT_EQ(f.state.record.RawByte(4), 0);
  EXPECT_EQ(f.state.record.Checksum(), 0);

  // A body longer than record and checksum slot, even with a matching
  // checksum, is not a record: nothing is written, nothing handed over.
  Fixture g;
  g.state.record = SampleRecord(0x02);
  const ConfigRecord before = g.state.record;
  Bytes longBody;
  AppendText(longBody, "MDM_STAall_para");
  Bytes payload(2000, 0x11);
  longBody.insert(longBody.end(), payload.begin(), payload.end());
  longBody.push_back(RecordChecksum(payload));
  AppendText(longBody, "MDM_END");
  g.Receive(longBody);
  g.Dispatch();
  EXPECT_TRUE(g.host.calls.empty());
  EXPECT_EQ(g.state.record, before);
  EXPECT_FALSE(g.state.responseReceived.load());

  // The word alone, and the word with only a checksum byte.
  for (const Bytes& body : {Bytes{'a', 'l', 'l', '_', 'p', 'a', 'r', 'a'}, Bytes{'a', 'l', 'l', '_', 'p', 'a', 'r', 'a', 0}}) {
    Fixture h;
    Bytes frame;
    AppendText(frame, "MDM_STA");
    frame.insert(frame.end(), body.begin(), body.end());
    AppendText(frame, "MDM_END");
    h.Receive(frame);
    h.Dispatch();
    EXPECT_EQ(h.state.responseReceived.load(), body.size() == 9) << body.size();
  }
}

TEST(ResponseDispatch, UpgradeStatusResponsesSetTheResult) {
  struct Case {
    Bytes body;
    int result;
  };
  const Case cases[] = {{{0x00}, 0}, {{0x08}, 8}, {{0x00, 0x00}, 3}, {{}, 3}, {{0x86}, -122}, {{0xFF}, -1}};
  for (const Case& c : cases) {
    Fixture f;
    Bytes frame;
    AppendText(frame, "UPGRADE_START");
    frame.insert(frame.end(), c.body.begin(), c.body.end());
    AppendText(frame, "UPGRADE_END");
    f.Receive(frame);
    f.Dispatch();
    EXPECT_EQ(f.state.upgradeResult.load(), c.result);
    EXPECT_TRUE(f.host.calls.empty());
  }
}

TEST(ResponseDispatch, UpgradeStatusTexts) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {{0, "Success"},
                        {1, "Err:Comm Failed"},
                        {2, "Err:Message is too short"},
                        {3, "Err:Length err"},
                        {4, "Err:Wrong Total Number"},
                        {5, "Err:Wrong Index"},
                        {6, "Err:Check Sum Failed"},
                        {7, "Err:Write False Failed"},
                        {8, "Upgrade Finished"},
                        {9, "Err:Comm Failed"},
                        {127, "Err:Comm Failed"},
                        {-1, "Err:Comm Failed"},
                        {-122, "Err:Comm Failed"}};
  ModemState state;
  RecordingHost host(state);
  for (const Case& c : cases) {
    host.calls.clear();
    ShowUpgradeStatus(host, c.code);
    EXPECT_EQ(host.calls, std::vector<std::string>{std::string("message:") + c.text}) << c.code;
  }
}

}  // namespace
}  // namespace telvaro
