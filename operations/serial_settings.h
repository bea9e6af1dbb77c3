// The serial settings file: remembers the modem's own serial interface
// settings (the Com page's five lists) between runs, in section "com.conf" of
// an INI file next to the executable (or in the user's configuration folder
// when that place is read-only). It never configures the PC's port.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "record/config_record.h"

namespace telvaro {

inline constexpr const char* kSerialSettingsFileName = "Telvaro_Pro.ini";
inline constexpr const char* kSerialSettingsSection = "com.conf";

// Item indices of the Com page's five lists.
struct SerialSelections {
  int baudRate = 7;     // "115200"
  int dataBits = 1;     // "8"
  int parity = 0;       // "None"
  int stopBits = 0;     // "1"
  int flowControl = 0;  // "None"
  bool operator==(const SerialSelections&) const = default;
};

// The file next to the executable in `executableDir`.
std::string SerialSettingsPath(const std::string& executableDir);

// Where the file is read and written: next to the executable when the
// program runs from a build or portable folder that can be written (and
// Windows). An installed program (one run from installedFolders: the
// install prefix's bin folder and the system's own) keeps it in
// `userConfigDir` instead, whoever runs it, and so does one whose folder
// cannot be written; that folder is created when missing. The choice is made
// by asking the system (access), never by creating a file to find out.
std::string SerialSettingsLocation(const std::string& executableDir, const std::string& userConfigDir);
std::string SerialSettingsLocation(const std::string& executableDir, const std::string& userConfigDir,
                                   const std::vector<std::string>& installedFolders);
// The install prefix's bin folder and the system's program folders.
std::vector<std::string> InstalledProgramFolders();

// How a save of the file went: true when saved; otherwise the system's
// reason ("No space left on device", "Read-only file system", "not a
// regular file").
struct ProfileSave {
  std::string reason;
  explicit operator bool() const { return reason.empty(); }
};

// Writes the five keys from the record's serial fields, creating the file
// and section when absent and leaving other sections and keys alone. The
// file is saved as settings files are (a new file replaces it only when
// complete), so a full disk leaves the earlier file whole. The caller goes
// on whatever the result.
ProfileSave SaveSerialSettings(const ConfigRecord& record, const std::string& path);

// How much of the file is ever read: far more than the five keys need.
inline constexpr std::size_t kSerialSettingsReadLimit = 64 * 1024;

// The five selections from the file, with the fallbacks for a missing file,
// a missing key or an unrecognised value. Only a regular file is read, and
// only its first kSerialSettingsReadLimit bytes.
SerialSelections LoadSerialSettings(const std::string& path);
// The same from the file's text.
SerialSelections ParseSerialSettings(std::string_view text);

// Reads one value of an INI file as the platform's profile functions do:
// section and key compared without regard to case, the value trimmed and cut
// to `maxLength` characters; `fallback` when the file, section or key is missing.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& fallback, std::size_t maxLength);
// Sets one value, keeping everything else of the file as it was, through
// the same safe save. Nothing is written when the path is not a regular
// file, cannot be read, or is longer than kSerialSettingsReadLimit.
ProfileSave WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                               const std::string& value);
// Whether the file holds `section` (compared without regard to case).
bool HasProfileSection(const std::string& path, const std::string& section);
// Removes `section` with its keys, keeping the rest of the file as it was.
ProfileSave RemoveProfileSection(const std::string& path, const std::string& section);

}  // namespace telvaro
