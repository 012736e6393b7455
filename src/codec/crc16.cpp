#include "codec/crc16.h"

#include <array>

namespace v7400 {

namespace {

// One step of the reflected polynomial per byte value, so a frame costs one lookup a byte.
constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned value = 0; value < table.size(); ++value) {
    unsigned crc = value;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1U) != 0 ? (crc >> 1U) ^ 0xA001U : crc >> 1U;
    table[value] = static_cast<std::uint16_t>(crc);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t Crc16(std::string_view bytes) {
  std::uint16_t crc = 0;
  for (const char c : bytes) {
    crc = static_cast<std::uint16_t>((crc >> 8U) ^
                                     kTable[(crc ^ static_cast<std::uint8_t>(c)) & 0xFFU]);
  }
  return crc;
}

}  // namespace v7400
