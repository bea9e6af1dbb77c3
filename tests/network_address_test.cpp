// Network port addresses and the RFC 2217 Telnet framing, bytes only.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "link/network_address.h"
#include "link/port_map.h"
#include "link/telnet_com_port.h"

namespace telvaro {
namespace {

using Bytes8 = std::vector<std::uint8_t>;

TEST(NetworkAddress, SchemesHostsAndPortsAreReadAndAnythingElseRefused) {
  const auto raw = ParseNetworkAddress("tcp://10.0.0.7:4001");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->mode, NetworkMode::Raw);
  EXPECT_EQ(raw->host, "10.0.0.7");
  EXPECT_EQ(raw->service, "4001");
  const auto telnet = ParseNetworkAddress("rfc2217://[fe80::1%eth0]:2217");
  ASSERT_TRUE(telnet);
  EXPECT_EQ(telnet->mode, NetworkMode::Rfc2217);
  EXPECT_EQ(telnet->host, "fe80::1%eth0");
  EXPECT_EQ(ParseNetworkAddress("rfc2217://server.plant.local:65535")->host, "server.plant.local");
  for (const char* bad : {"tcp://host", "tcp://:4001", "tcp://host:0", "tcp://host:65536", "tcp://host:40x",
                          "tcp://::1:4001", "tcp://[::1]4001", "tcp://host:4001/x", "udp://host:4001",
                          "/dev/ttyUSB0", "tcp://a b:1"})
    EXPECT_FALSE(ParseNetworkAddress(bad)) << bad;
  EXPECT_TRUE(IsNetworkAddress("tcp://host"));
  EXPECT_FALSE(IsNetworkAddress("/dev/tcp"));

  // A COM number names an address as it names a device path.
  PortMap map;
  EXPECT_EQ(map.AddPairs("COM5=tcp://10.0.0.7:4001;COM6=rfc2217://[::1]:2217"), "");
  EXPECT_EQ(map.PathFor(5), "tcp://10.0.0.7:4001");
  EXPECT_EQ(map.ComFor("rfc2217://[::1]:2217"), 6);
}

TEST(TelnetComPort, DataIsEscapedAndUnescapedAcrossSplitReads) {
  Bytes8 out;
  const Bytes8 data = {0x41, 0xFF, 0x00, 0xFF, 0xFF};
  TelnetComPort::Escape(data.data(), data.size(), out);
  EXPECT_EQ(out, (Bytes8{0x41, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));

  // Fed one byte at a time, with a command and a subnegotiation in between.
  Bytes8 stream = out;
  const Bytes8 notify = {255, 250, 44, 107, 0x30, 0xFF, 0xFF, 255, 240, 255, 241};
  stream.insert(stream.begin() + 3, notify.begin(), notify.end());
  TelnetComPort codec;
  Bytes8 got, reply;
  for (std::uint8_t b : stream) codec.Feed(&b, 1, got, reply);
  EXPECT_EQ(got, data);
  EXPECT_TRUE(reply.empty());
}

TEST(TelnetComPort, OpeningSetsTheLineAndNegotiationIsAnsweredOnceWithoutLoops) {
  TelnetComPort codec;
  const Bytes8 opening = codec.Opening(115200);
  const auto has = [&opening](const Bytes8& part) {
    return std::search(opening.begin(), opening.end(), part.begin(), part.end()) != opening.end();
  };
  EXPECT_TRUE(has({255, 251, 44}));                                 // WILL COM-PORT-OPTION
  EXPECT_TRUE(has({255, 250, 44, 1, 0x00, 0x01, 0xC2, 0x00, 255, 240}));  // 115200 baud
  EXPECT_TRUE(has({255, 250, 44, 2, 8, 255, 240}));                 // 8 data bits
  EXPECT_TRUE(has({255, 250, 44, 3, 1, 255, 240}));                 // no parity
  EXPECT_TRUE(has({255, 250, 44, 4, 1, 255, 240}));                 // 1 stop bit
  EXPECT_TRUE(has({255, 250, 44, 5, 1, 255, 240}));                 // no flow control
  EXPECT_TRUE(has({255, 250, 44, 12, 3, 255, 240}));                // purge both buffers
  EXPECT_EQ(TelnetComPort::Purge(1), (Bytes8{255, 250, 44, 12, 1, 255, 240}));

  Bytes8 data, reply;
  // Already agreed: no answer. Echo and unknown options: refused once.
  const Bytes8 server = {255, 253, 44, 255, 251, 0, 255, 251, 1, 255, 253, 24, 255, 251, 3};
  codec.Feed(server.data(), server.size(), data, reply);
  EXPECT_EQ(reply, (Bytes8{255, 254, 1, 255, 252, 24}));
  reply.clear();
  const Bytes8 dont = {255, 254, 0, 255, 254, 0};
  codec.Feed(dont.data(), dont.size(), data, reply);
  EXPECT_EQ(reply, (Bytes8{255, 252, 0}));
  EXPECT_TRUE(data.empty());

  const Bytes8 ack = {255, 250, 44, 101, 0x00, 0x00, 0x25, 0x80, 255, 240};
  codec.Feed(ack.data(), ack.size(), data, reply);
  EXPECT_EQ(codec.ServerBaudRate(), 9600u);
}

}  // namespace
}  // namespace telvaro
