// The entries of the port selector: the serial ports the system knows right
// now, as "COM<n>" texts sorted as text (COM1, COM10, COM2), with the
// remembered port preselected wherever sorting put it.
#pragma once

#include <string>
#include <vector>

#include "link/port_map.h"

namespace telvaro {

// One serial device as the system reports it.
struct SystemSerialPort {
  std::string name;         // the port name the system shows ("COM3"); empty on POSIX
  std::string devicePath;   // the driver's device path
  std::string description;  // product and manufacturer, where known
};

struct SystemPortTable {
  bool readable = true;  // false when the system's list could not be read at all
  std::vector<SystemSerialPort> ports;
};

struct PortEntry {
  std::string text;  // what the selector shows: normally "COM<n>"
  std::string devicePath;
  std::string description;
};

struct PortListing {
  std::vector<PortEntry> entries;
  int selected = -1;    // index into entries, -1 when empty
  std::string message;  // shown to the operator when not empty
};

inline constexpr const char* kPortTableUnreadable = "Err:Open register failed";
inline constexpr const char* kNoPortFound = "Warn: no comm port found";

// Builds the selector's entries from the system table and the explicit pairs
// of `ports`. POSIX devices get their number from the port map and are left
// out when they have none (they could not be opened by number).
PortListing ListSerialPorts(const SystemPortTable& table, int rememberedPort, const PortMap& ports);

// The system's table right now: the registry's serial device map on Windows,
// the system's serial devices elsewhere.
SystemPortTable ReadSystemPortTable();

}  // namespace telvaro
