#include "sim/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace telvaro::sim {

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, B115200);
  ::cfsetospeed(&tio, B115200);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool PseudoTerminal::Open(std::string* error) {
  Close();
  auto fail = [&](const char* step) {
    if (error) *error = std::string(step) + ": " + std::strerror(errno);
    Close();
    return false;
  };
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master_ < 0) return fail("posix_openpt");
  if (::grantpt(master_) != 0) return fail("grantpt");
  if (::unlockpt(master_) != 0) return fail("unlockpt");
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname");
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (slave_ < 0) return fail("open slave");
  // The slave's settings are what a client sees when it opens the device, so
  // echo must be off before any client writes a byte.
  if (!MakeRaw(slave_)) return fail("raw mode on slave");
  (void)MakeRaw(master_);  // the master of a Linux pair is raw already
  return true;
}

namespace {

// Whether /proc/locks lists a lock on the file with this device and inode
// ("1: FLOCK  ADVISORY  WRITE 4242 00:19:3 0 EOF"; device as major:minor in
// hex). Reading the table takes no lock, so it never races a client's open.
// Without the table every line is taken as held.
bool LockHeldOn(const struct stat& file) {
  std::ifstream table("/proc/locks");
  if (!table) return true;
  char id[64];
  std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
                static_cast<unsigned long long>(file.st_ino));
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string field;
    while (fields >> field)
      if (field == id) return true;
  }
  return false;
}

}  // namespace

bool PseudoTerminal::ReleaseAbandonedExclusive() {
#if defined(TIOCGEXCL) && defined(TIOCNXCL)
  if (slave_ < 0) return false;
  int exclusive = 0;
  if (::ioctl(slave_, TIOCGEXCL, &exclusive) != 0 || exclusive == 0) return false;
  struct stat file {};
  if (::fstat(slave_, &file) != 0 || LockHeldOn(file)) return false;
  return ::ioctl(slave_, TIOCNXCL) == 0;
#else
  return false;
#endif
}

void PseudoTerminal::Close() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = -1;
  slave_ = -1;
  slavePath_.clear();
}

}  // namespace telvaro::sim
