// Numbers written for machines and people alike: the same digits under every locale.
#pragma once

#include <charconv>
#include <string>

namespace v7400 {

// `value` with `decimals` digits after a point: "5.9", "0.673".
inline std::string FixedText(double value, int decimals) {
  char text[64];
  const auto [end, status] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return status == std::errc() ? std::string(text, end) : std::string("0");
}

}  // namespace v7400
