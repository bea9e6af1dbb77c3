#include "operations/file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace telvaro {
namespace {

#ifdef _WIN32
// Windows has no FIFOs in the file system and opening a directory fails, but
// a device name (NUL, COM1, CON) opens: stat() says those are not regular.
int OpenForReading(const char* path) { return ::_open(path, _O_RDONLY | _O_BINARY); }
long ReadSome(int fd, std::uint8_t* buffer, std::size_t n) {
  return ::_read(fd, buffer, static_cast<unsigned>(n > 1u << 20 ? 1u << 20 : n));
}
void CloseFile(int fd) { ::_close(fd); }
using Stat = struct _stat64;
int StatOf(int fd, Stat* st) { return ::_fstat64(fd, st); }
#else
int OpenForReading(const char* path) { return ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }
long ReadSome(int fd, std::uint8_t* buffer, std::size_t n) { return static_cast<long>(::read(fd, buffer, n)); }
void CloseFile(int fd) { ::close(fd); }
using Stat = struct stat;
int StatOf(int fd, Stat* st) { return ::fstat(fd, st); }
#endif

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) CloseFile(fd);
  }
};

}  // namespace

FileReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  FileReadResult result;
#ifdef _WIN32
  // Ask first: opening a device name such as COM1 could take the port.
  Stat before{};
  if (::_stat64(path.c_str(), &before) != 0) {
    result.error = errno;
    return result;
  }
  if ((before.st_mode & _S_IFMT) != _S_IFREG) {
    result.status = FileReadStatus::NotRegularFile;
    return result;
  }
#endif
  const FdCloser file{OpenForReading(path.c_str())};
  if (file.fd < 0) {
    result.error = errno;
    // Opening a directory for reading fails only on some systems; say why.
    Stat st{};
#ifdef _WIN32
    if (::_stat64(path.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) != _S_IFREG)
#else
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
#endif
      result.status = FileReadStatus::NotRegularFile;
    return result;
  }
  Stat st{};
  if (StatOf(file.fd, &st) != 0) return result;
#ifdef _WIN32
  const bool regular = (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  const bool regular = S_ISREG(st.st_mode);
#endif
  if (!regular) {
    result.status = FileReadStatus::NotRegularFile;
    return result;
  }
  result.size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  // One byte past the limit tells a file that grew since fstat, or one whose
  // size the system does not report, from one that fits.
  const std::size_t want = maxBytes + 1;
  result.bytes.resize(result.size < want ? static_cast<std::size_t>(result.size) + 1 : want);
  std::size_t got = 0;
  while (got < result.bytes.size()) {
    const long n = ReadSome(file.fd, result.bytes.data() + got, result.bytes.size() - got);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = errno;
      result.bytes.clear();
      result.size = 0;
      return result;  // CannotOpen: the read itself failed
    }
    got += static_cast<std::size_t>(n);
    if (got == result.bytes.size() && got < want) result.bytes.resize(std::min(want, got * 2));
  }
  result.bytes.resize(got);
  if (got > maxBytes) {
    result.bytes.resize(maxBytes);
    result.status = FileReadStatus::TooLong;
    if (result.size <= maxBytes) result.size = got;  // grew while read: at least this long
    return result;
  }
  result.size = got;
  result.status = FileReadStatus::Ok;
  return result;
}

const char* FileReadStatusText(FileReadStatus status) {
  switch (status) {
    case FileReadStatus::Ok: return "ok";
    case FileReadStatus::CannotOpen: return "cannot be opened";
    case FileReadStatus::NotRegularFile: return "not a regular file";
    case FileReadStatus::TooLong: return "too long";
  }
  return "cannot be opened";
}

std::string FileReadFailureText(const FileReadResult& result) {
  std::string text = FileReadStatusText(result.status);
  if (result.status == FileReadStatus::CannotOpen && result.error != 0) text += std::string(": ") + std::strerror(result.error);
  return text;
}

}  // namespace telvaro
