// Win32 backend: a COM port opened for overlapped I/O, with time-outs that
// make every read return at once and bound every one-byte write; the reader
// sleeps in WaitCommEvent until a byte arrives.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "link/network_device.h"
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
// A read asks only for bytes already queued, so it completes at once; this
// bounds it should a driver make it wait anyway.
constexpr DWORD kReadLimitMs = 100;

// The fixed line settings; everything else in the block stays as the driver
// reported it.
void ApplyLineSettings(DCB& dcb) {
  dcb.BaudRate = kLineBaudRate;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
}

// Every operation waits for its own overlapped result, so the port behaves as
// if opened for plain synchronous I/O; the overlapped handle is what lets the
// reader sleep until the first byte arrives and be woken from outside.
class Win32SerialDevice final : public SerialDevice {
 public:
  Win32SerialDevice()
      : readDone_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        writeDone_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        waitDone_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        wake_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~Win32SerialDevice() override {
    Close();
    for (HANDLE event : {readDone_, writeDone_, waitDone_, wake_})
      if (event) ::CloseHandle(event);
  }

  bool Open(const std::string& path) override {
    Close();
    failure_.clear();
    handle_ = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
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
    waitable_ = readDone_ && writeDone_ && waitDone_ && wake_ && ::SetCommMask(handle_, EV_RXCHAR);
  }

  long Read(std::uint8_t* buffer, std::size_t capacity) override {
    if (!IsOpen()) return -1;
    // Only what is queued is asked for, so the read never waits for more:
    // some drivers (Wine's among them) let an overlapped read wait for data
    // despite the time-outs that should make it return at once.
    DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, MAXDWORD));
    DWORD errors = 0;
    COMSTAT queue{};
    if (::ClearCommError(handle_, &errors, &queue)) {
      if (queue.cbInQue == 0) return 0;
      wanted = std::min(wanted, queue.cbInQue);
    } else if (DeviceGone(::GetLastError())) {
      return kReadDeviceGone;
    }  // a driver that cannot tell its queue is read with the bounded wait below
    OVERLAPPED request{};
    request.hEvent = readDone_;
    if (!::ReadFile(handle_, buffer, wanted, nullptr, &request) && ::GetLastError() != ERROR_IO_PENDING)
      return DeviceGone(::GetLastError()) ? kReadDeviceGone : -1;
    // Bounded all the same: a read still pending after this is cancelled and
    // returns what it has.
    if (::WaitForSingleObject(readDone_, kReadLimitMs) != WAIT_OBJECT_0) (void)::CancelIo(handle_);
    DWORD got = 0;
    if (!::GetOverlappedResult(handle_, &request, &got, TRUE)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_OPERATION_ABORTED) return static_cast<long>(got);
      return DeviceGone(error) ? kReadDeviceGone : -1;
    }
    return static_cast<long>(got);
  }

  bool CanWaitForInput() const override { return true; }

  void WaitForInput(int timeoutMs) override {
    std::lock_guard guard(waitLock_);
    if (!IsOpen()) return;
    OVERLAPPED request{};
    request.hEvent = waitDone_;
    // A port without receive events is polled, as a read would be.
    const auto poll = [&] { (void)::WaitForSingleObject(wake_, static_cast<DWORD>(std::min(timeoutMs, 100))); };
    if (!waitable_) return poll();
    DWORD mask = 0;
    (void)::ResetEvent(waitDone_);
    if (::WaitCommEvent(handle_, &mask, &request)) return;  // a byte came already
    if (::GetLastError() != ERROR_IO_PENDING) return poll();
    // Bytes that were queued before the wait began raise no event.
    DWORD errors = 0;
    COMSTAT queue{};
    const bool queued = ::ClearCommError(handle_, &errors, &queue) && queue.cbInQue > 0;
    if (!queued) {
      const HANDLE events[] = {waitDone_, wake_};
      (void)::WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(timeoutMs));
    }
    // The wait must be over before `request` goes out of scope.
    if (!HasOverlappedIoCompleted(&request)) (void)::CancelIo(handle_);
    DWORD unused = 0;
    (void)::GetOverlappedResult(handle_, &request, &unused, TRUE);
  }

  void InterruptWait() override {
    if (wake_) (void)::SetEvent(wake_);
  }

  void ClearLineError() override {
    DWORD errors = 0;
    (void)::ClearCommError(handle_, &errors, nullptr);
  }

  void DiscardInput() override {
    if (IsOpen()) (void)::PurgeComm(handle_, PURGE_RXCLEAR);
  }

  long OutputQueued() override {
    DWORD errors = 0;
    COMSTAT status{};
    if (!IsOpen() || !::ClearCommError(handle_, &errors, &status)) return 0;
    return static_cast<long>(status.cbOutQue);
  }

  ByteWrite WriteByte(std::uint8_t byte) override {
    if (!IsOpen()) return ByteWrite::Failed;
    OVERLAPPED request{};
    request.hEvent = writeDone_;
    DWORD written = 0;
    if (!::WriteFile(handle_, &byte, 1, nullptr, &request) && ::GetLastError() != ERROR_IO_PENDING)
      return ByteWrite::Failed;
    if (!::GetOverlappedResult(handle_, &request, &written, TRUE)) {
      const DWORD error = ::GetLastError();
      return error == ERROR_SEM_TIMEOUT || error == ERROR_TIMEOUT ? ByteWrite::TimedOut : ByteWrite::Failed;
    }
    // The write time-out ran out before the port took the byte.
    return written == 1 ? ByteWrite::Written : ByteWrite::TimedOut;
  }

  void Close() override {
    if (!IsOpen()) return;
    InterruptWait();  // a reader waiting for input lets go of the handle first
    std::lock_guard guard(waitLock_);
    (void)::SetCommMask(handle_, 0);
    (void)::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::string failure_;
  // One event per kind of request: reads and writes are serialised by the
  // session's port lock, but a wait for input runs beside a write.
  HANDLE readDone_;
  HANDLE writeDone_;
  HANDLE waitDone_;
  HANDLE wake_;  // auto-reset: InterruptWait ends the current or next wait
  bool waitable_ = false;
  std::mutex waitLock_;  // a wait for input and Close never overlap
};

}  // namespace

std::unique_ptr<SerialDevice> CreateLocalSerialDevice() { return std::make_unique<Win32SerialDevice>(); }

}  // namespace telvaro
