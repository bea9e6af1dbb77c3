// Serial lines on the network: a SerialDevice that opens "tcp://HOST:PORT"
// (the serial bytes as they are) or "rfc2217://HOST:PORT" (Telnet with the
// COM-PORT-OPTION), and the device every session uses, which opens network
// addresses with it and everything else with the platform's serial backend.
#pragma once

#include <memory>

#include "link/serial_device.h"

namespace telvaro {

// How long an open waits for the server to accept the connection, over all
// the addresses a name resolves to.
inline constexpr int kConnectTimeoutMs = 5000;

std::unique_ptr<SerialDevice> CreateNetworkDevice(int connectTimeoutMs = kConnectTimeoutMs);
// The platform's own serial backend (termios or Win32).
std::unique_ptr<SerialDevice> CreateLocalSerialDevice();
// Opens a network address with `network` and any other path with `local`.
std::unique_ptr<SerialDevice> CreatePortDevice(std::unique_ptr<SerialDevice> local,
                                               std::unique_ptr<SerialDevice> network);

}  // namespace telvaro
