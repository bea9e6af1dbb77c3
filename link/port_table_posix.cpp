// The system's serial devices on Linux and macOS, as libserialport lists
// them (on Linux from /sys/class/tty, leaving out ports with no device).
#include <libserialport.h>

#include "link/port_discovery.h"

namespace telvaro {

namespace {

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

// Product and manufacturer of a USB adapter, as the port list shows them.
std::string Describe(sp_port* port) {
  if (sp_get_port_transport(port) != SP_TRANSPORT_USB) return {};
  std::string description = Text(sp_get_port_usb_product(port));
  const std::string maker = Text(sp_get_port_usb_manufacturer(port));
  if (!maker.empty() && maker != description) description += (description.empty() ? "" : ", ") + maker;
  return description;
}

}  // namespace

SystemPortTable ReadSystemPortTable() {
  SystemPortTable table;
  sp_port** ports = nullptr;
  if (sp_list_ports(&ports) != SP_OK) {
    table.readable = false;
    return table;
  }
  for (sp_port** port = ports; *port; ++port)
    table.ports.push_back(SystemSerialPort{std::string(), Text(sp_get_port_name(*port)), Describe(*port)});
  sp_free_port_list(ports);
  return table;
}

}  // namespace telvaro
