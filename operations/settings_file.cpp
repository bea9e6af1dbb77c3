#include "operations/settings_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "operations/file_input.h"
#include "protocol/record_checksum.h"

namespace telvaro {
namespace {

constexpr std::size_t kReadLimit = 4096;

SettingsFileWrite Failed(const char* message, int error) { return {message, std::strerror(error)}; }

#ifdef _WIN32
int CreateNew(const std::string& path) {
  return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long WriteSome(int fd, const std::uint8_t* data, std::size_t n) { return ::_write(fd, data, static_cast<unsigned>(n)); }
bool FlushToDisk(int fd) { return ::_commit(fd) == 0; }
int CloseFd(int fd) { return ::_close(fd); }
bool ReplaceFile(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
int ProcessId() { return ::_getpid(); }
#else
int CreateNew(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
long WriteSome(int fd, const std::uint8_t* data, std::size_t n) { return static_cast<long>(::write(fd, data, n)); }
bool FlushToDisk(int fd) { return ::fsync(fd) == 0; }
int CloseFd(int fd) { return ::close(fd); }
bool ReplaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }
int ProcessId() { return static_cast<int>(::getpid()); }
#endif

// A name beside the target that no one else is using.
std::string TemporaryName(const std::string& path, int attempt) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(attempt);
}

}  // namespace

SettingsFileRead ParseSettingsFile(std::span<const std::uint8_t> bytes) {
  SettingsFileRead result;
  if (bytes.size() != ConfigRecord::kBlockSize) {
    result.message = kSettingsBadLength;
    result.detail = std::to_string(bytes.size()) + " bytes; a settings file has exactly " +
                    std::to_string(ConfigRecord::kBlockSize);
    return result;
  }
  const std::uint8_t sum = RecordChecksum(bytes.data(), ConfigRecord::kSize);
  if (sum != bytes[ConfigRecord::kSize]) {
    result.message = kSettingsBadChecksum;
    result.detail = "the last byte does not match the sum of the record";
    return result;
  }
  ConfigRecord record;
  record.ReplaceFrom(bytes);
  result.record = record;
  return result;
}

bool IsSettingsFile(std::span<const std::uint8_t> bytes) { return ParseSettingsFile(bytes).record.has_value(); }

std::string NotAFirmwareImageText(const std::string& name) {
  return name + " is a settings file, not a firmware image";
}

SettingsFileRead ReadSettingsFile(const std::string& path) {
  const FileReadResult file = ReadRegularFile(path, kReadLimit);
  switch (file.status) {
    case FileReadStatus::Ok:
      return ParseSettingsFile(file.bytes);
    case FileReadStatus::TooLong: {
      SettingsFileRead result;
      result.message = kSettingsBadLength;
      result.detail = std::to_string(file.size) + " bytes; a settings file has exactly " +
                      std::to_string(ConfigRecord::kBlockSize);
      return result;
    }
    default: {
      SettingsFileRead result;
      result.message = kSettingsOpenFailed;
      result.detail = FileReadStatusText(file.status);
      return result;
    }
  }
}

SettingsFileWrite WriteSettingsFile(const std::string& path, ConfigRecord& record) {
  record.SetChecksum(RecordChecksum(record.Record()));
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = TemporaryName(path, attempt);
    fd = CreateNew(temporary);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return Failed(kSettingsOpenFailed, errno);

  const auto block = record.Block();
  std::size_t written = 0;
  int error = 0;
  while (written < block.size()) {
    const long n = WriteSome(fd, block.data() + written, block.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (error == 0 && !FlushToDisk(fd)) error = errno;
  if (CloseFd(fd) != 0 && error == 0) error = errno;
  // Only a complete file replaces the operator's earlier one.
  if (error == 0 && !ReplaceFile(temporary, path)) error = errno;
  if (error != 0) {
    std::remove(temporary.c_str());
    return Failed(kSettingsWriteFailed, error);
  }
  return {};
}

}  // namespace telvaro
