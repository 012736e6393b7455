// CRC-16/ARC, the checksum of SIA frames.
//   polynomial 0x8005 (processed reflected as 0xA001), initial value 0x0000,
//   input and output reflected, final XOR 0x0000, check value ("123456789") 0xBB3D.
#pragma once

#include <cstdint>
#include <string_view>

namespace v7400 {

std::uint16_t Crc16(std::string_view bytes);

}  // namespace v7400
