// A serial line reached over the network, on a serial device server or a
// ser2net box: "tcp://HOST:PORT" carries the serial bytes as they are,
// "rfc2217://HOST:PORT" wraps them in Telnet with the COM-PORT-OPTION, so the
// tool sets the server's line itself. HOST is a name, an IPv4 address or an
// IPv6 address in brackets ("rfc2217://[::1]:2217").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace telvaro {

enum class NetworkMode { Raw, Rfc2217 };

struct NetworkAddress {
  NetworkMode mode = NetworkMode::Raw;
  std::string host;     // without the brackets of an IPv6 address
  std::string service;  // the port number as written
};

// True for a text that names a network port by its scheme, well formed or not:
// such a text is never a device path.
bool IsNetworkAddress(std::string_view text);
// The address of "tcp://HOST:PORT" or "rfc2217://HOST:PORT"; nothing when the
// text is not one (no host, a port outside 1..65535, anything after the port).
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text);

}  // namespace telvaro
