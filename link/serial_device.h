// The thin platform layer under PortSession: one open serial device with the
// handful of operations the session needs. POSIX termios or Win32, chosen at
// compile time. Every configuration call is best effort: a device that refuses
// one (a pseudo-terminal has no DTR, say) still counts as open.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace telvaro {

inline constexpr std::size_t kDriverQueueSize = 3072;
inline constexpr unsigned kLineBaudRate = 115200;
// A byte the port does not take within this time is given up and the next one
// is offered (the Win32 write time-outs: 200 ms per byte plus 500 ms).
inline constexpr int kByteWriteTimeoutMs = 200 + 500;
// One byte on the wire at the line's speed: a start bit, 8 data bits, a stop bit.
inline constexpr std::chrono::nanoseconds kWireTimePerByte{1'000'000'000LL * 10 / kLineBaudRate};

enum class ByteWrite { Written, TimedOut, Failed };

// Read's result when the device is gone for good: hang-up, an unplugged USB
// adapter, an I/O error. Retrying cannot help; the session closes.
inline constexpr long kReadDeviceGone = -2;
// Why an open failed when the port belongs to someone else.
inline constexpr const char* kPortInUse = "in use by another program";
// Why an open was refused: the path names a file, a FIFO or a device that is
// not a terminal line (/dev/null), which a frame would overwrite or vanish into.
inline constexpr const char* kNotSerialDevice = "not a serial device";

// Who may open a device, for the message after a permission error.
struct DeviceAccess {
  std::string owner;
  std::string group;
  unsigned mode = 0;           // st_mode
  bool inGroup = false;        // this process already has the device's group
  bool listedInGroup = false;  // the user is a member, but not in this login yet
};
// "Permission denied (owner root, group dialout, mode crw-rw----)" and, only
// when the device's group may read and write it and this process lacks the
// group, what to do: join it, or log in again when already a member.
std::string PermissionDeniedText(const DeviceAccess& access);

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens `path` for reading and writing, exclusively, without making it the
  // controlling terminal; false when the device cannot be opened. Exclusive
  // means against every other program, whoever runs it (root included).
  virtual bool Open(const std::string& path) = 0;
  // After a failed Open, the system's reason in a few words: kPortInUse when
  // another program holds the port, else the system's own text ("No such
  // file or directory", "Permission denied" with what to do about it...).
  virtual std::string OpenFailureReason() const = 0;
  // Queue sizes, time-outs that make reads return at once, 115200 8N1 with
  // DTR held off, then both driver queues purged. Failures are not examined.
  virtual void Configure() = 0;
  // Reads whatever is waiting, up to `capacity` bytes, without blocking.
  // Returns the byte count (0 when nothing is waiting), kReadDeviceGone when
  // the device has hung up or vanished, or -1 for any other failed read.
  virtual long Read(std::uint8_t* buffer, std::size_t capacity) = 0;
  // Blocks until bytes are waiting, the line hangs up, InterruptWait is
  // called or `timeoutMs` passes, whichever comes first. Only for devices
  // whose CanWaitForInput is true; the others are polled by the session.
  virtual bool CanWaitForInput() const { return false; }
  virtual void WaitForInput(int timeoutMs) { (void)timeoutMs; }
  // Ends a WaitForInput under way on another thread (or the next one). Safe
  // from any thread, open or not.
  virtual void InterruptWait() {}
  // Clears any pending line error before a frame is written.
  virtual void ClearLineError() = 0;
  // Offers one byte, waiting at most kByteWriteTimeoutMs for the port to take it.
  virtual ByteWrite WriteByte(std::uint8_t byte) = 0;
  // The same, waiting no longer than `timeoutMs` (at most kByteWriteTimeoutMs),
  // so a frame's own deadline is kept. A device whose write time-outs are
  // fixed at open keeps them; the session checks the deadline between bytes.
  virtual ByteWrite WriteByteWithin(std::uint8_t byte, int timeoutMs) {
    (void)timeoutMs;
    return WriteByte(byte);
  }
  // True when the device has hung up or vanished; looked at between the
  // bytes of a frame, when the reader cannot run.
  virtual bool Gone() { return false; }
  // Why the device went, in a few words, when it can tell more than that it
  // went ("the server closed the connection"); empty otherwise.
  virtual std::string GoneReason() const { return {}; }
  // Throws away whatever the device has received and not yet been read.
  virtual void DiscardInput() {}
  // Bytes handed to the device that have not yet left on the wire, when the
  // driver can tell; 0 otherwise.
  virtual long OutputQueued() { return 0; }
  // Clears the event mask and closes the device. Safe to call twice.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  static std::unique_ptr<SerialDevice> Create();
};

}  // namespace telvaro
