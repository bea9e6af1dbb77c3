#include "link/port_discovery.h"

#include <algorithm>
#include <set>

namespace telvaro {

PortListing ListSerialPorts(const SystemPortTable& table, int rememberedPort, const PortMap& ports) {
  PortListing listing;
  if (!table.readable) {
    listing.message = kPortTableUnreadable;
    return listing;
  }
  std::set<std::string> listed;
  auto add = [&](std::string text, const std::string& path, const std::string& description) {
    if (text.empty() || !listed.insert(text).second) return;
    listing.entries.push_back(PortEntry{std::move(text), path, description});
  };
  for (const SystemSerialPort& port : table.ports) {
    if (!port.name.empty()) {
      add(port.name, port.devicePath, port.description);
    } else if (const auto com = ports.ComFor(port.devicePath)) {
      add("COM" + std::to_string(*com), port.devicePath, port.description);
    }
  }
  for (const auto& [com, path] : ports.ExplicitPairs()) add("COM" + std::to_string(com), path, "");

  if (listing.entries.empty()) {
    listing.message = kNoPortFound;
    return listing;
  }
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const PortEntry& a, const PortEntry& b) { return a.text < b.text; });
  listing.selected = 0;
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    if (ParseComName(listing.entries[i].text) == rememberedPort) {
      listing.selected = static_cast<int>(i);
      break;
    }
  }
  return listing;
}

}  // namespace telvaro
