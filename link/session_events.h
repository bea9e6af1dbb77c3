// How the serial link reports to whoever owns it (the main window, the
// command-line tool, a test): operator messages and port state changes.
#pragma once

#include <string>

namespace telvaro {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // One operator message with the default caption and an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
};

class SessionEvents : public MessageSink {
 public:
  // Called after every open and every close with the new state.
  virtual void PortStateChanged(bool open) = 0;
};

}  // namespace telvaro
