// What the core hands back from anything that can fail: the value, or a
// failure with its kind, the operator's message and the system's reason. The
// command line turns the kind into an exit code in one place; the window
// picks a message box's icon from it. Nobody parses a message's text.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace telvaro {

enum class FailureKind {
  Usage,         // the command line, or a value the operator gave, is not taken
  Input,         // a file or setting the tool was given is refused
  File,          // a file could not be read or written
  Port,          // the port could not be opened
  Line,          // a frame did not go out (the line does not take data, a write failed)
  Disconnected,  // the device hung up or vanished
  NoAnswer,      // the modem did not answer in time
  Damaged,       // an answer came damaged (bad checksum)
  Refused,       // the modem refused (an upgrade packet, a setting it does not hold)
  Cancelled,     // the operator ended it
};

struct Failure {
  FailureKind kind = FailureKind::Input;
  std::string message;  // what the operator reads
  std::string reason;   // the system's own reason, when there is one
};

// The message and, when there is one, the reason on one line.
inline std::string OneLine(const Failure& failure) {
  return failure.reason.empty() ? failure.message : failure.message + ": " + failure.reason;
}

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : held_(std::move(value)) {}  // NOLINT: a value converts
  Result(Failure failure) : held_(std::move(failure)) {}  // NOLINT: so does a failure

  bool ok() const { return held_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(held_); }
  const T& value() const { return std::get<0>(held_); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Failure& failure() const { return std::get<1>(held_); }

 private:
  std::variant<T, Failure> held_;
};

// A result without a value: success, or a failure.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)), ok_(false) {}  // NOLINT

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const Failure& failure() const { return failure_; }

 private:
  Failure failure_;
  bool ok_ = true;
};

}  // namespace telvaro
