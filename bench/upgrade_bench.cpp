// Times a 65536-byte firmware upgrade against the simulated modem (answers at
// their real wire time), with the default pacing and in fast mode, and prints
// each beside the protocol's own bound and the wire time alone. The same
// packet flow the window and telvaro-cli run.
#include <chrono>
#include <cstdio>
#include <vector>

#include "operations/modem_client.h"
#include "sim/modem_sim.h"

namespace {

using namespace telvaro;

class Quiet : public ModemEvents {
 public:
  void DispatchMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
};

}  // namespace

int main() {
  sim::SimOptions options;
  options.wirePacing = true;
  sim::ModemSimulator modem(options);
  if (!modem.Start()) return 1;
  PortMap ports;
  ports.AddPair("COM50=" + modem.DevicePath());
  Quiet quiet;
  ModemClient client(ports, &quiet);
  if (!client.Open(50)) return 1;

  std::vector<std::uint8_t> image(65536);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + i / 512);
  const double byteMs = 10.0 / 115200 * 1000;
  const double frameWireMs = 543 * byteMs;
  const double answerWireMs = 25 * byteMs;
  const double wire = 128 * (frameWireMs + answerWireMs) / 1000;
  bool allGood = true;
  // The default pacing first, then fast mode, in one run against one modem.
  for (const int gapMs : {UpgradeFlow::kPacketGapMs, 0}) {
    UpgradeHooks hooks;
    hooks.packetGapMs = gapMs;
    const auto start = std::chrono::steady_clock::now();
    const Result<int> upgraded = client.Upgrade(image, hooks);
    const int result = upgraded ? upgraded.value() : client.State().upgradeResult.load();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    allGood = allGood && (result == 0 || result == 8);
    const double bound = (3000 + 128 * (frameWireMs + answerWireMs) + 127.0 * gapMs) / 1000;
    std::printf("65536-byte upgrade, %s: %.1f s, result %d (%s)\n", gapMs ? "default (200 ms gap)" : "--fast",
                seconds, result, std::string(UpgradeStatusText(result)).c_str());
    std::printf("  protocol bound: %.1f s = 3 s loader start + 128 x (%.1f + %.1f ms wire) + 127 x %d ms gap\n",
                bound, frameWireMs, answerWireMs, gapMs);
  }
  std::printf("  wire time alone (packets and answers): %.1f s\n", wire);
  client.Close();
  return allGood ? 0 : 1;
}
