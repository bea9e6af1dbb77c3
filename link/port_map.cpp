#include "link/port_map.h"

#include <charconv>
#include <cstdlib>

namespace telvaro {
namespace {

std::optional<int> ParsePositive(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || value <= 0) return std::nullopt;
  return value;
}

#ifndef _WIN32
std::optional<int> ParseNonNegative(std::string_view digits) {
  if (digits == "0") return 0;
  return ParsePositive(digits);
}

struct DeviceRule {
  std::string_view prefix;
  int firstCom;
};

constexpr DeviceRule kRules[] = {
    {"/dev/ttyS", 1},
    {"/dev/ttyUSB", 100},
    {"/dev/ttyACM", 200},
};
#endif

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<int> ParseComName(std::string_view text) {
  if (text.substr(0, 3) != "COM") return std::nullopt;
  return ParsePositive(text.substr(3));
}

bool PortMap::AddPair(std::string_view pair) {
  const auto eq = pair.find('=');
  if (eq == std::string_view::npos) return false;
  const auto com = ParseComName(Trim(pair.substr(0, eq)));
  const std::string_view path = Trim(pair.substr(eq + 1));
  if (!com || path.empty()) return false;
  pairs_[*com] = std::string(path);
  return true;
}

std::string PortMap::AddPairs(std::string_view list) {
  std::string firstBad;
  while (!list.empty()) {
    const auto semi = list.find(';');
    const std::string_view item = Trim(list.substr(0, semi));
    if (!item.empty() && !AddPair(item) && firstBad.empty()) firstBad = std::string(item);
    if (semi == std::string_view::npos) break;
    list.remove_prefix(semi + 1);
  }
  return firstBad;
}

std::string PortMap::AddPairsFromEnvironment() {
  const char* value = std::getenv("TELVARO_PORTS");
  return value ? AddPairs(value) : std::string();
}

std::optional<std::string> PortMap::PathFor(int com) const {
  if (const auto it = pairs_.find(com); it != pairs_.end()) return it->second;
  return RulePathFor(com);
}

std::optional<int> PortMap::ComFor(std::string_view path) const {
  for (const auto& [com, mapped] : pairs_)
    if (mapped == path) return com;
  const auto com = RuleComFor(path);
  // A rule number that an explicit pair has taken for another device is not
  // this device's number.
  if (com && pairs_.count(*com)) return std::nullopt;
  return com;
}

std::optional<std::string> PortMap::RulePathFor(int com) {
  if (com <= 0) return std::nullopt;
#ifdef _WIN32
  return com < 10 ? "COM" + std::to_string(com) : "\\\\.\\COM" + std::to_string(com);
#else
  // The rules are tried from the highest first number down, so COM150 is
  // ttyUSB50 and not ttyS149.
  for (auto it = std::rbegin(kRules); it != std::rend(kRules); ++it)
    if (com >= it->firstCom) return std::string(it->prefix) + std::to_string(com - it->firstCom);
  return std::nullopt;
#endif
}

std::optional<int> PortMap::RuleComFor(std::string_view path) {
#ifdef _WIN32
  if (path.substr(0, 4) == "\\\\.\\") path.remove_prefix(4);
  return ParseComName(path);
#else
  for (const DeviceRule& rule : kRules) {
    if (path.substr(0, rule.prefix.size()) != rule.prefix) continue;
    const auto k = ParseNonNegative(path.substr(rule.prefix.size()));
    if (!k) return std::nullopt;
    const int com = rule.firstCom + *k;
    // Each rule owns the numbers up to the next rule's first number.
    const auto next = &rule + 1;
    if (next != std::end(kRules) && com >= next->firstCom) return std::nullopt;
    return com;
  }
  return std::nullopt;
#endif
}

}  // namespace telvaro
