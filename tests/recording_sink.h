// A message sink that keeps every text it is given, for tests of pages alone.
#pragma once

#include <string>
#include <vector>

#include "base/session_events.h"

namespace telvaro {

class RecordingSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

}  // namespace telvaro
