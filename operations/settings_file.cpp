#include "operations/settings_file.h"

#include <array>
#include <cstdio>
#include <memory>

#include "protocol/record_checksum.h"

namespace telvaro {
namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
constexpr std::size_t kReadLimit = 4096;
}  // namespace

SettingsFileRead ReadSettingsFile(const std::string& path) {
  SettingsFileRead result;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    result.message = kSettingsOpenFailed;
    return result;
  }
  std::array<std::uint8_t, kReadLimit> bytes{};
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (n != ConfigRecord::kBlockSize) {
    result.message = kSettingsBadLength;
    return result;
  }
  if (RecordChecksum(bytes.data(), ConfigRecord::kSize) != bytes[ConfigRecord::kSize]) {
    result.message = kSettingsBadChecksum;
    return result;
  }
  ConfigRecord record;
  record.ReplaceFrom(std::span(bytes.data(), ConfigRecord::kBlockSize));
  result.record = record;
  return result;
}

std::string WriteSettingsFile(const std::string& path, ConfigRecord& record) {
  record.SetChecksum(RecordChecksum(record.Record()));
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return kSettingsOpenFailed;
  const auto block = record.Block();
  const bool written = std::fwrite(block.data(), 1, block.size(), file.get()) == block.size();
  const bool closed = std::fclose(file.release()) == 0;
  return written && closed ? std::string() : std::string(kSettingsWriteFailed);
}

}  // namespace telvaro
