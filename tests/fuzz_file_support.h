// For fuzz targets whose subject reads a file: each input is written to a
// file of this process's own, which the subject then reads.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace telvaro::fuzz {

inline const std::string& ScratchPath(const char* name) {
  // Memory-backed where there is such a place: thousands of files a second.
  static const std::string dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  static const std::string path = dir + "/telvaro-fuzz-" + name + "-" + std::to_string(::getpid());
  return path;
}

inline bool WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace telvaro::fuzz
