// Settings files on disk: a save that cannot finish keeps the earlier file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "operations/settings_file.h"

namespace telvaro {
namespace {

#ifndef _WIN32
std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SettingsFile, ASaveThatRunsOutOfSpaceKeepsTheEarlierFileAndSaysSo) {
  const auto dir = std::filesystem::temp_directory_path() / ("telvaro-save-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "site.bin").string();
  ConfigRecord earlier;
  earlier.Set(field::device_name, "earlier");
  ASSERT_TRUE(WriteSettingsFile(path, earlier).ok());
  const std::string before = Contents(path);
  ASSERT_EQ(before.size(), ConfigRecord::kBlockSize);

  // In a child whose files may not grow past 1000 bytes: the disk is "full"
  // half-way through the block.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ConfigRecord later;
    later.Set(field::device_name, "later");
    const SettingsFileWrite written = WriteSettingsFile(path, later);
    ::_exit(written.ok() ? 0 : written.message == kSettingsWriteFailed ? 3 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);  // reported, not passed for success
  EXPECT_EQ(Contents(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file left
  std::filesystem::remove_all(dir);
}
#endif

}  // namespace
}  // namespace telvaro
