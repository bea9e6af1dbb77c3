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

// A folder where no new file can be made (a shared folder the operator may
// only write files in): the writable file is rewritten in place, not refused.
TEST(SettingsFile, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
  const auto dir = std::filesystem::temp_directory_path() / ("telvaro-inplace-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "site.bin").string();
  std::ofstream(path) << "earlier";
  std::filesystem::permissions(path, std::filesystem::perms::all);
  // Readable by all (the test's user keeps its group when it drops to nobody).
  std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                        std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  ConfigRecord later;
  later.Set(field::device_name, "later");
  // Root may make files anywhere: the save runs as an ordinary user then.
  const bool asRoot = ::geteuid() == 0;
  if (asRoot) {
    ASSERT_EQ(::seteuid(65534), 0);
  }
  const SettingsFileWrite written = WriteSettingsFile(path, later);
  if (asRoot) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  EXPECT_TRUE(written.ok()) << written.message << " " << written.detail;
  const SettingsFileRead read = ReadSettingsFile(path);
  ASSERT_TRUE(read.record.has_value());
  EXPECT_EQ(read.record->Get(field::device_name), "later");
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
  std::filesystem::remove_all(dir);
}
#endif

}  // namespace
}  // namespace telvaro
