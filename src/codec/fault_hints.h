// The likely cause behind a refused frame or key, where one cause explains what was seen: a few
// words that go after the difference in a reason ("CRC 1a2b, expected 1A2B: lower-case digits").
// Each returns an empty text when no single cause fits.
#pragma once

#include <string>
#include <string_view>

namespace v7400 {

// A frame whose checksum field differs from the checksum of its body.
std::string CrcHint(std::string_view frame);
// A serial buffer cut at an end byte whose length does not match its declared length.
std::string LengthHint(std::string_view buffer);
// The payload of an AES packet: unprintable bytes mean the key does not match the sender's.
std::string CipherHint(std::string_view payload);
// A key string that is not 32, 48 or 64 hexadecimal digits but reads as typed text.
std::string KeyStringHint(std::string_view key_string);

// "reason: hint", or the reason alone without a hint.
std::string WithHint(std::string reason, const std::string& hint);

}  // namespace v7400
