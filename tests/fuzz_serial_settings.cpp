// Fuzz target: the serial settings file (Telvaro_Pro.ini) on arbitrary
// contents. Reading never yields a selection outside its list, the file and
// its text read alike, and a value written is the value read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "operations/serial_settings.h"
#include "tests/fuzz_file_support.h"

namespace {

bool InRange(const telvaro::SerialSelections& s) {
  return s.baudRate >= 0 && s.baudRate < 8 && s.dataBits >= 0 && s.dataBits < 2 && s.parity >= 0 &&
         s.parity < 5 && s.stopBits >= 0 && s.stopBits < 2 && s.flowControl >= 0 && s.flowControl < 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace telvaro;
  // Far below the read limit, so what is written back is read back whole.
  if (size > 16 * 1024) return 0;
  const std::string& path = fuzz::ScratchPath("ini");
  if (!fuzz::WriteScratch(path, data, size)) return 0;

  const SerialSelections loaded = LoadSerialSettings(path);
  if (!InRange(loaded)) std::abort();
  if (!(ParseSerialSettings(std::string_view(reinterpret_cast<const char*>(data), size)) == loaded)) std::abort();

  // The first input byte picks the record's five settings; a Write stores
  // them and the next start must preselect exactly them.
  const std::uint8_t pick = size ? data[0] : 0;
  ConfigRecord record;
  record.Set(field::baud_index, pick % 7);  // the seven rates the reader looks for
  record.Set(field::data_bits_index, (pick >> 3) & 1);
  record.Set(field::parity_index, (pick >> 4) % 5);
  record.Set(field::stop_bits_index, (pick >> 5) & 1);
  record.Set(field::flow_control_index, (pick >> 6) & 1);
  if (SaveSerialSettings(record, path)) {
    const SerialSelections saved = LoadSerialSettings(path);
    const SerialSelections expected{pick % 7, (pick >> 3) & 1 ? 1 : 0, (pick >> 4) % 5, (pick >> 5) & 1 ? 1 : 0,
                                    (pick >> 6) & 1};
    if (!(saved == expected)) std::abort();
  }
  return 0;
}
