// The settings file: exactly the record and its checksum, 1629 bytes, no
// header. Export writes it; Import reads it back with length and checksum
// checks and keeps the connected device's own bytes. The window and
// telvaro-cli both go through these routines, so a file from either loads
// byte for byte in the other.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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
  std::string detail;                  // the reason behind the message, for those who can show more
};

// The bytes of a settings file: anything but exactly 1629 is "Read len err",
// a checksum byte that does not match the 1628 record bytes is "chksum err".
SettingsFileRead ParseSettingsFile(std::span<const std::uint8_t> bytes);

// True for the bytes of a settings file (exactly 1629 with a matching
// checksum): chosen as a firmware image by mistake, it would be flashed as
// code and leave the modem without a working firmware.
bool IsSettingsFile(std::span<const std::uint8_t> bytes);
// The refusal of such a file as an image: "<name> is a settings file, not a
// firmware image".
std::string NotAFirmwareImageText(const std::string& name);

// Reads only a regular file, and at most 4096 bytes of it: a directory, a
// FIFO or a device is "Open file err" without blocking, a longer file is
// "Read len err".
SettingsFileRead ReadSettingsFile(const std::string& path);

struct SettingsFileWrite {
  std::string message;  // empty on success, else "Open file err" or "Write file err"
  std::string detail;   // the system's reason
  int error = 0;        // the system's error number, when there is one
  bool ok() const { return message.empty(); }
};

// Stores the record's checksum in its slot and saves the 1629-byte block
// atomically: it goes to a new file beside the target (a short name in the
// same folder, mode 0600), which replaces the target only once every byte is
// written and flushed to disk, so a failed or interrupted export never
// destroys the operator's earlier file.
// - Only a regular file is replaced: a device, a FIFO or a folder at the path
//   is refused with "Write file err" and the reason.
// - A symbolic link is written through: the file it points to is replaced
//   and the link stays.
// - The earlier file's permission bits stay (and its owner, when running as
//   root); a new file is created 0600, as it carries the SIM PIN and
//   passwords.
// - In a folder that takes no new file, an existing writable file is
//   rewritten in place, its earlier content put back should that fail.
// "Open file err" when the file can be neither made nor rewritten, "Write
// file err" when the bytes could not all be written or the target could not
// be replaced; the detail says the system's reason.
SettingsFileWrite WriteSettingsFile(const std::string& path, ConfigRecord& record);

// The same safe save for any file the tool writes (profiles too): `bytes`
// replace the file at `path` by the rules above, and a new file is created
// with `newFileMode` (0600 for anything holding secrets). `ownerOnly` also
// narrows an earlier file's bits to its owner's (secrets written over a file
// others could read).
SettingsFileWrite SaveFileSafely(const std::string& path, std::span<const std::uint8_t> bytes, unsigned newFileMode,
                                 bool ownerOnly = false);

// A new file that did not exist, 0600 (a backup: the record and checksum,
// the checksum stored first). Never replaces anything and never follows a
// symbolic link: anything at the path is "Open file err" with error EEXIST,
// so the caller can pick another name.
SettingsFileWrite CreateSettingsFile(const std::string& path, ConfigRecord& record);

}  // namespace telvaro
