#include "cli/fleet_files.h"

#include <csv.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "profile/profile.h"

namespace telvaro {
namespace {

using Table = std::vector<std::vector<std::string>>;

constexpr const char* kReportColumns[] = {"row",    "port",   "imei",   "device_name", "result",
                                          "changed", "reason", "backup", "start",       "seconds"};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FleetFileError(path + ": cannot be read");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
  return r;
}

std::vector<std::string> Columns(const UnitResult& r) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", r.seconds);
  return {std::to_string(r.row), r.port, r.imei, r.deviceName, r.ok ? "ok" : "failed", Joined(r.changedKeys),
          r.reason, r.backup, r.start, seconds};
}

}  // namespace

std::vector<Unit> ReadUnitsFile(const std::string& path, PortMap& ports) {
  std::string text = Slurp(path);
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
  if (!std::filesystem::exists(path)) return {};
  std::vector<UnitResult> results;
  const std::string text = Slurp(path);
  if (IsJson(path)) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_array()) throw FleetFileError(path + ": not a report of telvaro-cli apply");
    for (const nlohmann::json& entry : json) {
      if (!entry.is_object()) throw FleetFileError(path + ": not a report of telvaro-cli apply");
      std::map<std::string, std::string> columns;
      for (const auto& [key, value] : entry.items()) {
        if (value.is_string()) columns[key] = value.get<std::string>();
        else if (value.is_array()) columns[key] = Joined(value.get<std::vector<std::string>>());
        else columns[key] = value.dump();
      }
      results.push_back(FromColumns(columns, path));
    }
    return results;
  }
  const Table rows = ParseCsv(text, path);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    std::map<std::string, std::string> columns;
    for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c) columns[rows[0][c]] = rows[r][c];
    results.push_back(FromColumns(columns, path));
  }
  return results;
}

void WriteReport(const std::string& path, const std::vector<UnitResult>& results) {
  std::string text;
  if (IsJson(path)) {
    nlohmann::json json = nlohmann::json::array();
    for (const UnitResult& r : results) {
      const std::vector<std::string> columns = Columns(r);
      nlohmann::json entry = nlohmann::json::object();
      // A modem's texts are 8-bit (Latin-1); JSON is UTF-8.
      for (std::size_t c = 0; c < columns.size(); ++c) entry[kReportColumns[c]] = Latin1ToUtf8(columns[c]);
      entry["row"] = r.row;
      entry["seconds"] = std::stod(columns[9]);
      entry["changed"] = r.changedKeys;
      json.push_back(std::move(entry));
    }
    text = json.dump(2) + "\n";
  } else {
    for (const char* column : kReportColumns) text += std::string(text.empty() ? "" : ",") + column;
    text += "\n";
    for (const UnitResult& r : results) {
      std::string line;
      for (const std::string& column : Columns(r)) line += (line.empty() ? "" : ",") + CsvField(column);
      text += line + "\n";
    }
  }
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) throw FleetFileError(path + ": cannot be written");
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) throw FleetFileError(path + ": cannot be written (" + error.message() + ")");
}

bool AlreadyOk(const Unit& unit, const std::vector<UnitResult>& earlier) {
  for (const UnitResult& r : earlier)
    if (r.ok && (unit.expectedImei.empty() ? r.row == unit.row : r.imei == unit.expectedImei)) return true;
  return false;
}

}  // namespace telvaro
