#include "codec/crc16.h"

namespace v7400 {

std::uint16_t Crc16(std::string_view bytes) {
  std::uint16_t crc = 0;
  for (const char c : bytes) {
    auto byte = static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) {
      const bool low = ((crc ^ byte) & 1U) != 0;
      crc = static_cast<std::uint16_t>(crc >> 1U);
      if (low) crc ^= 0xA001U;
      byte = static_cast<std::uint8_t>(byte >> 1U);
    }
  }
  return crc;
}

}  // namespace v7400
