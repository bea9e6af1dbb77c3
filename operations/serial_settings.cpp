#include "operations/serial_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <span>
#include <string_view>
#include <vector>

#include "operations/file_input.h"
#include "operations/settings_file.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace telvaro {
namespace {

constexpr std::array<const char*, 8> kBaudTexts = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
constexpr std::array<const char*, 5> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  const auto end = s.find_last_not_of(" \t\r\n");
  return s.substr(begin, end - begin + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string line(text.substr(0, end));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The file's lines. Only a regular file is read, and only its first
// kSerialSettingsReadLimit bytes: a FIFO would block the window's start for
// ever and a link to /dev/zero would be read until memory ran out.
struct ProfileLines {
  FileReadStatus status;
  std::vector<std::string> lines;
};
ProfileLines ReadLines(const std::string& path) {
  const FileReadResult read = ReadRegularFile(path, kSerialSettingsReadLimit);
  ProfileLines result{read.status, {}};
  if (read.status == FileReadStatus::Ok || read.status == FileReadStatus::TooLong)
    result.lines = SplitLines(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()));
  return result;
}

// "[name]" -> name; nothing for other lines.
bool SectionName(const std::string& line, std::string& name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = Trim(t.substr(1, t.size() - 2));
  return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  const auto eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return !key.empty();
}

int IndexOf(std::span<const char* const> texts, const std::string& value, int fallback) {
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (value == texts[i]) return static_cast<int>(i);
  return fallback;
}

// Whether the system would let this process write `path`, asked without
// creating or opening anything.
bool Writable(const std::string& path) {
#ifdef _WIN32
  return ::_access(path.c_str(), 2) == 0;
#else
  // As the running program's effective user, who would write the file.
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
#endif
}

}  // namespace

std::string SerialSettingsPath(const std::string& executableDir) {
#ifdef _WIN32
  return executableDir + "\\" + kSerialSettingsFileName;
#else
  return executableDir + "/" + kSerialSettingsFileName;
#endif
}

std::vector<std::string> InstalledProgramFolders() {
#ifdef _WIN32
  // Program Files, each program in a folder of its own below it.
  std::vector<std::string> folders;
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') folders.emplace_back(value);
  }
  return folders;
#else
  std::vector<std::string> folders = {"/usr/bin", "/usr/local/bin", "/bin", "/usr/sbin", "/usr/local/sbin", "/sbin"};
#ifdef TELVARO_INSTALL_BINDIR
  folders.push_back(TELVARO_INSTALL_BINDIR);
#endif
  return folders;
#endif
}

std::string SerialSettingsLocation(const std::string& executableDir, const std::string& userConfigDir) {
  return SerialSettingsLocation(executableDir, userConfigDir, InstalledProgramFolders());
}

std::string SerialSettingsLocation(const std::string& executableDir, const std::string& userConfigDir,
                                   const std::vector<std::string>& installedFolders) {
  namespace fs = std::filesystem;
  const std::string beside = SerialSettingsPath(executableDir);
  std::error_code ec;
  const auto same = [&](const std::string& folder) {
    if (fs::equivalent(executableDir, folder, ec)) return true;
#ifdef _WIN32
    // An installer puts the program in a folder of its own below Program Files.
    return fs::equivalent(fs::path(executableDir).parent_path(), folder, ec);
#else
    return false;
#endif
  };
  // An installed program never keeps its file among the system's programs,
  // whoever runs it: root may write there, and must not.
  const bool installed = std::any_of(installedFolders.begin(), installedFolders.end(), same);
  if (!installed) {
    // Asked, never tried: nothing is created beside the program to find out.
    if (fs::exists(fs::symlink_status(beside, ec))) {
      // Only a regular file is used: a FIFO would block the window's start.
      if (fs::is_regular_file(beside, ec) && Writable(beside)) return beside;
    } else if (Writable(executableDir)) {
      return beside;
    }
  }
  fs::create_directories(userConfigDir, ec);  // a failure shows as a failed save, as before
  const std::string own = SerialSettingsPath(userConfigDir);
  // A preset laid beside a read-only installation still counts: it becomes
  // the user's own file the first time, and later saves leave it as it is.
  if (!fs::exists(own, ec) && fs::is_regular_file(beside, ec) && fs::file_size(beside, ec) <= kSerialSettingsReadLimit)
    fs::copy_file(beside, own, ec);
  return own;
}

namespace {

std::string ProfileValue(const std::vector<std::string>& lines, const std::string& section, const std::string& key,
                         const std::string& fallback, std::size_t maxLength) {
  std::string value = fallback;
  bool inSection = false;
  for (const std::string& line : lines) {
    std::string name, k, v;
    if (SectionName(line, name)) {
      inSection = SameIgnoringCase(name, section);
    } else if (inSection && KeyOf(line, k, v) && SameIgnoringCase(k, key)) {
      value = v;
      break;
    }
  }
  return value.substr(0, maxLength);
}

SerialSelections SelectionsFrom(const std::vector<std::string>& lines) {
  SerialSelections selections;
  const auto read = [&](const char* key, const char* fallback, std::size_t limit) {
    return ProfileValue(lines, kSerialSettingsSection, key, fallback, limit);
  };
  // Only the first seven rates are looked for: anything else means 115200.
  selections.baudRate = IndexOf(std::span(kBaudTexts).first(7), read("BandRate", "115200", 9), 7);
  selections.dataBits = read("DataBits", "8", 4) == "7" ? 0 : 1;
  selections.parity = IndexOf(kParityTexts, read("Parity", "None", 9), 0);
  selections.stopBits = read("StopBits", "1", 4) == "2" ? 1 : 0;
  selections.flowControl = read("FlowControl", "", 9) == "Hardware" ? 1 : 0;
  return selections;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& fallback, std::size_t maxLength) {
  return ProfileValue(ReadLines(path).lines, section, key, fallback, maxLength);
}

namespace {

// The lines of a file about to be changed, or why it must not be: something
// that is not a file is never written to (a FIFO would block), a file that
// cannot be read would lose its other sections, and one longer than what
// was read would lose its tail. A missing file is a new, empty one.
ProfileSave LinesToChange(const std::string& path, std::vector<std::string>& lines) {
  const FileReadResult read = ReadRegularFile(path, kSerialSettingsReadLimit);
  switch (read.status) {
    case FileReadStatus::Ok:
      lines = SplitLines(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()));
      return {};
    case FileReadStatus::CannotOpen:
      if (read.error == ENOENT) return {};
      return {read.error != 0 ? std::strerror(read.error) : "cannot be read"};
    case FileReadStatus::NotRegularFile:
      return {"not a regular file"};
    case FileReadStatus::TooLong:
      return {"longer than " + std::to_string(kSerialSettingsReadLimit) + " bytes"};
  }
  return {"cannot be read"};
}

// Sets `key` in `section`, where it stands or at the section's end; a new
// section goes at the end of the file.
void SetKey(std::vector<std::string>& lines, const std::string& section, const std::string& key,
            const std::string& value) {
  const std::string entry = key + "=" + value;
  int sectionLine = -1;
  int lastInSection = -1;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    std::string name, k, v;
    if (SectionName(lines[i], name)) {
      if (sectionLine >= 0) break;  // past our section
      if (SameIgnoringCase(name, section)) lastInSection = sectionLine = i;
    } else if (sectionLine >= 0) {
      if (KeyOf(lines[i], k, v) && SameIgnoringCase(k, key)) {
        lines[i] = entry;  // replaced where it stands
        return;
      }
      if (!Trim(lines[i]).empty()) lastInSection = i;
    }
  }
  if (sectionLine < 0) {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  } else {
    lines.insert(lines.begin() + lastInSection + 1, entry);
  }
}

ProfileSave SaveLines(const std::string& path, const std::vector<std::string>& lines) {
#ifdef _WIN32
  constexpr const char* kNewline = "\r\n";
#else
  constexpr const char* kNewline = "\n";
#endif
  std::string text;
  for (const std::string& line : lines) text += line + kNewline;
  // Nothing secret is kept here: readable like any settings of a program.
  constexpr unsigned kNewFileMode = 0644;
  const SettingsFileWrite saved = SaveFileSafely(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), kNewFileMode);
  if (saved.ok()) return {};
  return {saved.detail.empty() ? saved.message : saved.detail};
}

}  // namespace

ProfileSave WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                               const std::string& value) {
  std::vector<std::string> lines;
  if (ProfileSave refused = LinesToChange(path, lines); !refused) return refused;
  SetKey(lines, section, key, value);
  return SaveLines(path, lines);
}

bool HasProfileSection(const std::string& path, const std::string& section) {
  for (const std::string& line : ReadLines(path).lines) {
    std::string name;
    if (SectionName(line, name) && SameIgnoringCase(name, section)) return true;
  }
  return false;
}

ProfileSave RemoveProfileSection(const std::string& path, const std::string& section) {
  std::vector<std::string> lines;
  if (ProfileSave refused = LinesToChange(path, lines); !refused) return refused;
  std::vector<std::string> kept;
  bool inSection = false;
  for (const std::string& line : lines) {
    std::string name;
    if (SectionName(line, name)) inSection = SameIgnoringCase(name, section);
    if (!inSection) kept.push_back(line);
  }
  return SaveLines(path, kept);
}

ProfileSave SaveSerialSettings(const ConfigRecord& record, const std::string& path) {
  const int baud = record.Get(field::baud_index);
  const int parity = record.Get(field::parity_index);
  const std::pair<const char*, std::string> keys[] = {
      {"BandRate", baud < 8 ? kBaudTexts[static_cast<std::size_t>(baud)] : "9600"},
      {"DataBits", record.Get(field::data_bits_index) == 0 ? "7" : "8"},
      {"Parity", parity < 5 ? kParityTexts[static_cast<std::size_t>(parity)] : "None"},
      {"StopBits", record.Get(field::stop_bits_index) == 1 ? "2" : "1"},
      {"FlowControl", record.Get(field::flow_control_index) == 1 ? "Hardware" : "None"},
  };
  // The five keys in one save: the file is never left with some of them.
  std::vector<std::string> lines;
  if (ProfileSave refused = LinesToChange(path, lines); !refused) return refused;
  for (const auto& [key, value] : keys) SetKey(lines, kSerialSettingsSection, key, value);
  return SaveLines(path, lines);
}

SerialSelections LoadSerialSettings(const std::string& path) {
  // No file, or none that can be read: the defaults.
  return SelectionsFrom(ReadLines(path).lines);
}

SerialSelections ParseSerialSettings(std::string_view text) { return SelectionsFrom(SplitLines(text)); }

}  // namespace telvaro
