#include "display/display_text.h"

#include <cstdint>
#include <cstdio>

namespace v7400 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexPair(std::string& out, std::uint8_t byte) {
  out += kHexDigits[byte >> 4U];
  out += kHexDigits[byte & 0x0FU];
}

}  // namespace

std::string RenderHex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    AppendHexPair(out, static_cast<std::uint8_t>(c));
    out += ' ';
  }
  return out;
}

std::string RenderDecimal(std::string_view bytes, bool blank_as_s) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte == 0x20) {
      out += blank_as_s ? 's' : ' ';
    } else if (byte >= 0x21 && byte <= 0x7F) {
      out += c;
    } else {
      out += '[';
      out += std::to_string(byte);
      out += ']';
    }
  }
  return out;
}

std::string RenderBracketedHex(std::string_view bytes) {
  // Written in place: this runs for every byte received, so no growth checks per character.
  std::string out(bytes.size() * 4, '[');
  char* cell = out.data();
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    cell[1] = kHexDigits[byte >> 4U];
    cell[2] = kHexDigits[byte & 0x0FU];
    cell[3] = ']';
    cell += 4;
  }
  return out;
}

std::string TimeStamp(const Clock& clock) {
  const LocalTime t = clock.Now();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
  return text;
}

std::string DateTimeStamp(const Clock& clock) {
  const LocalTime t = clock.Now();
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d ", t.month % 100, t.day % 100, t.year % 10000);
  return text + TimeStamp(clock);
}

}  // namespace v7400
