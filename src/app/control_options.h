// --control [ADDRESS:]PORT and --control-token TOKEN: where the live control listens, and the
// token every request must bring when it listens beyond this computer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/udp_endpoint.h"

namespace v7400 {

struct ControlOptions {
  std::string address = "127.0.0.1";  // numeric, without brackets
  std::uint16_t port = 0;             // 0: any free port, said at start
  IpVersion version = IpVersion::kIPv4;
  bool loopback = true;
  std::string token;  // empty: none asked for
};

// "8080", "127.0.0.1:8080", "[::1]:8080", "0.0.0.0:8080", "localhost:8080"; nothing with
// `error` saying what is wrong.
std::optional<ControlOptions> ParseControlAddress(const std::string& text, std::string& error);
// Why the token cannot be one (empty, blanks, control bytes, over 256 characters), or empty.
std::string ControlTokenProblem(const std::string& token);
// Reads --control and --control-token into `control`; the refusal, or empty. An address beyond
// this computer needs a token.
std::string ReadControlOptions(const std::optional<std::string>& address,
                               const std::optional<std::string>& token,
                               std::optional<ControlOptions>& control);
// "127.0.0.1:8080", "[::1]:8080".
std::string ControlAddressText(const ControlOptions& options, std::uint16_t port);

}  // namespace v7400
