#include "core/parse_whole.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace v7400 {
namespace {

template <typename T>
struct WholeCase {
  const char* text;
  T low;
  T high;
  std::optional<T> expected;
};

TEST(ParseWholeTest, IntegersAreTheWholeTextAndInRange) {
  const WholeCase<int> cases[] = {
      {"1", 1, 65535, 1},
      {"65535", 1, 65535, 65535},
      {"0", 1, 65535, std::nullopt},
      {"65536", 1, 65535, {}},
      {"-1", -5, 5, -1},
      {"-6", -5, 5, {}},
      {"", 0, 9, {}},
      {" 5", 0, 9, {}},
      {"5 ", 0, 9, {}},
      {"+5", 0, 9, {}},
      {"5x", 0, 9, {}},
      {"0x5", 0, 9, {}},
      {"5.0", 0, 9, {}},
      {"--5", -9, 9, {}},
      {"-", -9, 9, {}},
      {"99999999999", 0, 2147483647, {}},
      {"007", 0, 9, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWhole<int>(c.text, c.low, c.high), c.expected) << '"' << c.text << '"';
  }
  // Unsigned types take no sign; the type's own range is the default.
  EXPECT_EQ(ParseWhole<std::uint16_t>("-0"), std::nullopt);
  EXPECT_EQ(ParseWhole<std::uint16_t>("65536"), std::nullopt);
  EXPECT_EQ(ParseWhole<std::uint64_t>("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(ParseWhole<std::uint64_t>("18446744073709551616"), std::nullopt);
  EXPECT_EQ(ParseWhole<long>("1F", 0, 255, 16), 31);
  EXPECT_EQ(ParseWhole<long>("1G", 0, 255, 16), std::nullopt);
}

TEST(ParseWholeTest, FloatingPointRejectsNanAndInfinityByRange) {
  const WholeCase<double> cases[] = {
      {"0.5", 0, 1, 0.5},  {"1", 0, 1, 1},     {"1.0001", 0, 1, {}}, {"-0.1", 0, 1, {}},
      {"1e1", 0, 100, 10}, {".5", 0, 1, 0.5},  {"nan", 0, 1, {}},    {"inf", 0, 1e300, {}},
      {"+0.5", 0, 1, {}},  {"0.5 ", 0, 1, {}}, {"0,5", 0, 1, {}},    {"", 0, 1, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWhole<double>(c.text, c.low, c.high), c.expected) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace v7400
