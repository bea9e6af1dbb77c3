#include "cli/console.h"

#include <csignal>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <vector>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace telvaro::cli {

#ifdef _WIN32
namespace {

void (*gStopHandler)(int) = nullptr;
bool gOnce = false;
std::atomic<bool> gStopCaught{false};

// Runs on a thread of its own, which the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // FALSE hands the event on to the default handler, which ends the process.
  if (gOnce && gStopCaught.exchange(true)) return FALSE;
  gStopHandler(SIGINT);
  return TRUE;
}

HANDLE StreamHandle(std::FILE* stream) { return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream))); }

// A console hands over a line only once Enter is typed: until then a read
// would block, so it is looked for among the waiting key presses.
bool EnterTyped(HANDLE console) {
  DWORD count = 0;
  if (!::GetNumberOfConsoleInputEvents(console, &count) || count == 0) return false;
  std::vector<INPUT_RECORD> events(count);
  DWORD got = 0;
  if (!::PeekConsoleInputA(console, events.data(), count, &got)) return false;
  for (DWORD i = 0; i < got; ++i) {
    const INPUT_RECORD& e = events[i];
    if (e.EventType == KEY_EVENT && e.Event.KeyEvent.bKeyDown && e.Event.KeyEvent.uChar.AsciiChar == '\r') return true;
  }
  return false;
}

}  // namespace

void CatchStopRequests(void (*handler)(int), bool, bool once) {
  gStopHandler = handler;
  gOnce = once;
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool IsTerminal(std::FILE* stream) {
  // _isatty also holds for NUL, a character device; only a console has a mode.
  const HANDLE handle = StreamHandle(stream);
  DWORD mode = 0;
  if (!::GetConsoleMode(handle, &mode)) return false;
  if (stream == stdin) return true;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void SetBinary(std::FILE* stream) {
  std::fflush(stream);
  ::_setmode(::_fileno(stream), _O_BINARY);
}

int ReadInputByte(char& byte, int timeoutMs) {
  // What a read brought beyond the byte asked for: a console gives whole lines.
  static std::string pending;
  if (pending.empty()) {
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    const DWORD wait = static_cast<DWORD>(timeoutMs);
    DWORD mode = 0;
    if (::GetConsoleMode(in, &mode)) {
      if (::WaitForSingleObject(in, wait) != WAIT_OBJECT_0) return -1;
      if (!EnterTyped(in)) {
        ::Sleep(wait);  // keys without Enter yet: the wait would not wait
        return -1;
      }
    } else if (::GetFileType(in) == FILE_TYPE_PIPE) {
      DWORD available = 0;
      if (!::PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr)) return 0;
      if (available == 0) {
        ::Sleep(wait);
        return -1;
      }
    }
    char buffer[4096];  // a whole typed line, Enter included
    DWORD got = 0;
    if (!::ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) return 0;
    for (DWORD i = 0; i < got; ++i)
      if (buffer[i] != '\r') pending += buffer[i];
    if (pending.empty()) return -1;
  }
  byte = pending.front();
  pending.erase(0, 1);
  return 1;
}

std::FILE* OpenPrivateText(const std::string& path) {
  const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  std::FILE* file = fd >= 0 ? ::_fdopen(fd, "w") : nullptr;
  if (!file && fd >= 0) ::_close(fd);
  return file;
}
#else
void CatchStopRequests(void (*handler)(int), bool hangUp, bool once) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART | (once ? SA_RESETHAND : 0);
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  if (hangUp) sigaction(SIGHUP, &action, nullptr);
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

void SetBinary(std::FILE*) {}

int ReadInputByte(char& byte, int timeoutMs) {
  pollfd in{STDIN_FILENO, POLLIN, 0};
  if (::poll(&in, 1, timeoutMs) <= 0) return -1;
  return ::read(STDIN_FILENO, &byte, 1) > 0 ? 1 : 0;
}

std::FILE* OpenPrivateText(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
  std::FILE* file = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
  if (!file && fd >= 0) ::close(fd);
  return file;
}
#endif

}  // namespace telvaro::cli
