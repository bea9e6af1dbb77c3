// The settings file: exactly the record and its checksum, 1629 bytes, no
// header. Export writes it; Import reads it back with length and checksum
// checks and keeps the connected device's own bytes.
#pragma once

#include <optional>
#include <string>

#include "record/config_record.h"

namespace telvaro {

inline constexpr const char* kSettingsOpenFailed = "Open file err";
inline constexpr const char* kSettingsBadLength = "Read len err";
inline constexpr const char* kSettingsBadChecksum = "chksum err";
inline constexpr const char* kSettingsWriteFailed = "Write file err";

struct SettingsFileRead {
  std::optional<ConfigRecord> record;  // the whole block as in the file
  std::string message;                 // why it was refused, when it was
};

// Reads at most 4096 bytes; anything but exactly 1629 is "Read len err", a
// checksum byte that does not match the 1628 record bytes is "chksum err".
SettingsFileRead ReadSettingsFile(const std::string& path);

// Writes the 1629-byte block (record and checksum slot) after storing the
// record's checksum in the slot. Returns an empty text on success, else the
// reason. A failed write is reported instead of passing for success.
std::string WriteSettingsFile(const std::string& path, ConfigRecord& record);

}  // namespace telvaro
