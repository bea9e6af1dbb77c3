// The registry's map of serial devices: one value per device, the value name
// is the driver's device path and the value data the port name ("COM3").
#include <windows.h>

#include <vector>

#include "link/port_discovery.h"

namespace telvaro {

SystemPortTable ReadSystemPortTable() {
  SystemPortTable table;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM\\", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    table.readable = false;
    return table;
  }
  for (DWORD index = 0;; ++index) {
    // Start with 25-byte buffers and grow them when a name or port name does
    // not fit, so a long entry is listed whole instead of cut.
    std::vector<char> name(25), data(25);
    LONG result = ERROR_MORE_DATA;
    DWORD nameLen = 0, dataLen = 0, type = 0;
    for (int attempt = 0; attempt < 4 && result == ERROR_MORE_DATA; ++attempt) {
      nameLen = static_cast<DWORD>(name.size());
      dataLen = static_cast<DWORD>(data.size());
      result = RegEnumValueA(key, index, name.data(), &nameLen, nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &dataLen);
      if (result == ERROR_MORE_DATA) {
        name.resize(name.size() * 4);
        data.resize(data.size() * 4);
      }
    }
    if (result != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    data.push_back('\0');  // registry strings need not be terminated
    table.ports.push_back(SystemSerialPort{std::string(data.data()), std::string(name.data(), nameLen), ""});
  }
  RegCloseKey(key);
  return table;
}

}  // namespace telvaro
