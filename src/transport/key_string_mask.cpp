#include "transport/key_string_mask.h"

#include <array>
#include <cstdint>
#include <stdexcept>

#include "codec/cipher.h"

namespace v7400 {

namespace {

// Fixed for good: a settings file written with one table can only be read with the same one.
constexpr std::array<std::uint8_t, 32> kKeyStringMaskTable = {
    0xB0, 0x5C, 0x0F, 0xA7, 0xAE, 0x02, 0x1D, 0xAB, 0x1D, 0x31, 0x13, 0xC3, 0xF2, 0x71, 0xD9, 0xE8,
    0x3D, 0x46, 0xF6, 0x7E, 0x08, 0x85, 0x2A, 0xAE, 0x2D, 0x29, 0x7B, 0x18, 0x67, 0x94, 0xC8, 0x24};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string MaskKeyString(const std::string& text) {
  if (!IsKeyStringLength(text.size())) return {};
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string masked;
  masked.reserve(text.size());
  for (std::size_t i = 0; i < text.size() / 2; ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) {
      throw std::invalid_argument("'" + text.substr(2 * i, 2) + "' is not a valid integer value");
    }
    const int value = (high * 16 + low) ^ kKeyStringMaskTable[i];
    masked += kDigits[value >> 4];
    masked += kDigits[value & 0x0F];
  }
  return masked;
}

}  // namespace v7400
