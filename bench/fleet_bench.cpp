// Fleet: `telvaro-cli apply --units` against eight simulated modems that
// answer at the 115200 baud wire speed, against the same command for one of
// them; one unit's read, merge, write and read back against the time its
// frames take on the line; and a firmware campaign (`upgrade --units --fast`,
// a 64 KiB image) over four units against one.
// Usage: fleet_bench [runs]   (default 5; the simulators run in this process,
// telvaro-cli in its own)
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fleet/fleet_files.h"
#include "operations/settings_file.h"
#include "sim/modem_sim.h"

namespace {

using namespace telvaro;
using Clock = std::chrono::steady_clock;

constexpr int kUnits = 8;
// Read, Write, Read: get_syspara, its answer, set_syspara, its answer,
// get_syspara, its answer; ten bits a byte at 115200 baud.
constexpr double kLineBytes = 25 + 1651 + 1654 + 1651 + 25 + 1651;
constexpr double kLineSeconds = kLineBytes * 10 / 115200;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs apply for the first `count` units; the wall time, and the units' own
// times from the report.
double RunApply(const std::filesystem::path& dir, const std::vector<std::unique_ptr<sim::ModemSimulator>>& modems,
                int count, std::vector<double>& unitSeconds) {
  std::string csv = "port,basic.device_name\n";
  for (int i = 0; i < count; ++i)
    csv += "COM" + std::to_string(60 + i) + "=" + modems[i]->DevicePath() + ",BENCH-" + std::to_string(i) + "\n";
  std::ofstream(dir / "units.csv") << csv;
  const auto report = dir / "report.csv";
  std::filesystem::remove(report);
  const std::string command = std::string(TELVARO_CLI_PATH) + " apply " + (dir / "base.bin").string() + " --units " +
                              (dir / "units.csv").string() + " --report " + report.string() + " </dev/null >" +
                              (dir / "out").string() + " 2>&1";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "apply failed; see %s\n", (dir / "out").c_str());
    std::exit(1);
  }
  for (const UnitResult& r : ReadReport(report.string())) unitSeconds.push_back(r.seconds);
  return seconds;
}

// A firmware campaign over the first `count` units; the wall time.
double RunUpgrade(const std::filesystem::path& dir, const std::vector<std::unique_ptr<sim::ModemSimulator>>& modems,
                  int count) {
  std::string csv = "port\n";
  for (int i = 0; i < count; ++i) csv += "COM" + std::to_string(60 + i) + "=" + modems[i]->DevicePath() + "\n";
  std::ofstream(dir / "units.csv") << csv;
  const auto report = dir / "campaign.csv";
  std::filesystem::remove(report);
  const std::string command = std::string(TELVARO_CLI_PATH) + " upgrade " + (dir / "APROM.bin").string() +
                              " --fast --units " + (dir / "units.csv").string() + " --report " + report.string() +
                              " </dev/null >" + (dir / "out").string() + " 2>&1";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "upgrade failed; see %s\n", (dir / "out").c_str());
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const auto dir = std::filesystem::temp_directory_path() / ("telvaro-fleet-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::unique_ptr<sim::ModemSimulator>> modems;
  for (int i = 0; i < kUnits; ++i) {
    sim::SimOptions options;
    options.wirePacing = true;
    options.restartAfterUpgradeMs = 300;  // the new firmware answers the first Read after the image
    modems.push_back(std::make_unique<sim::ModemSimulator>(options));
    if (!modems.back()->Start()) {
      std::fprintf(stderr, "cannot start a simulator\n");
      return 1;
    }
  }
  ConfigRecord base = modems[0]->StoredRecord();
  base.Set(field::apn, "bench.apn");
  if (!WriteSettingsFile((dir / "base.bin").string(), base).ok()) return 1;

  std::vector<double> one, all, oneUnit, allUnits;
  for (int run = 0; run < runs; ++run) {
    one.push_back(RunApply(dir, modems, 1, oneUnit));
    all.push_back(RunApply(dir, modems, kUnits, allUnits));
  }
  std::string image(65536, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 31 + 7);
  std::ofstream(dir / "APROM.bin", std::ios::binary) << image;
  constexpr int kCampaignUnits = 4;
  std::vector<double> upgradeOne, upgradeAll;
  for (int run = 0; run < runs; ++run) {
    upgradeOne.push_back(RunUpgrade(dir, modems, 1));
    upgradeAll.push_back(RunUpgrade(dir, modems, kCampaignUnits));
  }
  std::filesystem::remove_all(dir);

  const double oneRun = Median(one), allRun = Median(all);
  std::printf("apply, 1 unit:  median %.3f s (min %.3f, max %.3f; %d runs)\n", oneRun,
              *std::min_element(one.begin(), one.end()), *std::max_element(one.begin(), one.end()), runs);
  std::printf("apply, %d units: median %.3f s (min %.3f, max %.3f; %d runs) = %.2f x one unit (goal 1.5)\n", kUnits,
              allRun, *std::min_element(all.begin(), all.end()), *std::max_element(all.begin(), all.end()), runs,
              allRun / oneRun);
  std::printf("one unit, open to close (report): median %.3f s alone, %.3f s among %d; line time %.3f s "
              "(%.0f bytes); %.2f x (goal 1.2)\n",
              Median(oneUnit), Median(allUnits), kUnits, kLineSeconds, kLineBytes, Median(oneUnit) / kLineSeconds);
  std::printf("upgrade --fast, 64 KiB, 1 unit:  median %.3f s (min %.3f, max %.3f; %d runs)\n", Median(upgradeOne),
              *std::min_element(upgradeOne.begin(), upgradeOne.end()),
              *std::max_element(upgradeOne.begin(), upgradeOne.end()), runs);
  std::printf("upgrade --fast, 64 KiB, %d units: median %.3f s (min %.3f, max %.3f; %d runs) = %.2f x one unit "
              "(goal 1.3)\n",
              kCampaignUnits, Median(upgradeAll), *std::min_element(upgradeAll.begin(), upgradeAll.end()),
              *std::max_element(upgradeAll.begin(), upgradeAll.end()), runs, Median(upgradeAll) / Median(upgradeOne));
  return 0;
}
