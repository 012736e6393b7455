// The JSON the programs write for scripts: one compact line, members in the order they were
// set, numbers rounded as the text reports round them.
#pragma once

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

namespace v7400 {

using Json = nlohmann::ordered_json;

// Strings come from frames, whose bytes may be anything: what is not UTF-8 becomes U+FFFD, so
// the output stays valid JSON instead of ending the report with an exception.
inline std::string JsonText(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

inline double Rounded(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

}  // namespace v7400
