// Win32 backend: a COM port opened for synchronous I/O, with time-outs that
// make every read return at once and bound every one-byte write.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <string>

#include "link/serial_device.h"

namespace telvaro {
namespace {

#ifndef ERROR_DEVICE_REMOVED
#define ERROR_DEVICE_REMOVED 1617L
#endif
#ifndef ERROR_DEVICE_NOT_CONNECTED
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#endif

// Errors a read reports once a USB adapter has been pulled: the handle is
// useless from then on.
bool DeviceGone(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
      return true;
    default:
      return false;
  }
}

// The system's own words for an error, without the trailing line break.
std::string SystemErrorText(DWORD error) {
  char buffer[256] = {};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text.empty() ? "system error " + std::to_string(error) : text;
}

// Each one-byte write may take at most 200 ms + 500 ms before it is given up.
constexpr DWORD kWriteMsPerByte = 200;
constexpr DWORD kWriteConstantMs = 500;
static_assert(kWriteMsPerByte + kWriteConstantMs == kByteWriteTimeoutMs);

// The fixed line settings; everything else in the block stays as the driver
// reported it.
void ApplyLineSettings(DCB& dcb) {
  dcb.BaudRate = kLineBaudRate;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
}

class Win32SerialDevice final : public SerialDevice {
 public:
  ~Win32SerialDevice() override { Close(); }

  bool Open(const std::string& path) override {
    Close();
    failure_.clear();
    handle_ = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) return true;
    // A COM port opened without sharing by another program refuses with
    // "access denied".
    const DWORD error = ::GetLastError();
    failure_ = (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) ? kPortInUse : SystemErrorText(error);
    return false;
  }

  std::string OpenFailureReason() const override { return failure_; }

  void Configure() override {
    (void)::SetupComm(handle_, kDriverQueueSize, kDriverQueueSize);

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;  // with both totals 0: return at once
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
    (void)::SetCommTimeouts(handle_, &timeouts);

    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    // Only a block the driver filled in is written back: a block of zeros
    // would switch off binary mode and every other setting of the port.
    if (::GetCommState(handle_, &dcb)) {
      ApplyLineSettings(dcb);
      (void)::SetCommState(handle_, &dcb);
    }

    (void)::PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR);
  }

  long Read(std::uint8_t* buffer, std::size_t capacity) override {
    if (!IsOpen()) return -1;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, MAXDWORD));
    DWORD got = 0;
    if (!::ReadFile(handle_, buffer, wanted, &got, nullptr)) return DeviceGone(::GetLastError()) ? kReadDeviceGone : -1;
    return static_cast<long>(got);
  }

  void ClearLineError() override {
    DWORD errors = 0;
    (void)::ClearCommError(handle_, &errors, nullptr);
  }

  ByteWrite WriteByte(std::uint8_t byte) override {
    if (!IsOpen()) return ByteWrite::Failed;
    DWORD written = 0;
    if (!::WriteFile(handle_, &byte, 1, &written, nullptr)) return ByteWrite::Failed;
    // The write time-out ran out before the port took the byte.
    return written == 1 ? ByteWrite::Written : ByteWrite::TimedOut;
  }

  void Close() override {
    if (!IsOpen()) return;
    (void)::SetCommMask(handle_, 0);
    (void)::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::string failure_;
};

}  // namespace

std::unique_ptr<SerialDevice> SerialDevice::Create() { return std::make_unique<Win32SerialDevice>(); }

}  // namespace telvaro
