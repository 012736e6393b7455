#include "codec/fault_hints.h"

#include <algorithm>
#include <limits>

#include "codec/cipher.h"
#include "codec/crc16.h"
#include "codec/frame.h"
#include "core/parse_whole.h"

namespace v7400 {

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperText(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
  return upper;
}

// The value of a field of digits in `base`, or -1.
long FieldValue(std::string_view field, int base) {
  return ParseWhole<long>(field, std::numeric_limits<long>::lowest(),
                          std::numeric_limits<long>::max(), base)
      .value_or(-1);
}

}  // namespace

std::string CrcHint(std::string_view frame) {
  const std::string field(SiaChecksum(frame));
  if (frame.size() < 9 || field.size() != 4) return {};
  const std::string_view body = SiaBody(frame);
  const std::string expected = Hex4(Crc16(body));
  if (field == expected) return {};
  if (UpperText(field) == expected) return "lower-case digits";
  if (field == expected.substr(2) + expected.substr(0, 2)) return "the two bytes swapped";
  if (field == Hex4(Crc16(frame.substr(7)))) return "computed with the end byte";
  if (field == Hex4(Crc16(frame.substr(5, frame.size() - 6)))) {
    return "computed with the length field";
  }
  return {};
}

std::string LengthHint(std::string_view buffer) {
  const std::string_view field = SiaLength(buffer);
  const long declared = FieldValue(field, 16);
  if (declared < 0 || buffer.size() < 8) return {};
  // The first frame in the buffer: a length one too long makes the reader wait past its end
  // byte, so the next frame is taken into the same buffer.
  // The same holds for a length written in decimal, larger when read as hexadecimal.
  const std::size_t end = buffer.find(kSiaEnd, 7);
  const auto body = static_cast<long>(end == std::string_view::npos ? buffer.size() - 8 : end - 7);
  if (declared == body + 1) return "counted with the end byte";
  if (declared != body && FieldValue(field, 10) == body) {
    return "written in decimal, not hexadecimal";
  }
  return {};
}

std::string CipherHint(std::string_view payload) {
  const bool unprintable = std::any_of(payload.begin(), payload.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte >= 0x7F;
  });
  return unprintable ? "AES packet decrypted to unprintable bytes: wrong key?" : std::string();
}

std::string KeyStringHint(std::string_view key_string) {
  if (key_string.empty() || IsKeyString(key_string)) return {};
  const bool printable = std::all_of(key_string.begin(), key_string.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
  const bool non_hex = !std::all_of(key_string.begin(), key_string.end(), IsHexDigit);
  if (!printable || !non_hex) return {};
  return "key string of " + std::to_string(key_string.size()) +
         " characters looks like text, not 32/48/64 hexadecimal digits";
}

std::string WithHint(std::string reason, const std::string& hint) {
  if (hint.empty()) return reason;
  return reason.empty() ? hint : reason + ": " + hint;
}

}  // namespace v7400
