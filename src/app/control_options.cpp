#include "app/control_options.h"

#include <arpa/inet.h>

#include <cstring>

#include "core/parse_whole.h"
#include "core/shown_text.h"

namespace v7400 {

namespace {

constexpr std::size_t kTokenLimit = 256;
constexpr std::size_t kQuotedLimit = 80;

bool ReadPort(const std::string& text, std::uint16_t& port) {
  const std::optional<std::uint16_t> value = ParseWhole<std::uint16_t>(text);
  if (value) port = *value;
  return value.has_value();
}

// Fills the family and whether the address stays on this computer; false for no address.
bool ReadAddress(const std::string& text, bool bracketed, ControlOptions& options) {
  unsigned char bytes[16] = {};
  if (bracketed) {
    if (inet_pton(AF_INET6, text.c_str(), bytes) != 1) return false;
    static const unsigned char kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    options.version = IpVersion::kIPv6;
    options.loopback = std::memcmp(bytes, kLoopback6, sizeof bytes) == 0;
  } else {
    if (inet_pton(AF_INET, text.c_str(), bytes) != 1) return false;
    options.loopback = bytes[0] == 127;
  }
  options.address = text;
  return true;
}

}  // namespace

std::optional<ControlOptions> ParseControlAddress(const std::string& text, std::string& error) {
  ControlOptions options;
  const std::size_t colon = text.rfind(':');
  std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (!ReadPort(port, options.port)) {
    error = "the port must be a number from 0 to 65535";
    return std::nullopt;
  }
  if (colon == std::string::npos) return options;
  std::string host = text.substr(0, colon);
  const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (bracketed) host = host.substr(1, host.size() - 2);
  if (!bracketed && host == "localhost") return options;
  if (!ReadAddress(host, bracketed, options)) {
    error = bracketed ? "'" + host + "' is no IPv6 address"
            : host.find(':') != std::string::npos
                ? "an IPv6 address goes in brackets: [::1]:PORT"
                : "the address must be an IPv4 address, [an IPv6 address] or localhost";
    return std::nullopt;
  }
  return options;
}

std::string ControlTokenProblem(const std::string& token) {
  if (token.empty()) return "the token is empty";
  if (token.size() > kTokenLimit) return "the token is longer than 256 characters";
  for (const char c : token) {
    if (c <= 0x20 || c >= 0x7F) return "the token takes printable ASCII without blanks";
  }
  return {};
}

std::string ReadControlOptions(const std::optional<std::string>& address,
                               const std::optional<std::string>& token,
                               std::optional<ControlOptions>& control) {
  if (!address) return token ? "--control-token needs --control" : "";
  std::string error;
  control = ParseControlAddress(*address, error);
  if (!control) return "--control '" + ShownText(*address, kQuotedLimit) + "': " + error;
  if (token) {
    if (error = ControlTokenProblem(*token); !error.empty()) return "--control-token: " + error;
    control->token = *token;
  } else if (!control->loopback) {
    return "--control " + ControlAddressText(*control, control->port) +
           ": an address beyond this computer needs --control-token TOKEN";
  }
  return {};
}

std::string ControlAddressText(const ControlOptions& options, std::uint16_t port) {
  const std::string host =
      options.version == IpVersion::kIPv6 ? "[" + options.address + "]" : options.address;
  return host + ":" + std::to_string(port);
}

}  // namespace v7400
