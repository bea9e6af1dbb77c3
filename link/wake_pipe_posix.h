// A wait on a descriptor that another thread can end early: poll the
// descriptor together with a pipe, and write a byte to the pipe to wake it.
// Shared by the POSIX serial and network devices.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace telvaro {

class WakePipe {
 public:
  WakePipe() {
    if (::pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  ~WakePipe() {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  bool Usable() const { return fds_[0] >= 0; }

  // Until `fd` has input or hangs up, Wake is called or `timeoutMs` passes.
  // The descriptor is not locked while waiting: a Close meanwhile is seen as
  // POLLNVAL or, before that, through the pipe.
  void Wait(int fd, int timeoutMs) {
    if (fd < 0 || fds_[0] < 0) return;
    pollfd p[2] = {{fd, POLLIN, 0}, {fds_[0], POLLIN, 0}};
    (void)::poll(p, 2, timeoutMs);
    if (p[1].revents & POLLIN) {
      char drain[16];
      while (::read(fds_[0], drain, sizeof drain) > 0) {
      }
    }
  }

  // Safe from any thread; a full pipe already wakes the waiter.
  void Wake() {
    if (fds_[1] < 0) return;
    const char one = 1;
    (void)!::write(fds_[1], &one, 1);
  }

 private:
  int fds_[2] = {-1, -1};
};

}  // namespace telvaro
