#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "protocol/frame_codec.h"
#include "protocol/record_checksum.h"

namespace telvaro {
namespace {

std::string AsText(const Bytes& b, std::size_t from, std::size_t n) {
  return std::string(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + n));
}

TEST(RecordChecksum, WorkedExamples) {
  const std::uint8_t abcd[] = {0x61, 0x62, 0x63, 0x64};
  EXPECT_EQ(RecordChecksum(abcd, 0), 0x00);
  EXPECT_EQ(RecordChecksum(abcd, -5), 0x00);
  EXPECT_EQ(RecordChecksum(abcd, 3), 0x26);
  EXPECT_EQ(RecordChecksum(abcd, 4), 0x8A);  // bit 7 survives
  ConfigRecord zero;
  EXPECT_EQ(RecordChecksum(zero.Record()), 0x00);
  const std::uint8_t all_ff[] = {0xFF, 0xFF, 0xFF};
  EXPECT_EQ(RecordChecksum(all_ff, 3), 0xFD);  // 0x2FD, carries dropped
}

TEST(FrameCodec, CommandFramesAreExactBytes) {
  const Bytes get = FrameCodec::GetSysParaFrame();
  ASSERT_EQ(get.size(), 25u);
  EXPECT_EQ(AsText(get, 0, 25), "CON_STAget_sysparaCON_END");

  std::string reboot;
  for (auto part : FrameCodec::CommandFrameParts(command::kReboot)) reboot += part;
  EXPECT_EQ(reboot, "CON_STArebootCON_END");
  EXPECT_EQ(reboot.size(), 20u);

  const auto ldrom = FrameCodec::CommandFrameParts(command::kRebootLdrom);
  EXPECT_EQ(ldrom[0], "CON_STA");
  EXPECT_EQ(ldrom[1], "reboot_ldrom");
  EXPECT_EQ(ldrom[2], "CON_END");
  EXPECT_EQ(ldrom[0].size() + ldrom[1].size() + ldrom[2].size(), 26u);
}

class RecordingWriter : public FrameWriter {
 public:
  int Write(const std::uint8_t* bytes, int count) override {
    writes.emplace_back(bytes, bytes + count);
    return failAll ? failWith : 0;
  }
  std::vector<Bytes> writes;
  bool failAll = false;
  int failWith = -1;
};

TEST(FrameCodec, RebootGoesOutAsThreeWritesEvenWhenOneFails) {
  RecordingWriter w;
  EXPECT_EQ(FrameCodec::WriteInThreeParts(w, command::kRebootLdrom), 0);
  ASSERT_EQ(w.writes.size(), 3u);
  EXPECT_EQ(AsText(w.writes[1], 0, 12), "reboot_ldrom");

  RecordingWriter failing;
  failing.failAll = true;
  EXPECT_EQ(FrameCodec::WriteInThreeParts(failing, command::kReboot), -1);
  EXPECT_EQ(failing.writes.size(), 3u);
  failing.failWith = kFrameStalled;  // a line that takes nothing is not kept waiting twice more
  failing.writes.clear();
  EXPECT_EQ(FrameCodec::WriteInThreeParts(failing, command::kReboot), kFrameStalled);
  EXPECT_EQ(failing.writes.size(), 1u);
}

TEST(FrameCodec, SetSysParaCarriesRecordAndStoresChecksum) {
  ConfigRecord record;
  for (std::size_t i = 0; i < ConfigRecord::kSize; ++i)
    record.SetRawByte(i, static_cast<std::uint8_t>(i * 7 + 3));
  // Record bytes that spell the end marker are sent unchanged.
  const std::string end = "CON_END";
  for (std::size_t i = 0; i < end.size(); ++i) record.SetRawByte(100 + i, end[i]);

  const Bytes frame = FrameCodec::SetSysParaFrame(record);
  ASSERT_EQ(frame.size(), 1654u);
  EXPECT_EQ(AsText(frame, 0, 18), "CON_STAset_syspara");
  EXPECT_EQ(frame[18], record.RawByte(0));
  EXPECT_EQ(frame[1645], record.RawByte(1627));
  const std::uint8_t expected = RecordChecksum(record.Record());
  EXPECT_EQ(record.Checksum(), expected);
  EXPECT_EQ(frame[1646], expected);
  EXPECT_EQ(AsText(frame, 1647, 7), "CON_END");
  EXPECT_EQ(AsText(frame, 118, 7), "CON_END");
  EXPECT_TRUE(std::equal(record.Record().begin(), record.Record().end(), frame.begin() + 18));
}

TEST(FrameCodec, UpgradeFramesOfAThousandByteImage) {
  Bytes image(1000);
  std::iota(image.begin(), image.end(), 0);
  ASSERT_EQ(FrameCodec::UpgradePacketTotal(image.size()), 2);

  const Bytes first = FrameCodec::UpgradeDataFrame(std::span(image).first(512), 2, 1);
  ASSERT_EQ(first.size(), 543u);
  EXPECT_EQ(AsText(first, 0, 13), "UPGRADE_START");
  EXPECT_EQ(first[13], 0x02);
  EXPECT_EQ(first[14], 0x07);  // 519, big-endian
  EXPECT_EQ(first[15], 0x00);
  EXPECT_EQ(first[16], 0x02);  // total
  EXPECT_EQ(first[17], 0x00);
  EXPECT_EQ(first[18], 0x01);  // index
  EXPECT_EQ(first[19], image[0]);
  EXPECT_EQ(first[19 + 511], image[511]);
  EXPECT_EQ(first[19 + 512], RecordChecksum(image.data(), 512));
  EXPECT_EQ(AsText(first, 532, 11), "UPGRADE_END");

  const Bytes second = FrameCodec::UpgradeDataFrame(std::span(image).subspan(512), 2, 2);
  ASSERT_EQ(second.size(), 31u + 488u);
  EXPECT_EQ(second[13], 0x01);
  EXPECT_EQ(second[14], 0xEF);  // 495
  EXPECT_EQ(second[18], 0x02);
  EXPECT_EQ(second[19 + 488], RecordChecksum(image.data() + 512, 488));
}

TEST(FrameCodec, UpgradeFrameEdges) {
  EXPECT_EQ(FrameCodec::UpgradePacketTotal(512), 1);
  EXPECT_EQ(FrameCodec::UpgradePacketTotal(513), 2);
  EXPECT_EQ(FrameCodec::UpgradePacketTotal(65536), 128);
  EXPECT_EQ(FrameCodec::UpgradePacketTotal(0), 0);

  const Bytes one = {0xAB};
  const Bytes frame = FrameCodec::UpgradeDataFrame(one, 2, 2);
  ASSERT_EQ(frame.size(), 32u);
  EXPECT_EQ(frame[14], 8);  // length 1 + 7
  EXPECT_EQ(frame[20], 0xAB);  // checksum of one byte is the byte

  // Index and total above 255 use both bytes.
  const Bytes big = FrameCodec::UpgradeDataFrame(one, 0x0102, 0x0201);
  EXPECT_EQ(big[15], 0x01);
  EXPECT_EQ(big[16], 0x02);
  EXPECT_EQ(big[17], 0x02);
  EXPECT_EQ(big[18], 0x01);

  // More than 512 bytes never makes a packet longer than a full one.
  const Bytes tooMuch(600, 1);
  EXPECT_EQ(FrameCodec::UpgradeDataFrame(tooMuch, 1, 1).size(), 543u);
}

TEST(FrameCodec, UpgradeStatusBodies) {
  const std::uint8_t eight = 0x08, ff = 0xFF, x86 = 0x86;
  const std::uint8_t two[] = {0x00, 0x00};
  EXPECT_EQ(FrameCodec::ParseUpgradeStatus(&eight, 1), 8);
  EXPECT_EQ(FrameCodec::ParseUpgradeStatus(&ff, 1), -1);
  EXPECT_EQ(FrameCodec::ParseUpgradeStatus(&x86, 1), -122);
  EXPECT_EQ(FrameCodec::ParseUpgradeStatus(two, 2), 3);
  EXPECT_EQ(FrameCodec::ParseUpgradeStatus(two, 0), 3);

  const Bytes response = FrameCodec::UpgradeStatusResponse(8);
  ASSERT_EQ(response.size(), 25u);
  EXPECT_EQ(AsText(response, 0, 13), "UPGRADE_START");
  EXPECT_EQ(response[13], 8);
  EXPECT_EQ(AsText(response, 14, 11), "UPGRADE_END");
}

TEST(FrameCodec, ParameterResponseLayout) {
  ConfigRecord record;
  record.Set(field::device_name, "Modem");
  record.SetChecksum(RecordChecksum(record.Record()));
  const Bytes r = FrameCodec::ParameterResponse(record.Block());
  ASSERT_EQ(r.size(), 1651u);
  EXPECT_EQ(AsText(r, 0, 15), "MDM_STAall_para");
  EXPECT_EQ(r[15 + 451], 'M');
  EXPECT_EQ(r[1643], record.Checksum());
  EXPECT_EQ(AsText(r, 1644, 7), "MDM_END");
}

}  // namespace
}  // namespace telvaro
