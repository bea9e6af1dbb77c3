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
  // The device hung up or vanished (a USB adapter pulled): the reader has
  // stopped and the port should be closed. Called on the reader thread, so it
  // must not close or open the session itself; it hands the close to the
  // owner's own thread, or notes it for whoever is waiting.
  virtual void DeviceDisconnected() {}
};

}  // namespace telvaro
