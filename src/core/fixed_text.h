// Numbers written for machines and people alike: the same digits under every locale.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

namespace v7400 {

// `value` with `decimals` digits after a point: "5.9", "0.673".
inline std::string FixedText(double value, int decimals) {
  char text[64];
  const auto [end, status] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return status == std::errc() ? std::string(text, end) : std::string("0");
}

// The shortest text that reads back as the same `value`: "0.25", "1e-05".
inline std::string ShortestText(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// Appends `value` with at least `digits` digits, zeros in front: "07", "2026"; in base 16 with
// upper-case letters: "0A", "47D4". Every frame's time and checksum go through this.
inline void AppendDigits(std::string& out, std::uint64_t value, int digits, unsigned base = 10) {
  char text[24];
  char* const end = text + sizeof text;
  char* first = end;
  do {
    *--first = "0123456789ABCDEF"[value % base];
    value /= base;
  } while (first > text && (value != 0 || end - first < digits));
  out.append(first, end);
}

}  // namespace v7400
