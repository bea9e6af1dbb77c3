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
  Bytes body;
  AppendText(body, "all_para");
  body.resize(kParametersBodySize, 0);
  body[8] = 0xAB;
  body[9] = 0x0C;
  body.back() = 0x01;
  const ParameterCheck check = CheckParameters(body.data(), body.size());
  EXPECT_EQ(check.verdict, ParameterCheck::BadChecksum);
  EXPECT_EQ(check.computed, 0xB7);
  EXPECT_EQ(check.received, 0x01);
  Fixture g;
  Bytes framed;
  AppendText(framed, "MDM_STA");
  framed.insert(framed.end(), body.begin(), body.end());
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
  // A complete response and a short one arriving without a pause are one
  // frame from the first start marker to the second end marker: not a
  // record, so dropped without a message, although the first alone is good.
  Fixture f;
  const Bytes first = FrameCodec::ParameterResponse(SampleRecord(0x02).Block());
  const Bytes second = ShortResponse({'T', 'W', 'O'});
  f.Receive(first);
  f.Receive(second);
  f.Dispatch();
  EXPECT_TRUE(f.host.calls.empty());
  EXPECT_FALSE(f.state.responseReceived.load());
  EXPECT_EQ(f.state.record, ConfigRecord());

  Fixture g;
  g.Receive(first);
  g.Dispatch();
  EXPECT_TRUE(g.state.responseReceived.load());
  EXPECT_EQ(g.state.record, SampleRecord(0x02));
}

// A body of any length but "all_para", 1628 record bytes and the checksum is
// refused like a malformed answer, however well it sums: the record stays,
// nothing is handed over, the response flag stays clear.
TEST(ResponseDispatch, BodiesShorterOrLongerThanARecordAreRefused) {
  const ConfigRecord full = SampleRecord(0x02);
  std::vector<Bytes> bodies;
  bodies.push_back({'A', 'B', 'C'});
  // The 100-byte record that once gave "Operation succeed!".
  bodies.emplace_back(full.Record().begin(), full.Record().begin() + 100);
  // A record that lost a run of zero bytes: the sum still matches.
  ConfigRecord zeros = full;
  for (std::size_t i = 200; i < 240; ++i) zeros.SetRawByte(i, 0);
  Bytes lost(zeros.Record().begin(), zeros.Record().end());
  lost.erase(lost.begin() + 200, lost.begin() + 240);
  bodies.push_back(lost);
  bodies.emplace_back(2000, 0x11);  // longer than record and checksum slot
  bodies.emplace_back(ConfigRecord::kSize + 1, 0x00);  // one byte too many: sums to zero
  bodies.emplace_back();  // the word with only a checksum byte
  for (const Bytes& data : bodies) {
    Fixture f;
    f.state.record = full;
    f.Receive(ShortResponse(data));
    f.Dispatch();
    EXPECT_TRUE(f.host.calls.empty()) << data.size();
    EXPECT_EQ(f.state.record, full) << data.size();
    EXPECT_FALSE(f.state.responseReceived.load()) << data.size();
    EXPECT_EQ(CheckParameters(ShortResponse(data).data() + 7, data.size() + 9).verdict,
              ParameterCheck::WrongLength);
  }
  // The word alone is no record either.
  Fixture h;
  Bytes frame;
  AppendText(frame, "MDM_STAall_paraMDM_END");
  h.Receive(frame);
  h.Dispatch();
  EXPECT_FALSE(h.state.responseReceived.load());
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
  // Two answers to one packet: a success never overrules the refusal before
  // it; an answer received before a frame went out is that frame's no longer.
  Fixture f;
  for (int code : {7, 0}) {
    f.Receive(FrameCodec::UpgradeStatusResponse(static_cast<std::int8_t>(code)));
    f.Dispatch();
  }
  EXPECT_EQ(f.state.upgradeResult.load(), 7);
  f.Receive(FrameCodec::UpgradeStatusResponse(0));
  std::uint64_t epoch = 0;
  const Bytes stale = f.buffer.TakeSnapshot(&epoch);
  f.buffer.StartFrame();
  f.dispatcher.DispatchSnapshot(stale.data(), stale.size(), epoch);
  EXPECT_EQ(f.state.upgradeResult.load(), 7);

  // Answers merged into one snapshot are the modem's own codes, the last
  // one standing, never a made-up length error.
  struct Merged {
    std::vector<int> codes;
    int result;
  };
  for (const Merged& m : {Merged{{7, 7}, 7}, Merged{{0, 7}, 7}, Merged{{0, 0, 0}, 0}, Merged{{7, 0}, 7},
                          Merged{{0, 8}, 8}}) {
    Fixture g;
    for (const int code : m.codes) g.Receive(FrameCodec::UpgradeStatusResponse(static_cast<std::int8_t>(code)));
    g.Dispatch();
    EXPECT_EQ(g.state.upgradeResult.load(), m.result) << m.codes.size() << " answers, first " << m.codes[0];
  }
  EXPECT_EQ(UpgradeStatusText(7), "Err:Write False Failed");
}

// A waiter only takes the answer to its own frame: bytes received before a
// frame went out (a late duplicate of the previous answer) are neither its
// answer nor left to be judged with it.
TEST(ResponseDispatch, AnAnswerToAnEarlierFrameIsNotTakenForTheNextOnesAnswer) {
  Fixture f;
  ConfigRecord old = SampleRecord(0x02);
  old.Set(field::device_name, "first answer");
  old.SetChecksum(RecordChecksum(old.Record()));
  const Bytes oldAnswer = FrameCodec::ParameterResponse(old.Block());
  f.Receive(oldAnswer);
  f.Dispatch();
  ASSERT_TRUE(f.state.responseReceived.load());
  const std::uint64_t firstFrame = f.buffer.Epoch();
  EXPECT_EQ(f.state.answerEpoch.load(), firstFrame);

  // The duplicate is taken as the next frame goes out, and judged after.
  f.state.responseReceived.store(false);
  f.host.calls.clear();
  f.state.record = SampleRecord(0x00);
  const ConfigRecord before = f.state.record;
  f.Receive(oldAnswer);
  std::uint64_t taken = 0;
  const Bytes stale = f.buffer.TakeSnapshot(&taken);
  f.buffer.StartFrame();
  ASSERT_NE(taken, f.buffer.Epoch());
  f.dispatcher.DispatchSnapshot(stale.data(), stale.size(), taken);
  EXPECT_EQ(f.state.answerEpoch.load(), firstFrame);  // a waiter for the new frame still waits
  // Still in the buffer when the frame goes out: thrown away with the epoch.
  f.Receive(oldAnswer);
  f.buffer.StartFrame();
  EXPECT_EQ(f.buffer.FillCount(), 0u);
  f.Dispatch();
  EXPECT_TRUE(f.host.calls.empty());
  EXPECT_EQ(f.state.record, before);
  EXPECT_FALSE(f.state.responseReceived.load());

  // The answer received after the frame went out is its answer.
  f.Receive(FrameCodec::ParameterResponse(SampleRecord(0x02).Block()));
  f.Dispatch();
  EXPECT_EQ(f.host.calls, (std::vector<std::string>{"io:1", "grid:1", "show"}));
  EXPECT_EQ(f.host.shownName, "Pump station 4");
  EXPECT_TRUE(f.state.responseReceived.load());
  EXPECT_EQ(f.state.answerEpoch.load(), f.buffer.Epoch());
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
