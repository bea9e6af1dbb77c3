#include <gtest/gtest.h>

#include <cstdlib>

#include "link/port_map.h"

namespace telvaro {
namespace {

TEST(PortMap, ComNamesParseLikeAComScan) {
  EXPECT_EQ(ParseComName("COM1"), 1);
  EXPECT_EQ(ParseComName("COM10"), 10);
  EXPECT_EQ(ParseComName("COM0"), std::nullopt);
  EXPECT_EQ(ParseComName("COM"), std::nullopt);
  EXPECT_EQ(ParseComName("com3"), std::nullopt);
  EXPECT_EQ(ParseComName("COM3x"), std::nullopt);
  EXPECT_EQ(ParseComName("COM-3"), std::nullopt);
  EXPECT_EQ(ParseComName("COM99999999999"), std::nullopt);
  EXPECT_EQ(ParseComName("LPT1"), std::nullopt);
}

TEST(PortMap, ExplicitPairsWinOverTheRuleAndBadPairsAreRefused) {
  PortMap map;
  EXPECT_TRUE(map.AddPair("COM50=/dev/pts/3"));
  EXPECT_TRUE(map.AddPair(" COM1 = /tmp/sim-link "));
  EXPECT_FALSE(map.AddPair("COM50"));
  EXPECT_FALSE(map.AddPair("COM0=/dev/x"));
  EXPECT_FALSE(map.AddPair("PORT5=/dev/x"));
  EXPECT_FALSE(map.AddPair("COM5="));
  EXPECT_EQ(map.PathFor(50), "/dev/pts/3");
  EXPECT_EQ(map.PathFor(1), "/tmp/sim-link");
  EXPECT_EQ(map.ComFor("/dev/pts/3"), 50);
  EXPECT_EQ(map.ComFor("/tmp/sim-link"), 1);

  // A later pair for the same number replaces the earlier one.
  EXPECT_TRUE(map.AddPair("COM50=/dev/pts/7"));
  EXPECT_EQ(map.PathFor(50), "/dev/pts/7");
  EXPECT_EQ(map.ComFor("/dev/pts/3"), std::nullopt);

  EXPECT_EQ(map.AddPairs("COM60=/dev/a;;COM61=/dev/b; bad ;COM62=/dev/c"), "bad");
  EXPECT_EQ(map.PathFor(60), "/dev/a");
  EXPECT_EQ(map.PathFor(62), "/dev/c");
}

TEST(PortMap, PairsFromTheEnvironment) {
#ifdef _WIN32
  _putenv_s("TELVARO_PORTS", "COM70=/dev/x;COM71=/dev/y");
#else
  setenv("TELVARO_PORTS", "COM70=/dev/x;COM71=/dev/y", 1);
#endif
  PortMap map;
  EXPECT_EQ(map.AddPairsFromEnvironment(), "");
  EXPECT_EQ(map.PathFor(71), "/dev/y");
}

#ifdef _WIN32
TEST(PortMap, WindowsDeviceNames) {
  EXPECT_EQ(PortMap::RulePathFor(9), "COM9");
  EXPECT_EQ(PortMap::RulePathFor(10), "\\\\.\\COM10");
  EXPECT_EQ(PortMap::RuleComFor("\\\\.\\COM10"), 10);
  EXPECT_EQ(PortMap::RuleComFor("COM9"), 9);
  EXPECT_EQ(PortMap::RulePathFor(0), std::nullopt);
}
#else
TEST(PortMap, PosixRuleMapsBothWays) {
  EXPECT_EQ(PortMap::RulePathFor(1), "/dev/ttyS0");
  EXPECT_EQ(PortMap::RulePathFor(4), "/dev/ttyS3");
  EXPECT_EQ(PortMap::RulePathFor(99), "/dev/ttyS98");
  EXPECT_EQ(PortMap::RulePathFor(100), "/dev/ttyUSB0");
  EXPECT_EQ(PortMap::RulePathFor(150), "/dev/ttyUSB50");
  EXPECT_EQ(PortMap::RulePathFor(200), "/dev/ttyACM0");
  EXPECT_EQ(PortMap::RulePathFor(0), std::nullopt);
  EXPECT_EQ(PortMap::RulePathFor(-3), std::nullopt);

  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyS0"), 1);
  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyUSB2"), 102);
  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyACM0"), 200);
  // Names a rule cannot give back are not ports of that rule.
  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyS99"), std::nullopt);
  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyUSB100"), std::nullopt);
  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyS"), std::nullopt);
  EXPECT_EQ(PortMap::RuleComFor("/dev/ttyS01x"), std::nullopt);
  EXPECT_EQ(PortMap::RuleComFor("/dev/pts/3"), std::nullopt);

  // Every number the rule gives a path for maps back to itself.
  for (int com = 1; com < 400; ++com) {
    const auto path = PortMap::RulePathFor(com);
    ASSERT_TRUE(path) << com;
    EXPECT_EQ(PortMap::RuleComFor(*path), com) << *path;
  }

  // A rule number taken by an explicit pair belongs to the pair's device.
  PortMap map;
  map.AddPair("COM1=/tmp/sim");
  EXPECT_EQ(map.ComFor("/dev/ttyS0"), std::nullopt);
  EXPECT_EQ(map.PathFor(2), "/dev/ttyS1");
}
#endif

}  // namespace
}  // namespace telvaro
