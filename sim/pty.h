// A pseudo-terminal pair in raw mode: the simulator holds the master side and
// a client (the tool) opens the slave side by its path, as it would open a
// serial port.
#pragma once

#include <string>

namespace telvaro::sim {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal() { Close(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a new pair: the master non-blocking, the slave kept open as well so
  // that the master never sees a hang-up while no client has the slave open.
  // Both ends are put in raw mode (no echo, no line editing, no translation).
  // False, with `error` set, when any step fails; nothing stays open then.
  bool Open(std::string* error = nullptr);
  // Closes both ends; a client that has the slave open sees a hang-up.
  void Close();

  // A client that ended without giving up exclusive use (killed, or closed
  // without TIOCNXCL) leaves the line exclusive: the slave lives on with
  // the master, so every later open would fail with EBUSY until the pair is
  // closed. A real serial port loses the flag with its last close; this
  // gives the pair the same behaviour. The line counts as abandoned when it
  // is exclusive and no open file holds an advisory lock on it (telvaro's
  // clients lock before they take exclusive use and keep the lock while
  // they hold the port). True when the flag was cleared.
  bool ReleaseAbandonedExclusive();

  bool IsOpen() const { return master_ >= 0; }
  int MasterFd() const { return master_; }
  int SlaveFd() const { return slave_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Puts the terminal behind `fd` in raw mode, 8 data bits, no flow control.
// False when its attributes cannot be read or set.
bool MakeRaw(int fd);

}  // namespace telvaro::sim
