// Text from the command line or a file, made safe to show on one terminal line: bytes outside
// printable ASCII as \xNN (no escape sequence reaches the terminal) and a long text shortened.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace v7400 {

// About what a refusal line may take of a terminal.
inline constexpr std::size_t kShownLineLimit = 400;

inline std::string ShownText(std::string_view text, std::size_t limit) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : text.substr(0, limit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kDigits[byte >> 4];
      shown += kDigits[byte & 0x0F];
    }
  }
  if (text.size() > limit) shown += "... (" + std::to_string(text.size()) + " bytes)";
  return shown;
}

}  // namespace v7400
