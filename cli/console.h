// The few things telvaro-cli asks of the console and the system that differ
// between POSIX and Windows: Ctrl+C, whether a stream is a terminal, waiting
// for a key, and a file only its owner may read.
#pragma once

#include <cstdio>
#include <string>

namespace telvaro::cli {

// Ctrl+C (Ctrl+Break too on Windows) and SIGTERM, and SIGHUP with `hangUp`,
// call `handler` with the signal's number (SIGINT for Ctrl+C), on a thread or
// in a signal handler: it may only set atomics. With `once`, a second
// request ends the tool at once, as if none were caught. Windows has no
// SIGTERM or SIGHUP for a console program: closing the console window ends
// the tool there.
void CatchStopRequests(void (*handler)(int), bool hangUp, bool once);

// True for an interactive terminal or console; a pipe, a file or NUL is not.
// On Windows an output console counts once it takes the terminal's escape
// sequences (Windows 10 and later), which this turns on: a progress line
// redrawn in place needs them.
bool IsTerminal(std::FILE* stream);

// What is written to `stream` from now on goes out byte for byte: Windows
// writes a text-mode stream's 0x0A as CR LF, which would break a settings
// file sent to standard output.
void SetBinary(std::FILE* stream);

// One byte of standard input when one comes within `timeoutMs`: 1 with the
// byte, 0 at the end of input, -1 when none came yet.
int ReadInputByte(char& byte, int timeoutMs);

// FILE created or emptied for writing text. On POSIX a new file is its
// owner's only (0600); Windows gives it the folder's permissions, which for
// the user's own folders are the user's. nullptr when it cannot be opened.
std::FILE* OpenPrivateText(const std::string& path);

}  // namespace telvaro::cli
