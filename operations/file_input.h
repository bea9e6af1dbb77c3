// Reading an operator-named file without trusting it: a directory, a FIFO or
// a device is refused without blocking, and no more than a given number of
// bytes is ever read, so /dev/zero or a 100 MB file cannot exhaust memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace telvaro {

enum class FileReadStatus {
  Ok,             // the whole file is in bytes
  CannotOpen,     // missing, no permission, or a read error
  NotRegularFile, // directory, FIFO, device, socket
  TooLong,        // bytes holds the first maxBytes; size says how long it is
};

struct FileReadResult {
  FileReadStatus status = FileReadStatus::CannotOpen;
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;  // the file's length when known (Ok or TooLong)
  int error = 0;           // the system's error number behind CannotOpen, when there is one

  bool ok() const { return status == FileReadStatus::Ok; }
};

// Opens without blocking (a FIFO with no writer would otherwise hang the
// open), checks the opened file is a regular one, then reads up to maxBytes.
// A file longer than that is TooLong: the caller decides whether the first
// maxBytes are of any use.
FileReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes);

// A short operator-facing reason for a refusal ("not a regular file" ...).
const char* FileReadStatusText(FileReadStatus status);
// The same with the system's reason beside it: "cannot be opened: Permission
// denied", "cannot be opened: Too many levels of symbolic links".
std::string FileReadFailureText(const FileReadResult& result);

}  // namespace telvaro
