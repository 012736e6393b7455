#include "transport/address_checks.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

struct CheckCase {
  const char* text;
  bool expected;
};

TEST(AddressChecksTest, IPv4Table) {
  const CheckCase cases[] = {
      {"192.0.2.1", true},       {" 192.0.2.1 ", true},
      {"192 . 0 . 2 . 1", true}, {"010.0.0.1", true},
      {"0.0.0.0", true},         {"255.255.255.255", true},
      {"192.0.2", false},        {"192.0.2.256", false},
      {"192.0.2.+1", false},     {"", false},
      {"1.2.3.4.5", false},      {"1..2.3", false},
      {"1.2.3.", false},         {"a.b.c.d", false},
      {"1.2.3.-0", false},       {"99999999999999.1.1.1", false},
      {"1.2.3.4 x", false},      {"host.example", false},
      {"\t1.2.3.4", false},
  };
  for (const CheckCase& c : cases) EXPECT_EQ(IsIPv4Address(c.text), c.expected) << c.text;
}

TEST(AddressChecksTest, IPv6Table) {
  const CheckCase cases[] = {
      {"::", true},
      {"::1", true},
      {"FE80::1", true},
      {"fe80::1", true},
      {"FE80::1%12", true},
      {"FE80::1%FFFF", true},
      {"1:2:3:4:5:6:7:8", true},
      {"FE80:0000:0000:0000:0211:22FF:FE33:4455", true},
      {"0000FFFF::1", true},  // extra leading zeros are accepted
      {" 1 : 2 :3:4:5:6:7:8", true},
      {"1::8", true},
      {"FE80::", false},
      {"1:2:3:4:5:6:7", false},
      {":1:2:3:4:5:6:7", false},
      {"1:2:3:4:5:6:7:", false},
      {"1::2::3", false},
      {":::1", false},
      {"1:2:3:4:5:6:7:8:9", false},
      {"1:2:3:4:5:6:7:10000", false},
      {"FE80::1%", false},
      {"FE80::1%10000", false},
      {"FE80::1%eth0", false},
      {"FE80::G", false},
      {"1", false},
      {"", false},
      {":", false},
      {"192.0.2.1", false},
      {"host.example", false},
  };
  for (const CheckCase& c : cases) EXPECT_EQ(IsIPv6Address(c.text), c.expected) << c.text;
}

TEST(AddressChecksTest, ExpandAndPad) {
  struct Case {
    const char* text;
    const char* expanded;
  };
  const Case cases[] = {
      {"FE80::1", "FE80:0:0:0:0:0:0:1"},
      {"::1", "0:0:0:0:0:0:0:1"},
      {"::", "0:0:0:0:0:0:0:0"},
      {"1::", "1:0:0:0:0:0:0:0"},
      {"1:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8"},
      {"1:2:3::8", "1:2:3:0:0:0:0:8"},
      {"192.0.2.1", "192.0.2.1"},
      {"", ""},
      {"1:2:3:4:5:6:7:8:9", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandIPv6(c.text), c.expanded) << c.text;

  EXPECT_EQ(PadIPv6Groups("0:12:ABCD"), "0000:0012:ABCD");
  EXPECT_EQ(PadIPv6Groups("12345:1"), "12345:0001");
  EXPECT_EQ(PadIPv6Groups(""), "0000");
  // The comparison the receive path makes: different spellings of one address agree.
  EXPECT_EQ(PadIPv6Groups(ExpandIPv6("FE80::211:22ff:fe33:4455")),
            PadIPv6Groups(ExpandIPv6("FE80:0:0:0:0211:22ff:fe33:4455")));
}

TEST(AddressChecksTest, ScopeRuleComparesFE80Exactly) {
  EXPECT_EQ(ScopeIdFor("FE80::1", 7), 7u);
  EXPECT_EQ(ScopeIdFor("fe80::1", 7), 0u);
  EXPECT_EQ(ScopeIdFor("2001:DB8::1", 7), 0u);
  EXPECT_EQ(ScopeIdFor("FE80::1", 0), 0u);
  EXPECT_EQ(ScopeIdFor("FE8", 7), 0u);
}

TEST(AddressChecksTest, FormatIPv6Bytes) {
  const std::array<std::uint8_t, 16> bytes{0xFE, 0x80, 0,    0,    0,    0,    0,    0,
                                           0x02, 0x11, 0x22, 0xFF, 0xFE, 0x33, 0x44, 0x55};
  EXPECT_EQ(FormatIPv6Bytes(bytes), "FE80:0000:0000:0000:0211:22FF:FE33:4455");
}

}  // namespace
}  // namespace v7400
