// Fuzz target: the units file and the report a fleet run resumes from (CSV,
// or JSON when the first byte is odd). Whatever is read must be units with a
// row and a port, and a report read back from its own text must list the
// very same results.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fleet/fleet_files.h"

namespace {

bool SameResults(const std::vector<telvaro::UnitResult>& a, const std::vector<telvaro::UnitResult>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].row != b[i].row || a[i].port != b[i].port || a[i].imei != b[i].imei ||
        a[i].deviceName != b[i].deviceName || a[i].ok != b[i].ok || a[i].changedKeys != b[i].changedKeys ||
        a[i].reason != b[i].reason || a[i].backup != b[i].backup || a[i].start != b[i].start)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace telvaro;
  if (size == 0) return 0;
  const bool json = (data[0] & 1) != 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  try {
    PortMap ports;
    for (const Unit& unit : ParseUnits(text, "units.csv", ports))
      if (unit.row == 0 || unit.port.com <= 0 || unit.port.name.empty()) std::abort();
  } catch (const FleetFileError&) {
  }

  const std::string path = json ? "report.json" : "report.csv";
  std::vector<UnitResult> results;
  try {
    results = ParseReport(text, path);
  } catch (const FleetFileError&) {
    return 0;
  }
  // JSON holds the modem's 8-bit texts as UTF-8: only the CSV report gives
  // back the very bytes.
  if (json) return 0;
  std::vector<UnitResult> again;
  try {
    again = ParseReport(ReportText(path, results), path);
  } catch (const FleetFileError&) {
    std::abort();  // the tool's own report must always read back
  }
  if (!SameResults(results, again)) std::abort();
  return 0;
}
