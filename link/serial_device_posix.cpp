// POSIX termios backend: raw mode, non-blocking reads, one-byte writes that
// wait for the port with poll().
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/sysmacros.h>
#include <vector>

#include "link/network_device.h"
#include "link/serial_device.h"
#include "link/wake_pipe_posix.h"

namespace telvaro {
namespace {

std::string ModeText(unsigned mode) {
  std::string text = S_ISCHR(mode) ? "c" : S_ISBLK(mode) ? "b" : S_ISDIR(mode) ? "d" : S_ISREG(mode) ? "-" : "?";
  const char* letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400u >> bit)) ? letters[bit] : '-';
  return text;
}

// A terminal someone types on is no modem: /dev/tty itself, or a terminal
// that is the controlling terminal of a running process (its shell, say),
// found as ps finds it, through /proc. Frames sent there would reach the
// user's screen and the line would be left raw at 115200.
std::string TerminalInUse(const std::string& path, dev_t device) {
  if (path == "/dev/tty" || (major(device) == 5 && minor(device) == 0))
    return "the controlling terminal (/dev/tty), not a modem";
#ifdef __linux__
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::string pid = it->path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(it->path() / "stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) continue;
    // After the command's name: state, ppid, pgrp, session, tty_nr.
    char state = 0;
    long ppid = 0, pgrp = 0, session = 0;
    unsigned long tty = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld %ld %ld %lu", &state, &ppid, &pgrp, &session, &tty) != 5 ||
        tty == 0)
      continue;
    const unsigned long ttyMajor = (tty >> 8) & 0xfff, ttyMinor = (tty & 0xff) | ((tty >> 12) & 0xfff00);
    if (ttyMajor == major(device) && ttyMinor == minor(device))
      return "the controlling terminal of process " + pid + " (" + stat.substr(open + 1, close - open - 1) +
             "), not a modem";
  }
#else
  (void)device;
#endif
  return {};
}

// The device's owner, group and mode as the system has them, and whether
// this process or its user belongs to that group.
std::string PermissionDeniedFor(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::strerror(EACCES);
  DeviceAccess access;
  const passwd* owner = ::getpwuid(info.st_uid);
  access.owner = owner ? owner->pw_name : std::to_string(info.st_uid);
  const group* devices = ::getgrgid(info.st_gid);
  access.group = devices ? devices->gr_name : std::to_string(info.st_gid);
  access.mode = info.st_mode;
  access.inGroup = ::getegid() == info.st_gid;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
  if (!groups.empty() && ::getgroups(static_cast<int>(groups.size()), groups.data()) >= 0)
    access.inGroup = access.inGroup || std::find(groups.begin(), groups.end(), info.st_gid) != groups.end();
  if (const passwd* user = ::getpwuid(::geteuid()); user && devices) {
    access.listedInGroup = user->pw_gid == info.st_gid;
    for (char** member = devices->gr_mem; member && *member; ++member)
      access.listedInGroup = access.listedInGroup || std::string(*member) == user->pw_name;
  }
  return PermissionDeniedText(access);
}

std::string OpenErrorText(int error, const std::string& path) {
  if (error == EBUSY) return kPortInUse;  // held with TIOCEXCL by another program
  if (error == EACCES) return PermissionDeniedFor(path);
  return std::strerror(error);
}

class PosixSerialDevice final : public SerialDevice {
 public:
  PosixSerialDevice() = default;
  ~PosixSerialDevice() override {
    Close();
  }

  bool Open(const std::string& path) override {
    Close();
    failure_.clear();
    if (path == "/dev/tty") {
      failure_ = TerminalInUse(path, 0);
      return false;
    }
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      failure_ = OpenErrorText(errno, path);
      return false;
    }
    // Only a terminal line is a port: a regular file would have its first
    // bytes overwritten by the first frame, and /dev/null or a FIFO would
    // swallow every frame while the modem seemed silent. Judged on the opened
    // descriptor, so the path cannot change in between.
    struct stat info {};
    termios probe{};
    if (::fstat(fd_, &info) != 0 || !S_ISCHR(info.st_mode) || ::tcgetattr(fd_, &probe) != 0) {
      ::close(fd_);
      fd_ = -1;
      failure_ = kNotSerialDevice;
      return false;
    }
    if (std::string terminal = TerminalInUse(path, info.st_rdev); !terminal.empty()) {
      ::close(fd_);
      fd_ = -1;
      failure_ = std::move(terminal);
      return false;
    }
    // The line settings as found, put back on Close: the next program on the
    // port (a terminal program, a getty) finds the line as it left it.
    saved_ = probe;
    // TIOCEXCL does not bind root, and operators often run as root: an
    // advisory lock on the device is what keeps a second program off the
    // port whoever runs it (serial tools commonly honour it). A device that
    // cannot be locked at all is still used.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
      ::close(fd_);
      fd_ = -1;
      failure_ = kPortInUse;
      return false;
    }
    // Exclusive use, like a Win32 COM port opened without sharing. A device
    // that does not support it is still used.
    (void)::ioctl(fd_, TIOCEXCL);
    return true;
  }

  std::string OpenFailureReason() const override { return failure_; }

  void Configure() override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
      ::cfmakeraw(&tio);
      tio.c_cflag |= CLOCAL | CREAD;
      tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE | CRTSCTS);
      tio.c_cflag |= CS8;
      tio.c_iflag &= ~(IXON | IXOFF | IXANY);
      tio.c_cc[VMIN] = 0;  // reads return at once with whatever is waiting
      tio.c_cc[VTIME] = 0;
      ::cfsetispeed(&tio, B115200);
      ::cfsetospeed(&tio, B115200);
      (void)::tcsetattr(fd_, TCSANOW, &tio);
    }
    int dtr = TIOCM_DTR;
    (void)::ioctl(fd_, TIOCMBIC, &dtr);  // DTR held off; a pseudo-terminal refuses it
    (void)::tcflush(fd_, TCIOFLUSH);
  }

  long Read(std::uint8_t* buffer, std::size_t capacity) override {
    if (fd_ < 0) return -1;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, 0);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    if (p.revents & (POLLERR | POLLNVAL)) return kReadDeviceGone;
    // Bytes that arrived before a hang-up are read first.
    if (!(p.revents & POLLIN)) return kReadDeviceGone;
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n > 0) return static_cast<long>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    // Readable but end of file, or EIO/ENXIO: the adapter was pulled or the
    // other end closed. Anything else is a failed read that may pass.
    if (n == 0 || errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF) return kReadDeviceGone;
    return -1;
  }

  bool CanWaitForInput() const override { return wake_.Usable(); }

  void WaitForInput(int timeoutMs) override { wake_.Wait(fd_.load(std::memory_order_acquire), timeoutMs); }

  void InterruptWait() override { wake_.Wake(); }

  void ClearLineError() override {
    // termios reports line errors in-band (or not at all in raw mode); there is
    // no pending error state to clear.
  }

  ByteWrite WriteByte(std::uint8_t byte) override { return WriteByteWithin(byte, kByteWriteTimeoutMs); }

  ByteWrite WriteByteWithin(std::uint8_t byte, int timeoutMs) override {
    if (fd_ < 0) return ByteWrite::Failed;
    for (;;) {
      const ssize_t n = ::write(fd_, &byte, 1);
      if (n == 1) return ByteWrite::Written;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return ByteWrite::Failed;
      pollfd p{fd_, POLLOUT, 0};
      const int ready = ::poll(&p, 1, std::clamp(timeoutMs, 0, kByteWriteTimeoutMs));
      if (ready == 0) return ByteWrite::TimedOut;
      if (ready < 0 && errno != EINTR) return ByteWrite::Failed;
      if (ready > 0 && (p.revents & (POLLERR | POLLNVAL | POLLHUP))) return ByteWrite::Failed;
      // The port has room again: try once more, then report a time-out.
      const ssize_t again = ::write(fd_, &byte, 1);
      if (again == 1) return ByteWrite::Written;
      if (again < 0 && errno != EAGAIN && errno != EINTR) return ByteWrite::Failed;
      return ByteWrite::TimedOut;
    }
  }

  bool Gone() override {
    if (fd_ < 0) return true;
    pollfd p{fd_, 0, 0};  // hang-up and errors are reported without asking
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
  }

  void DiscardInput() override {
    if (fd_ >= 0) (void)::tcflush(fd_, TCIFLUSH);
  }

  long OutputQueued() override {
    int queued = 0;
    return fd_ >= 0 && ::ioctl(fd_, TIOCOUTQ, &queued) == 0 ? queued : 0;
  }

  void Close() override {
    if (fd_ >= 0) {
      // Give up exclusive use first: a device someone else still holds open
      // (the simulator, say) would otherwise stay locked against the next open.
      // The advisory lock goes with the descriptor.
      (void)::ioctl(fd_, TIOCNXCL);
      (void)::tcsetattr(fd_, TCSANOW, &saved_);
      ::close(fd_);
      fd_ = -1;
    }
  }

  bool IsOpen() const override { return fd_ >= 0; }

 private:
  std::atomic<int> fd_{-1};  // read without the port lock by WaitForInput
  WakePipe wake_;  // ends a WaitForInput from another thread
  std::string failure_;
  termios saved_{};  // the line settings found at Open
};

}  // namespace

std::string PermissionDeniedText(const DeviceAccess& access) {
  std::string text = std::string(std::strerror(EACCES)) + " (owner " + access.owner + ", group " + access.group +
                     ", mode " + ModeText(access.mode) + ")";
  // Joining the group helps only when the group may read and write the
  // device and this login does not have it yet.
  const bool groupOpens = (access.mode & 060u) == 060u;
  if (!groupOpens || access.inGroup) return text;
  if (access.listedInGroup) return text + "; you are in the group " + access.group + ": log in again";
  return text + "; join the group " + access.group + ": sudo usermod -aG " + access.group +
         " $USER, then log in again";
}

std::unique_ptr<SerialDevice> CreateLocalSerialDevice() { return std::make_unique<PosixSerialDevice>(); }

}  // namespace telvaro
