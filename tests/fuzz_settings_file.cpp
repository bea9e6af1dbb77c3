// Fuzz target: the settings-file loader (Import, telvaro-cli write/dump/diff)
// on arbitrary file contents, and the import that keeps the device's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "operations/settings_file.h"
#include "protocol/record_checksum.h"
#include "tests/fuzz_file_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace telvaro;
  const std::string& path = fuzz::ScratchPath("settings");
  if (!fuzz::WriteScratch(path, data, size)) return 0;
  const SettingsFileRead read = ReadSettingsFile(path);
  // Exactly one of a record and a reason; a record only from a 1629-byte
  // file whose last byte is the sum of the others.
  if (read.record.has_value() == !read.message.empty()) std::abort();
  if (read.record) {
    if (size != ConfigRecord::kBlockSize) std::abort();
    if (RecordChecksum(data, ConfigRecord::kSize) != data[ConfigRecord::kSize]) std::abort();
    ConfigRecord device;
    device.ImportKeepingDeviceBytes(read.record->Block());
  }
  return 0;
}
