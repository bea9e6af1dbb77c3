// The files of a fleet run: the units file (CSV with a header, a "port"
// column and one column per value) and the report (CSV, or JSON when its
// name ends in ".json"), which a later run resumes from.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "cli/fleet.h"

namespace telvaro {

// A file that cannot be used; its text names the file and, where it helps,
// the line.
struct FleetFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The units of a units file, rows numbered from 1 after the header. Ports are
// resolved into `ports`. An "imei" column also names the modem each unit
// must be.
std::vector<Unit> ReadUnitsFile(const std::string& path, PortMap& ports);

// Rows as CSV text (the header first), fields quoted where they need it.
std::string CsvText(const std::vector<std::vector<std::string>>& rows);

// The results listed in a report; an absent file lists none.
std::vector<UnitResult> ReadReport(const std::string& path);

// Replaces the report with `results`, atomically: a run stopped while writing
// leaves the earlier report whole.
void WriteReport(const std::string& path, const std::vector<UnitResult>& results);

// True when `earlier` lists `unit` as ok: by the unit's IMEI when the units
// file gives one, by its row otherwise.
bool AlreadyOk(const Unit& unit, const std::vector<UnitResult>& earlier);

}  // namespace telvaro
