#include "codec/crc16.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

TEST(Crc16Test, CheckValues) {
  struct Case {
    std::string_view bytes;
    std::uint16_t crc;
  };
  const Case cases[] = {
      {"123456789", 0xBB3D},    {"abc", 0x9738},          {"", 0x0000},
      {"\t00010100[]", 0x47D4}, {"\t00000100[]", 0x87C4}, {std::string_view("\x00\xFF", 2), 0x4040},
  };
  for (const Case& c : cases) EXPECT_EQ(Crc16(c.bytes), c.crc) << c.bytes;
}

}  // namespace
}  // namespace v7400
