// Turns COM port numbers into device paths and back.
//
// Explicit pairs "COM<n>=<path>" (from --port options or TELVARO_PORTS, pairs
// separated by ';') win over the fixed rule. The rule on POSIX systems:
//   /dev/ttyS<k>    is COM<k+1>
//   /dev/ttyUSB<k>  is COM<100+k>
//   /dev/ttyACM<k>  is COM<200+k>
// On Windows, COM<n> is the device "COM<n>" below 10 and "\\.\COM<n>" from 10.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace telvaro {

class PortMap {
 public:
  // Adds one "COM<n>=<path>" pair; false (and nothing added) when the text is
  // not of that form or n is not a positive number.
  bool AddPair(std::string_view pair);
  // Adds every pair of a ';'-separated list, skipping empty items; returns the
  // first malformed item, or an empty string when all were good.
  std::string AddPairs(std::string_view list);
  // Adds the pairs of the TELVARO_PORTS environment variable, if set.
  std::string AddPairsFromEnvironment();

  // The device path for COM n, or nothing when no pair and no rule gives one.
  std::optional<std::string> PathFor(int com) const;
  // The COM number of a device path, or nothing when the path has none.
  std::optional<int> ComFor(std::string_view path) const;

  const std::map<int, std::string>& ExplicitPairs() const { return pairs_; }

  // The fixed rule alone.
  static std::optional<std::string> RulePathFor(int com);
  static std::optional<int> RuleComFor(std::string_view path);

 private:
  std::map<int, std::string> pairs_;
};

// "COM12" -> 12; nothing for anything else. Leading "COM" and a positive
// decimal number with nothing after it, as a "COM%d" scan would take it.
std::optional<int> ParseComName(std::string_view text);

}  // namespace telvaro
