#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "base/receive_buffer.h"

namespace telvaro {
namespace {

TEST(ReceiveBuffer, ChunksThatWouldFillItAreDroppedWhole) {
  ReceiveBuffer buffer;
  std::vector<std::uint8_t> chunk(3000);
  std::iota(chunk.begin(), chunk.end(), 0);
  ASSERT_TRUE(buffer.Append(chunk.data(), chunk.size()));

  const std::vector<std::uint8_t> hundred(100, 0xEE);
  EXPECT_FALSE(buffer.Append(hundred.data(), hundred.size()));
  EXPECT_EQ(buffer.FillCount(), 3000u);

  const std::vector<std::uint8_t> seventyTwo(72, 0xDD);
  EXPECT_FALSE(buffer.Append(seventyTwo.data(), seventyTwo.size()));  // would reach 3072

  const std::vector<std::uint8_t> seventyOne(71, 0xCC);
  EXPECT_TRUE(buffer.Append(seventyOne.data(), seventyOne.size()));
  EXPECT_EQ(buffer.FillCount(), 3071u);

  const std::uint8_t one = 1;
  EXPECT_FALSE(buffer.Append(&one, 1));

  const auto snapshot = buffer.TakeSnapshot();
  ASSERT_EQ(snapshot.size(), 3071u);
  EXPECT_TRUE(std::equal(chunk.begin(), chunk.end(), snapshot.begin()));
  EXPECT_EQ(snapshot[3000], 0xCC);
  EXPECT_EQ(snapshot[3070], 0xCC);
  EXPECT_EQ(buffer.FillCount(), 0u);

  // Empty again: a single chunk of 3071 fits, one of 3072 never does.
  std::vector<std::uint8_t> big(3072, 7);
  EXPECT_FALSE(buffer.Append(big.data(), big.size()));
  EXPECT_TRUE(buffer.Append(big.data(), 3071));
  EXPECT_TRUE(buffer.TakeSnapshot().size() == 3071u);
  EXPECT_TRUE(buffer.TakeSnapshot().empty());
}

}  // namespace
}  // namespace telvaro
