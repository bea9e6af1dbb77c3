// The network backend: one TCP connection to a serial device server, with
// the RFC 2217 Telnet framing when the address asks for it. Non-blocking
// throughout: the connect has its own time-out, reads return at once, and a
// byte waits for room no longer than a serial byte would.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "link/network_address.h"
#include "link/network_device.h"
#include "link/telnet_com_port.h"
#include "link/wake_pipe_posix.h"

namespace telvaro {
namespace {

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

void SetOption(int fd, int level, int name, int value) { (void)::setsockopt(fd, level, name, &value, sizeof value); }

class NetworkSerialDevice final : public SerialDevice {
 public:
  explicit NetworkSerialDevice(int connectTimeoutMs) : connectTimeoutMs_(connectTimeoutMs) {}
  ~NetworkSerialDevice() override {
    Close();
  }

  bool Open(const std::string& path) override {
    Close();
    failure_.clear();
    SetGone("");
    gone_.store(false, std::memory_order_release);
    const auto address = ParseNetworkAddress(path);
    if (!address) {
      failure_ = "not a network address (tcp://HOST:PORT or rfc2217://HOST:PORT)";
      return false;
    }
    telnet_ = address->mode == NetworkMode::Rfc2217;
    codec_ = TelnetComPort();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;  // IPv4 and IPv6 alike, in the resolver's order
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(address->host.c_str(), address->service.c_str(), &hints, &found);
        error != 0) {
      failure_ = std::string("cannot resolve ") + address->host + ": " +
                 (error == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(error));
      return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
    std::string lastError;
    bool timedOut = false;
    for (addrinfo* a = found; a && fd_ < 0; a = a->ai_next) {
      const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
      if (fd < 0) {
        lastError = std::strerror(errno);
        continue;
      }
      int error = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
      if (error == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int ready;
        while ((ready = ::poll(&p, 1, MsUntil(deadline))) < 0 && errno == EINTR) {
        }
        socklen_t length = sizeof error;
        if (ready == 0) {
          error = ETIMEDOUT;
          timedOut = true;
        } else if (ready < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
          error = errno;
        }
      }
      if (error != 0) {
        ::close(fd);
        lastError = std::strerror(error);
        if (timedOut) break;  // the time-out covers every address together
        continue;
      }
      fd_.store(fd, std::memory_order_release);
    }
    ::freeaddrinfo(found);
    if (fd_ < 0) {
      const std::string limit = connectTimeoutMs_ % 1000 == 0 ? std::to_string(connectTimeoutMs_ / 1000) + " s"
                                                              : std::to_string(connectTimeoutMs_) + " ms";
      failure_ = timedOut ? "no connection within " + limit + " (connect time-out)" : lastError;
      return false;
    }
    // One byte at a time must leave at once, as on a serial line; a server
    // that vanishes from the network is noticed by keep-alives and by data
    // left unacknowledged.
    SetOption(fd_, IPPROTO_TCP, TCP_NODELAY, 1);
    SetOption(fd_, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(fd_, IPPROTO_TCP, TCP_KEEPIDLE, 5);
    SetOption(fd_, IPPROTO_TCP, TCP_KEEPINTVL, 2);
    SetOption(fd_, IPPROTO_TCP, TCP_KEEPCNT, 3);
    SetOption(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, 10000);
    return true;
  }

  std::string OpenFailureReason() const override { return failure_; }

  void Configure() override {
    // What a local port's configuration and flush do, on the server's line.
    if (telnet_) (void)SendAll(codec_.Opening(kLineBaudRate), kByteWriteTimeoutMs);
    DiscardInput();
  }

  long Read(std::uint8_t* buffer, std::size_t capacity) override {
    if (fd_ < 0) return -1;
    if (gone_.load(std::memory_order_acquire)) return kReadDeviceGone;
    // Telnet framing only shrinks: `capacity` bytes received never hold more
    // than `capacity` serial bytes.
    const ssize_t n = ::recv(fd_, buffer, capacity, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    if (n <= 0) {
      NoteGone(n == 0 ? 0 : errno);
      return kReadDeviceGone;
    }
    if (!telnet_) return static_cast<long>(n);
    data_.clear();
    reply_.clear();
    codec_.Feed(buffer, static_cast<std::size_t>(n), data_, reply_);
    if (!reply_.empty()) (void)SendAll(reply_, kByteWriteTimeoutMs);
    std::copy(data_.begin(), data_.end(), buffer);
    return static_cast<long>(data_.size());
  }

  bool CanWaitForInput() const override { return wake_.Usable(); }

  void WaitForInput(int timeoutMs) override { wake_.Wait(fd_.load(std::memory_order_acquire), timeoutMs); }

  void InterruptWait() override { wake_.Wake(); }

  void ClearLineError() override {}

  ByteWrite WriteByte(std::uint8_t byte) override { return WriteByteWithin(byte, kByteWriteTimeoutMs); }

  ByteWrite WriteByteWithin(std::uint8_t byte, int timeoutMs) override {
    if (fd_ < 0 || gone_.load(std::memory_order_acquire)) return ByteWrite::Failed;
    std::array<std::uint8_t, 2> escaped{byte, byte};
    const std::size_t size = telnet_ && byte == TelnetComPort::kIac ? 2 : 1;
    return SendSome(escaped.data(), size, std::clamp(timeoutMs, 0, kByteWriteTimeoutMs));
  }

  bool Gone() override {
    if (fd_ < 0 || gone_.load(std::memory_order_acquire)) return true;
    pollfd p{fd_, POLLRDHUP, 0};
    if (::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLERR | POLLHUP | POLLRDHUP | POLLNVAL))) return false;
    int error = 0;
    socklen_t length = sizeof error;
    (void)::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
    NoteGone(error);
    return true;
  }

  std::string GoneReason() const override {
    std::lock_guard guard(reasonLock_);
    return goneReason_;
  }

  void DiscardInput() override {
    if (fd_ < 0) return;
    // What has arrived is read and dropped; Telnet commands among it are still
    // answered. The server's own buffer is purged as a local driver's would be.
    std::array<std::uint8_t, 4096> chunk{};
    for (int rounds = 0; rounds < 64; ++rounds) {
      const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        NoteGone(n == 0 ? 0 : errno);
        return;
      }
      if (!telnet_) continue;
      data_.clear();
      reply_.clear();
      codec_.Feed(chunk.data(), static_cast<std::size_t>(n), data_, reply_);
      if (!reply_.empty()) (void)SendAll(reply_, kByteWriteTimeoutMs);
    }
    if (telnet_) (void)SendAll(TelnetComPort::Purge(TelnetComPort::kPurgeReceive), kByteWriteTimeoutMs);
  }

  void Close() override {
    if (const int fd = fd_.exchange(-1, std::memory_order_acq_rel); fd >= 0) ::close(fd);
  }

  bool IsOpen() const override { return fd_ >= 0; }

 private:
  void SetGone(std::string reason) {
    std::lock_guard guard(reasonLock_);
    goneReason_ = std::move(reason);
  }

  void NoteGone(int error) {
    if (gone_.exchange(true, std::memory_order_acq_rel)) return;
    SetGone(error == 0 ? "the server closed the connection"
            : error == ECONNRESET || error == EPIPE ? "the server reset the connection"
            : error == ETIMEDOUT ? "the server stopped answering (connection timed out)"
                                 : std::string(std::strerror(error)));
  }

  ByteWrite SendAll(const std::vector<std::uint8_t>& bytes, int timeoutMs) {
    return SendSome(bytes.data(), bytes.size(), timeoutMs);
  }

  // Sends all `count` bytes, waiting for room at most `timeoutMs` before the
  // first: once a byte is out, the rest of an escape or a command follows it
  // whatever the wait, or the stream would be cut mid-command.
  ByteWrite SendSome(const std::uint8_t* bytes, std::size_t count, int timeoutMs) {
    std::size_t sent = 0;
    while (sent < count) {
      const ssize_t n = ::send(fd_, bytes + sent, count - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        NoteGone(errno);
        return ByteWrite::Failed;
      }
      pollfd p{fd_, POLLOUT, 0};
      const int ready = ::poll(&p, 1, sent == 0 ? timeoutMs : kByteWriteTimeoutMs);
      if (ready == 0) return sent == 0 ? ByteWrite::TimedOut : ByteWrite::Failed;
      if (ready < 0 && errno != EINTR) return ByteWrite::Failed;
      if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
        int error = 0;
        socklen_t length = sizeof error;
        (void)::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
        NoteGone(error);
        return ByteWrite::Failed;
      }
    }
    return ByteWrite::Written;
  }

  const int connectTimeoutMs_;
  std::atomic<int> fd_{-1};  // read without the port lock by WaitForInput
  WakePipe wake_;  // ends a WaitForInput from another thread
  bool telnet_ = false;
  TelnetComPort codec_;
  std::vector<std::uint8_t> data_, reply_;
  std::string failure_;
  std::atomic<bool> gone_{false};
  mutable std::mutex reasonLock_;
  std::string goneReason_;
};

}  // namespace

std::unique_ptr<SerialDevice> CreateNetworkDevice(int connectTimeoutMs) {
  return std::make_unique<NetworkSerialDevice>(connectTimeoutMs);
}

}  // namespace telvaro
