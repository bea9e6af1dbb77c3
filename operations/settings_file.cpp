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

SettingsFileWrite Failed(const char* message, int error) { return {message, std::strerror(error), error}; }

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
long WriteSome(int fd, const std::uint8_t* data, std::size_t n) { return static_cast<long>(::write(fd, data, n)); }
bool FlushToDisk(int fd) { return ::fsync(fd) == 0; }
int CloseFd(int fd) { return ::close(fd); }
bool ReplaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }
int ProcessId() { return static_cast<int>(::getpid()); }
#endif

// A short name beside `path` that no one else is using (process, a counter,
// the attempt): a long valid name never becomes too long for its temporary.
std::string TemporaryBeside(const std::string& path, int attempt) {
  static std::atomic<unsigned> counter{0};
  char name[40];
  std::snprintf(name, sizeof name, ".tlv%x.%x.%x", static_cast<unsigned>(ProcessId()), counter++,
                static_cast<unsigned>(attempt));
#ifdef _WIN32
  const std::size_t slash = path.find_last_of("/\\");
#else
  const std::size_t slash = path.rfind('/');
#endif
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

// 0 when every byte went out, else the system's error.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const long n = WriteSome(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    written += static_cast<std::size_t>(n);
  }
  return 0;
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
      result.detail = FileReadFailureText(file);
      return result;
    }
  }
}

SettingsFileWrite CreateSettingsFile(const std::string& path, ConfigRecord& record) {
  record.SetChecksum(RecordChecksum(record.Record()));
#ifdef _WIN32
  const int fd = CreateNew(path);
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
#endif
  if (fd < 0) return Failed(kSettingsOpenFailed, errno);
  int error = WriteAll(fd, record.Block());
  if (error == 0 && !FlushToDisk(fd)) error = errno;
  if (CloseFd(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    std::remove(path.c_str());  // ours: made above, never an earlier file
    return Failed(kSettingsWriteFailed, error);
  }
  return {};
}

SettingsFileWrite WriteSettingsFile(const std::string& path, ConfigRecord& record) {
  record.SetChecksum(RecordChecksum(record.Record()));
  // The record carries the SIM PIN and passwords: a new file is 0600.
  return SaveFileSafely(path, record.Block(), 0600);
}

#ifdef _WIN32
SettingsFileWrite SaveFileSafely(const std::string& path, std::span<const std::uint8_t> block, unsigned, bool) {
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = TemporaryBeside(path, attempt);
    fd = CreateNew(temporary);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return Failed(kSettingsOpenFailed, errno);
  int error = WriteAll(fd, block);
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
#else
namespace {

// What the path finally names: a symbolic link is written through, so the
// file it points to is replaced and the link itself stays.
struct SaveTarget {
  std::string path;       // the file to replace, every link followed
  bool exists = false;
  struct stat info {};
  int error = 0;          // why the path cannot be followed (ELOOP...)
};

SaveTarget ResolveTarget(const std::string& path) {
  constexpr int kMaxLinks = 40;  // the system's own limit
  SaveTarget target;
  target.path = path;
  for (int links = 0;; ++links) {
    struct stat info {};
    if (::lstat(target.path.c_str(), &info) != 0) {
      if (errno != ENOENT) target.error = errno;
      return target;  // a new file (or a dangling link's new target)
    }
    if (!S_ISLNK(info.st_mode)) {
      target.exists = true;
      target.info = info;
      return target;
    }
    if (links == kMaxLinks) {
      target.error = ELOOP;
      return target;
    }
    std::string link(4096, '\0');
    const ssize_t n = ::readlink(target.path.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
      target.error = n < 0 ? errno : ENAMETOOLONG;
      return target;
    }
    link.resize(static_cast<std::size_t>(n));
    const std::size_t slash = target.path.rfind('/');
    const bool relative = link.empty() || link[0] != '/';
    target.path = relative && slash != std::string::npos ? target.path.substr(0, slash + 1) + link : link;
  }
}

// Why a path that exists cannot be replaced by a settings file.
const char* NotAFileReason(mode_t mode) {
  if (S_ISDIR(mode)) return "is a directory";
  if (S_ISFIFO(mode)) return "a FIFO, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
  return "not a regular file";
}

// Rewrites an existing file where it is, for a folder that cannot take a new
// file: the earlier content is held in memory and put back if the new one
// cannot be written whole.
SettingsFileWrite WriteInPlace(const SaveTarget& target, std::span<const std::uint8_t> block) {
  const int fd = ::open(target.path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return Failed(kSettingsOpenFailed, errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return {kSettingsOpenFailed, "not a regular file"};
  }
  const FileReadResult earlier = ReadRegularFile(target.path, static_cast<std::size_t>(info.st_size));
  if (!earlier.ok()) {
    ::close(fd);
    return {kSettingsOpenFailed, FileReadFailureText(earlier)};
  }
  const auto put = [fd](std::span<const std::uint8_t> bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return errno;
    if (const int error = WriteAll(fd, bytes); error != 0) return error;
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return errno;
    return FlushToDisk(fd) ? 0 : errno;
  };
  const int error = put(block);
  if (error != 0) (void)put(earlier.bytes);
  ::close(fd);
  return error != 0 ? Failed(kSettingsWriteFailed, error) : SettingsFileWrite{};
}

}  // namespace

SettingsFileWrite SaveFileSafely(const std::string& path, std::span<const std::uint8_t> block, unsigned newFileMode,
                                 bool ownerOnly) {
  const SaveTarget target = ResolveTarget(path);
  if (target.error != 0) return Failed(kSettingsOpenFailed, target.error);
  // Only a regular file is replaced: a device node, a FIFO or a folder in
  // its place stays what it is.
  if (target.exists && !S_ISREG(target.info.st_mode)) return {kSettingsWriteFailed, NotAFileReason(target.info.st_mode)};

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = TemporaryBeside(target.path, attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(newFileMode));
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    const int error = errno;
    // A folder that takes no new file, but a file in it that may be written.
    // Opening it for writing is what says whether it may be written.
    if (target.exists && (error == EACCES || error == EPERM || error == EROFS || error == EDQUOT || error == ENOSPC))
      return WriteInPlace(target, block);
    return Failed(kSettingsOpenFailed, error);
  }
  int error = WriteAll(fd, block);
  if (error == 0 && target.exists) {
    // The earlier file's permission bits stay, and its owner when we may give it.
    const mode_t bits = target.info.st_mode & (ownerOnly ? 07700 : 07777);
    if (::fchmod(fd, bits) != 0) error = errno;
    if (error == 0 && ::geteuid() == 0 && ::fchown(fd, target.info.st_uid, target.info.st_gid) != 0) error = errno;
  }
  if (error == 0 && !FlushToDisk(fd)) error = errno;
  if (CloseFd(fd) != 0 && error == 0) error = errno;
  // Only a complete file replaces the operator's earlier one.
  if (error == 0 && !ReplaceFile(temporary, target.path)) error = errno;
  if (error != 0) {
    std::remove(temporary.c_str());
    return Failed(kSettingsWriteFailed, error);
  }
  return {};
}
#endif

}  // namespace telvaro
