// The files of a fleet run: the units file (CSV with a header, a "port"
// column and one column per value) and the report (CSV, or JSON when its
// name ends in ".json"), which a later run resumes from.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "fleet/fleet.h"

namespace telvaro {

// A file that cannot be used; its text names the file and, where it helps,
// the line.
struct FleetFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A units file or a report is a regular file of at most this many bytes.
inline constexpr std::size_t kMaxFleetFileBytes = 4u << 20;

// The units of a units file, rows numbered from 1 after the header. Ports are
// resolved into `ports`. An "imei" column also names the modem each unit
// must be. `path` names the file in messages.
std::vector<Unit> ReadUnitsFile(const std::string& path, PortMap& ports);
std::vector<Unit> ParseUnits(std::string text, const std::string& path, PortMap& ports);

// Rows as CSV text (the header first), fields quoted where they need it.
std::string CsvText(const std::vector<std::vector<std::string>>& rows);

// The results listed in a report; an absent file lists none.
std::vector<UnitResult> ReadReport(const std::string& path);
std::vector<UnitResult> ParseReport(const std::string& text, const std::string& path);

// The report's text: CSV, or JSON for a path ending in ".json".
std::string ReportText(const std::string& path, const std::vector<UnitResult>& results);

// Replaces the report with `results` through the safe save (mode 0600 when
// new): a run stopped while writing leaves the earlier report whole.
void WriteReport(const std::string& path, const std::vector<UnitResult>& results);

// Why the report cannot go to `path` (a folder, a device, a folder that is
// missing or takes no file), or "".
std::string ReportDestinationProblem(const std::string& path);

// An earlier report at `path` renamed with its time beside it
// ("REPORT-20261208T064012Z.csv"); the new name, or "" when there was none.
std::string KeepEarlierReport(const std::string& path);

// Why `earlier` is not a report of these units (a row the units do not have,
// or on another port, or of another modem than the row's "imei"), or "".
std::string ReportMismatch(const std::vector<Unit>& units, const std::vector<UnitResult>& earlier);

// The row of `earlier` that lists `unit` as ok: same row, same port, and the
// IMEI the units file wants, if any.
const UnitResult* OkBefore(const Unit& unit, const std::vector<UnitResult>& earlier);

}  // namespace telvaro
