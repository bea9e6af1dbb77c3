#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "operations/file_input.h"

namespace telvaro {
namespace {

std::filesystem::path TempDir(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() / (std::string("telvaro-input-") + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Regular files are read whole or to the limit, with their length known.
TEST(FileInput, ReadsRegularFilesUpToTheLimit) {
  const auto dir = TempDir("regular");
  const auto path = (dir / "image.bin").string();
  std::ofstream(path, std::ios::binary) << std::string(100, 'x');

  const FileReadResult whole = ReadRegularFile(path, 100);
  EXPECT_EQ(whole.status, FileReadStatus::Ok);
  EXPECT_EQ(whole.bytes.size(), 100u);
  EXPECT_EQ(whole.size, 100u);

  const FileReadResult cut = ReadRegularFile(path, 99);
  EXPECT_EQ(cut.status, FileReadStatus::TooLong);
  EXPECT_EQ(cut.bytes.size(), 99u);
  EXPECT_EQ(cut.size, 100u);

  std::ofstream(dir / "empty.bin", std::ios::binary);
  const FileReadResult empty = ReadRegularFile((dir / "empty.bin").string(), 10);
  EXPECT_EQ(empty.status, FileReadStatus::Ok);
  EXPECT_TRUE(empty.bytes.empty());

  EXPECT_EQ(ReadRegularFile((dir / "missing.bin").string(), 10).status, FileReadStatus::CannotOpen);
  std::filesystem::remove_all(dir);
}

// A directory, a FIFO with no writer and an endless device are refused at
// once: none of them blocks or is read.
TEST(FileInput, RefusesWhatIsNotARegularFileWithoutBlocking) {
  const auto dir = TempDir("special");
  EXPECT_EQ(ReadRegularFile(dir.string(), 1024).status, FileReadStatus::NotRegularFile);
#ifndef _WIN32
  const auto fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadRegularFile(fifo, 1024).status, FileReadStatus::NotRegularFile);
  const FileReadResult zero = ReadRegularFile("/dev/zero", 1024);
  EXPECT_EQ(zero.status, FileReadStatus::NotRegularFile);
  EXPECT_TRUE(zero.bytes.empty());
  // A link to a device is judged by what it points at.
  std::filesystem::create_symlink("/dev/zero", dir / "link");
  EXPECT_EQ(ReadRegularFile((dir / "link").string(), 1024).status, FileReadStatus::NotRegularFile);
#endif
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace telvaro
