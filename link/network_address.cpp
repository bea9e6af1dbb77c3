#include "link/network_address.h"

#include <charconv>

namespace telvaro {
namespace {

constexpr std::string_view kRawScheme = "tcp://";
constexpr std::string_view kTelnetScheme = "rfc2217://";

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

bool IsNetworkAddress(std::string_view text) { return StartsWith(text, kRawScheme) || StartsWith(text, kTelnetScheme); }

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text) {
  NetworkAddress address;
  if (StartsWith(text, kRawScheme)) {
    text.remove_prefix(kRawScheme.size());
  } else if (StartsWith(text, kTelnetScheme)) {
    address.mode = NetworkMode::Rfc2217;
    text.remove_prefix(kTelnetScheme.size());
  } else {
    return std::nullopt;
  }
  std::string_view host;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
    host = text.substr(1, close - 1);
    text.remove_prefix(close + 2);
  } else {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = text.substr(0, colon);
    // An unbracketed IPv6 address would make the port ambiguous.
    if (host.find(':') != std::string_view::npos) return std::nullopt;
    text.remove_prefix(colon + 1);
  }
  if (host.empty() || host.find_first_of("/ \t@?#[]") != std::string_view::npos) return std::nullopt;
  unsigned port = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || text.size() > 5 || ec != std::errc() || end != text.data() + text.size() || port == 0 ||
      port > 65535)
    return std::nullopt;
  address.host = std::string(host);
  address.service = std::string(text);
  return address;
}

}  // namespace telvaro
