// The registry's map of serial devices: one value per device, the value name
// is the driver's device path and the value data the port name ("COM3"). The
// adapter's description comes from the device manager's Ports class.
#include <windows.h>
// windows.h first: the setup API's header needs its types.
#include <devguid.h>
#include <setupapi.h>

#include <map>
#include <string>
#include <vector>

#include "link/port_discovery.h"

namespace telvaro {
namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(size - 1));
  return out;
}

std::string DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[256] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - sizeof(wchar_t), nullptr) ||
      type != REG_SZ)
    return {};
  return Utf8(buffer);
}

// Port name ("COM3") to "product, manufacturer", as the device manager
// shows them; empty where the system has no such list (Wine, old drivers).
std::map<std::string, std::string> PortDescriptions() {
  std::map<std::string, std::string> descriptions;
  HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return descriptions;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t portName[64] = {};
    DWORD size = sizeof portName - sizeof(wchar_t), type = 0;
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &size) ==
                           ERROR_SUCCESS &&
                       type == REG_SZ;
    RegCloseKey(key);
    if (!named) continue;
    std::string description = DeviceProperty(devices, device, SPDRP_DEVICEDESC);
    const std::string maker = DeviceProperty(devices, device, SPDRP_MFG);
    if (!maker.empty() && maker != description) description += (description.empty() ? "" : ", ") + maker;
    descriptions[Utf8(portName)] = description;
  }
  SetupDiDestroyDeviceInfoList(devices);
  return descriptions;
}

}  // namespace

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
  const auto descriptions = PortDescriptions();
  for (SystemSerialPort& port : table.ports) {
    const auto found = descriptions.find(port.name);
    if (found != descriptions.end()) port.description = found->second;
  }
  return table;
}

}  // namespace telvaro
