#include "display/display_text.h"

#include <cstdint>

#include "core/fixed_text.h"

namespace v7400 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexPair(std::string& out, std::uint8_t byte) {
  out += kHexDigits[byte >> 4U];
  out += kHexDigits[byte & 0x0FU];
}

// Two digits of a calendar field, as "%02d" of its last two digits.
void AppendTwoDigits(std::string& out, int field) {
  AppendDigits(out, static_cast<unsigned>(field % 100), 2);
}

void AppendTime(std::string& out, const LocalTime& t) {
  AppendTwoDigits(out, t.hour);
  out += ':';
  AppendTwoDigits(out, t.minute);
  out += ':';
  AppendTwoDigits(out, t.second);
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
  // Written in place, at most "[255]" a byte: this runs for every byte received and sent.
  std::string out(bytes.size() * 5, '\0');
  char* cell = out.data();
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte == 0x20) {
      *cell++ = blank_as_s ? 's' : ' ';
    } else if (byte >= 0x21 && byte <= 0x7F) {
      *cell++ = c;
    } else {
      *cell++ = '[';
      if (byte >= 100) *cell++ = static_cast<char>('0' + byte / 100);
      if (byte >= 10) *cell++ = static_cast<char>('0' + byte / 10 % 10);
      *cell++ = static_cast<char>('0' + byte % 10);
      *cell++ = ']';
    }
  }
  out.resize(static_cast<std::size_t>(cell - out.data()));
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
  std::string text;
  AppendTime(text, clock.Now());
  return text;
}

std::string DateTimeStamp(const Clock& clock) {
  const LocalTime t = clock.Now();
  std::string text;
  AppendTwoDigits(text, t.month);
  text += '-';
  AppendTwoDigits(text, t.day);
  text += '-';
  AppendDigits(text, static_cast<unsigned>(t.year % 10000), 4);
  text += ' ';
  AppendTime(text, t);
  return text;
}

}  // namespace v7400
