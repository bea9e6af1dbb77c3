#include "fleet/fleet_files.h"

#include <csv.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <span>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "fleet/record_text.h"
#include "operations/file_input.h"
#include "operations/settings_file.h"
#include "profile/profile.h"

namespace telvaro {
namespace {

using Table = std::vector<std::vector<std::string>>;

constexpr const char* kReportColumns[] = {"row",    "port",   "imei",   "device_name", "result",  "changed",
                                          "reason", "backup", "start",  "seconds",     "firmware", "settings"};
constexpr std::size_t kWriteColumns = 10;  // a run that writes has no firmware columns

// A regular file of bounded size only: a FIFO, a device or /dev/zero is
// refused without blocking or filling memory.
std::string Slurp(const std::string& path) {
  const FileReadResult file = ReadRegularFile(path, kMaxFleetFileBytes);
  if (file.status == FileReadStatus::TooLong)
    throw FleetFileError(path + ": too large (" + std::to_string(file.size) + " bytes; at most " +
                         std::to_string(kMaxFleetFileBytes) + ")");
  if (!file.ok()) throw FleetFileError(path + ": " + FileReadFailureText(file));
  return std::string(file.bytes.begin(), file.bytes.end());
}

// A spreadsheet takes a field beginning with one of these as a formula: such
// a field is written with a leading apostrophe, which is dropped on reading.
// A field that begins with an apostrophe gets one too, so that reading gives
// back every field as it was.
bool LooksLikeFormula(const std::string& text) {
  return !text.empty() && std::string("=+-@\t\r'").find(text[0]) != std::string::npos;
}
std::string Unguarded(const std::string& text) {
  return text.size() > 1 && text[0] == '\'' && LooksLikeFormula(text.substr(1)) ? text.substr(1) : text;
}

// The separator of a units file, from its header line: commas, semicolons
// (what spreadsheets save in many locales) or tabs, whichever it has most of
// outside quotes; commas when it has none.
unsigned char DetectSeparator(const std::string& text) {
  std::size_t commas = 0, semicolons = 0, tabs = 0;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    commas += c == ',';
    semicolons += c == ';';
    tabs += c == '\t';
  }
  if (semicolons > commas && semicolons >= tabs) return ';';
  if (tabs > commas && tabs > semicolons) return '\t';
  return ',';
}

// Every row of a CSV text, fields unquoted, as libcsv reads RFC 4180.
Table ParseCsv(const std::string& text, const std::string& path, unsigned char separator = ',') {
  struct Reader {
    Table rows{1};
    static void Field(void* bytes, std::size_t n, void* self) {
      static_cast<Reader*>(self)->rows.back().emplace_back(static_cast<const char*>(bytes), n);
    }
    static void RowEnd(int, void* self) { static_cast<Reader*>(self)->rows.emplace_back(); }
  } reader;
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) throw FleetFileError(path + ": out of memory");
  const std::unique_ptr<csv_parser, void (*)(csv_parser*)> owner(&parser, csv_free);
  csv_set_delim(&parser, separator);
  // A tab separates; it is not blank around a field.
  if (separator == '\t') csv_set_space_func(&parser, [](unsigned char c) { return c == ' ' ? 1 : 0; });
  if (csv_parse(&parser, text.data(), text.size(), Reader::Field, Reader::RowEnd, &reader) != text.size() ||
      csv_fini(&parser, Reader::Field, Reader::RowEnd, &reader) != 0)
    throw FleetFileError(path + ": line " + std::to_string(reader.rows.size()) + ": " +
                         csv_strerror(csv_error(&parser)));
  if (reader.rows.back().empty()) reader.rows.pop_back();
  return reader.rows;
}

std::string CsvField(const std::string& text) {
  std::string out(text.size() * 2 + 2, '\0');
  out.resize(csv_write(out.data(), out.size(), text.data(), text.size()));
  return out;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : " ") + item;
  return text;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> items;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) items.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return items;
}

bool IsJson(const std::string& path) { return std::filesystem::path(path).extension() == ".json"; }

UnitResult FromColumns(const std::map<std::string, std::string>& c, const std::string& path) {
  UnitResult r;
  try {
    r.row = std::stoul(c.at("row"));
    r.seconds = c.count("seconds") && !c.at("seconds").empty() ? std::stod(c.at("seconds")) : 0;
  } catch (const std::exception&) {
    throw FleetFileError(path + ": not a report of telvaro-cli apply (row or seconds)");
  }
  const auto get = [&](const char* name) { return c.count(name) ? c.at(name) : std::string(); };
  r.port = get("port");
  r.imei = get("imei");
  r.deviceName = get("device_name");
  r.ok = get("result") == "ok";
  r.changedKeys = Split(get("changed"));
  r.reason = get("reason");
  r.backup = get("backup");
  r.start = get("start");
  r.firmware = get("firmware");
  r.settings = get("settings");
  return r;
}

std::vector<std::string> Columns(const UnitResult& r) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", r.seconds);
  return {std::to_string(r.row), r.port, r.imei,  r.deviceName, r.ok ? "ok" : "failed", Joined(r.changedKeys),
          r.reason,  r.backup, r.start, seconds,      r.firmware,                r.settings};
}

// A firmware campaign's report has the firmware and settings columns.
std::size_t ColumnCount(const std::vector<UnitResult>& results) {
  const bool firmware =
      std::any_of(results.begin(), results.end(), [](const UnitResult& r) { return !r.firmware.empty(); });
  return firmware ? std::size(kReportColumns) : kWriteColumns;
}

}  // namespace

std::vector<Unit> ReadUnitsFile(const std::string& path, PortMap& ports) { return ParseUnits(Slurp(path), path, ports); }

std::vector<Unit> ParseUnits(std::string text, const std::string& path, PortMap& ports) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // the mark spreadsheets put before UTF-8
  const Table rows = ParseCsv(text, path, DetectSeparator(text));
  if (rows.empty()) throw FleetFileError(path + ": no header line");
  const std::vector<std::string>& header = rows[0];
  const auto portColumn = std::find(header.begin(), header.end(), "port");
  if (portColumn == header.end()) throw FleetFileError(path + ": the header has no \"port\" column");
  std::vector<Unit> units;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const std::string where = path + ": line " + std::to_string(r + 1) + ": ";  // the header is line 1
    if (rows[r].size() != header.size())
      throw FleetFileError(where + std::to_string(rows[r].size()) + " values for " + std::to_string(header.size()) +
                           " columns");
    Unit unit;
    unit.row = r;
    for (std::size_t c = 0; c < header.size(); ++c) {
      if (c == static_cast<std::size_t>(portColumn - header.begin())) continue;
      if (header[c] == "imei") unit.expectedImei = rows[r][c];
      unit.variables.emplace_back(header[c], rows[r][c]);
    }
    const std::string& port = rows[r][portColumn - header.begin()];
    const auto resolved = ResolvePort(port, ports);
    if (!resolved) throw FleetFileError(where + "not a port: \"" + port + "\"");
    unit.port = *resolved;
    units.push_back(std::move(unit));
  }
  return units;
}

std::string CsvText(const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  for (const std::vector<std::string>& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const bool plain = row[c].find_first_of(",;\t\"\r\n") == std::string::npos &&
                         (row[c].empty() || (row[c].front() != ' ' && row[c].back() != ' '));
      line += (c ? "," : "") + (plain ? row[c] : CsvField(row[c]));
    }
    text += line + "\n";
  }
  return text;
}

std::vector<UnitResult> ReadReport(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return {};
  return ParseReport(Slurp(path), path);
}

std::vector<UnitResult> ParseReport(const std::string& text, const std::string& path) {
  std::vector<UnitResult> results;
  if (IsJson(path)) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_array()) throw FleetFileError(path + ": not a report of telvaro-cli apply");
    for (const nlohmann::json& entry : json) {
      if (!entry.is_object()) throw FleetFileError(path + ": not a report of telvaro-cli apply");
      std::map<std::string, std::string> columns;
      for (const auto& [key, value] : entry.items()) {
        if (value.is_string()) {
          columns[key] = value.get<std::string>();
        } else if (value.is_array()) {
          std::vector<std::string> items;
          for (const nlohmann::json& item : value)
            if (item.is_string()) items.push_back(item.get<std::string>());
            else throw FleetFileError(path + ": not a report of telvaro-cli apply (" + key + ")");
          columns[key] = Joined(items);
        } else {
          columns[key] = value.dump();
        }
      }
      results.push_back(FromColumns(columns, path));
    }
    return results;
  }
  const Table rows = ParseCsv(text, path);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    std::map<std::string, std::string> columns;
    for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c) columns[rows[0][c]] = Unguarded(rows[r][c]);
    results.push_back(FromColumns(columns, path));
  }
  return results;
}

std::string ReportText(const std::string& path, const std::vector<UnitResult>& results) {
  std::string text;
  if (IsJson(path)) {
    nlohmann::json json = nlohmann::json::array();
    const std::size_t count = ColumnCount(results);
    for (const UnitResult& r : results) {
      const std::vector<std::string> columns = Columns(r);
      nlohmann::json entry = nlohmann::json::object();
      // A modem's texts are 8-bit (Latin-1); JSON is UTF-8.
      for (std::size_t c = 0; c < count; ++c) entry[kReportColumns[c]] = Latin1ToUtf8(columns[c]);
      entry["row"] = r.row;
      entry["seconds"] = std::stod(columns[9]);
      entry["changed"] = r.changedKeys;
      json.push_back(std::move(entry));
    }
    text = EscapeC1InJson(json.dump(2)) + "\n";
  } else {
    const std::size_t count = ColumnCount(results);
    for (std::size_t c = 0; c < count; ++c) text += std::string(c ? "," : "") + kReportColumns[c];
    text += "\n";
    for (const UnitResult& r : results) {
      std::string line;
      const std::vector<std::string> columns = Columns(r);
      for (std::size_t c = 0; c < count; ++c)
        line += (c ? "," : "") + CsvField(LooksLikeFormula(columns[c]) ? "'" + columns[c] : columns[c]);
      text += line + "\n";
    }
  }
  return text;
}

void WriteReport(const std::string& path, const std::vector<UnitResult>& results) {
  const std::string text = ReportText(path, results);
  // The safe save: a planted file or link beside it redirects nothing, a
  // linked report is written through, and a new one is its owner's only.
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (const SettingsFileWrite saved = SaveFileSafely(path, bytes, 0600); !saved.ok())
    throw FleetFileError(path + ": cannot be written (" + saved.detail + ")");
}

std::string ReportDestinationProblem(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::is_directory(status)) return "is a folder";
  if (fs::exists(status) && !fs::is_regular_file(status)) return "not a regular file";
  fs::path folder = fs::absolute(path, error).parent_path();
  if (!fs::is_directory(folder, error)) return "no folder " + folder.string();
#ifdef _WIN32
  // A folder's permissions are its ACL, which only an attempt judges: a
  // report is saved through a new file beside it, so one is made (and gone
  // when closed). A read-only earlier report cannot be replaced either.
  const std::string probe = (folder / (".tlv-probe-" + std::to_string(::_getpid()))).string();
  const int fd = ::_open(probe.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEMPORARY, _S_IREAD | _S_IWRITE);
  if (fd < 0 || (fs::exists(status) && ::_access(path.c_str(), 2) != 0)) {
    const int reason = errno;
    if (fd >= 0) ::_close(fd);
    return std::string("cannot be written (") + std::strerror(reason) + ")";
  }
  ::_close(fd);
#else
  if (::access(folder.c_str(), W_OK | X_OK) != 0 && (!fs::exists(status) || ::access(path.c_str(), W_OK) != 0))
    return std::string("cannot be written (") + std::strerror(errno) + ")";
#endif
  return {};
}

std::string KeepEarlierReport(const std::string& path) {
  namespace fs = std::filesystem;
  struct stat info {};
#ifdef _WIN32
  if (::stat(path.c_str(), &info) != 0) return {};
  const std::time_t when = info.st_mtime;
  std::tm utc{};
  ::gmtime_s(&utc, &when);
#else
  if (::lstat(path.c_str(), &info) != 0) return {};
  const std::time_t when = info.st_mtime;
  std::tm utc{};
  ::gmtime_r(&when, &utc);
#endif
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  const fs::path p(path);
  const std::string stem = (p.parent_path() / p.stem()).string() + "-" + stamp;
  for (int n = 1; n < 1000; ++n) {
    const std::string kept = stem + (n == 1 ? "" : "-" + std::to_string(n)) + p.extension().string();
#ifdef _WIN32
    // Windows' rename never replaces an existing name.
    if (std::rename(path.c_str(), kept.c_str()) == 0) return kept;
#else
    // A hard link then the unlink: an existing name is never replaced.
    if (::link(path.c_str(), kept.c_str()) == 0) {
      ::unlink(path.c_str());
      return kept;
    }
#endif
    if (errno != EEXIST) throw FleetFileError(path + ": the earlier report cannot be kept (" + std::strerror(errno) + ")");
  }
  throw FleetFileError(path + ": the earlier report cannot be kept (no free name)");
}

std::string ReportMismatch(const std::vector<Unit>& units, const std::vector<UnitResult>& earlier) {
  for (const UnitResult& r : earlier) {
    const auto unit = std::find_if(units.begin(), units.end(), [&](const Unit& u) { return u.row == r.row; });
    const std::string row = "row " + std::to_string(r.row);
    if (unit == units.end()) return row + " is not among the units";
    if (unit->port.name != r.port) return row + " is on " + r.port + " in the report, on " + unit->port.name + " now";
    if (r.ok && !unit->expectedImei.empty() && r.imei != unit->expectedImei)
      return row + " is modem " + r.imei + " in the report, " + unit->expectedImei + " in the units file";
  }
  return {};
}

const UnitResult* OkBefore(const Unit& unit, const std::vector<UnitResult>& earlier) {
  for (const UnitResult& r : earlier)
    if (r.ok && r.row == unit.row && r.port == unit.port.name &&
        (unit.expectedImei.empty() || r.imei == unit.expectedImei))
      return &r;
  return nullptr;
}

}  // namespace telvaro
