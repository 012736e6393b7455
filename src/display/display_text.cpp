#include "display/display_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/fixed_text.h"

namespace v7400 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Shown as itself in the decimal rendering: 0x21 to 0x7F.
bool IsShownAsItself(char c) {
  return static_cast<std::uint8_t>(c) >= 0x21 && static_cast<std::uint8_t>(c) <= 0x7F;
}

void AppendHexPair(std::string& out, std::uint8_t byte) {
  out += kHexDigits[byte >> 4U];
  out += kHexDigits[byte & 0x0FU];
}

// Two digits of a calendar field: its last two, as "%02d" writes them.
void PutTwoDigits(char* at, int field) {
  const int value = std::abs(field % 100);
  at[0] = static_cast<char>('0' + value / 10);
  at[1] = static_cast<char>('0' + value % 10);
}

void AppendTwoDigits(std::string& out, int field) {
  char text[2];
  PutTwoDigits(text, field);
  out.append(text, sizeof text);
}

void AppendTime(std::string& out, const LocalTime& t) {
  // "hh:mm:ss" in one append: every frame shown is stamped with it.
  char text[8] = {'0', '0', ':', '0', '0', ':', '0', '0'};
  PutTwoDigits(text, t.hour);
  PutTwoDigits(text + 3, t.minute);
  PutTwoDigits(text + 6, t.second);
  out.append(text, sizeof text);
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

void AppendDecimal(std::string& out, std::string_view bytes, bool blank_as_s) {
  // Written in place, at most "[255]" a byte: this runs for every byte received and sent.
  const std::size_t start = out.size();
  out.resize(start + bytes.size() * 5);
  char* cell = out.data() + start;
  std::size_t at = 0;
  while (at < bytes.size()) {
    // A run of printable bytes goes across in one copy.
    std::size_t end = at;
    while (end < bytes.size() && IsShownAsItself(bytes[end])) ++end;
    std::memcpy(cell, bytes.data() + at, end - at);
    cell += end - at;
    if (end == bytes.size()) break;
    const auto byte = static_cast<std::uint8_t>(bytes[end]);
    at = end + 1;
    if (byte == 0x20) {
      *cell++ = blank_as_s ? 's' : ' ';
    } else {
      *cell++ = '[';
      if (byte >= 100) *cell++ = static_cast<char>('0' + byte / 100);
      if (byte >= 10) *cell++ = static_cast<char>('0' + byte / 10 % 10);
      *cell++ = static_cast<char>('0' + byte % 10);
      *cell++ = ']';
    }
  }
  out.resize(static_cast<std::size_t>(cell - out.data()));
}

std::string RenderDecimal(std::string_view bytes, bool blank_as_s) {
  std::string out;
  AppendDecimal(out, bytes, blank_as_s);
  return out;
}

void AppendBracketedHex(std::string& out, std::string_view bytes) {
  // Written in place: this runs for every byte received, so no growth checks per character.
  const std::size_t start = out.size();
  out.resize(start + bytes.size() * 4, '[');
  char* cell = out.data() + start;
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    cell[1] = kHexDigits[byte >> 4U];
    cell[2] = kHexDigits[byte & 0x0FU];
    cell[3] = ']';
    cell += 4;
  }
}

std::string RenderBracketedHex(std::string_view bytes) {
  std::string out;
  AppendBracketedHex(out, bytes);
  return out;
}

void AppendTimeStamp(std::string& out, const Clock& clock) { AppendTime(out, clock.Now()); }

std::string TimeStamp(const Clock& clock) {
  std::string text;
  AppendTimeStamp(text, clock);
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
