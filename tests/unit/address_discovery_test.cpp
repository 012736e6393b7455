#include "transport/address_discovery.h"

#include <gtest/gtest.h>

#include "fakes/fake_transport.h"

namespace v7400 {
namespace {

using testing::FakeAdapterSource;
using testing::FakeHostResolver;

AdapterAddress Address(std::uint8_t first, std::uint8_t second, std::uint8_t last,
                       std::uint32_t scope, std::uint32_t flags = 0) {
  AdapterAddress address;
  address.bytes[0] = first;
  address.bytes[1] = second;
  address.bytes[15] = last;
  address.scope_id = scope;
  address.flags = flags;
  return address;
}
AdapterAddress LinkLocal(std::uint8_t last, std::uint32_t scope) {
  return Address(0xFE, 0x80, last, scope);
}
AdapterAddress Global(std::uint8_t last, std::uint32_t scope, std::uint32_t flags = 0) {
  return Address(0x20, 0x01, last, scope, flags);
}
std::string GlobalText(std::uint8_t last) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", last);
  return std::string("2001:0000:0000:0000:0000:0000:0000:") + text;
}
std::string LinkLocalText(std::uint8_t last) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", last);
  return std::string("FE80:0000:0000:0000:0000:0000:0000:") + text;
}

class AddressDiscoveryTest : public ::testing::Test {
 protected:
  FakeAdapterSource source;
  FakeHostResolver resolver;
  AddressDiscovery discovery{source, resolver};
};

TEST_F(AddressDiscoveryTest, OnlyEthernetAndWirelessAdaptersCount) {
  source.adapters = std::vector<NetworkAdapter>{
      {AdapterType::kOther, {Global(1, 1), LinkLocal(1, 1)}},
      {AdapterType::kEthernet, {LinkLocal(2, 2), Global(2, 2)}},
      {AdapterType::kWireless, {Global(3, 3)}},
  };
  std::vector<std::string> list{"192.0.2.5"};
  discovery.ListIPv6Addresses(list);
  EXPECT_EQ(list, (std::vector<std::string>{"192.0.2.5", LinkLocalText(2), GlobalText(2),
                                            GlobalText(3)}));
}

TEST_F(AddressDiscoveryTest, RecordLinkLocalScopeKeepsTheLastAdaptersFirstLinkLocal) {
  source.adapters = std::vector<NetworkAdapter>{
      {AdapterType::kEthernet, {Global(1, 0), LinkLocal(1, 4), LinkLocal(2, 5)}},
      {AdapterType::kWireless, {LinkLocal(3, 9), LinkLocal(4, 10)}},
      {AdapterType::kEthernet, {Global(5, 0)}},
      {AdapterType::kOther, {LinkLocal(6, 12)}},
  };
  discovery.RecordLinkLocalScope();
  EXPECT_EQ(discovery.LinkLocalScopeId(), 9u);
}

TEST_F(AddressDiscoveryTest, FirstGlobalIPv6Table) {
  struct Case {
    const char* name;
    std::vector<NetworkAdapter> adapters;
    std::string expected;
    std::uint32_t scope;
  };
  const Case cases[] = {
      {"no IPv6", {{AdapterType::kEthernet, {}}}, "", 0},
      {"link-local only",
       {{AdapterType::kEthernet, {LinkLocal(1, 3), LinkLocal(2, 4)}}},
       LinkLocalText(2),
       4},
      {"plain global stops the adapter",
       {{AdapterType::kEthernet, {LinkLocal(1, 3), Global(1, 5), Global(2, 6)}}},
       GlobalText(1),
       5},
      {"flagged globals: the last one of the adapter",
       {{AdapterType::kEthernet, {Global(1, 5, 1), Global(2, 6, 1), LinkLocal(3, 7)}},
        {AdapterType::kEthernet, {Global(4, 8)}}},
       GlobalText(2),
       7},
      {"first adapter with a global wins",
       {{AdapterType::kEthernet, {LinkLocal(1, 3)}}, {AdapterType::kWireless, {Global(9, 8)}}},
       GlobalText(9),
       8},
      {"other adapters ignored",
       {{AdapterType::kOther, {Global(1, 1)}}, {AdapterType::kEthernet, {LinkLocal(2, 2)}}},
       LinkLocalText(2),
       2},
  };
  for (const Case& c : cases) {
    source.adapters = c.adapters;
    AddressDiscovery fresh{source, resolver};
    EXPECT_EQ(fresh.FirstGlobalIPv6(), c.expected) << c.name;
    EXPECT_EQ(fresh.LinkLocalScopeId(), c.scope) << c.name;
  }
}

TEST_F(AddressDiscoveryTest, FailedQueryGivesNothingAndKeepsTheScope) {
  source.adapters = std::vector<NetworkAdapter>{{AdapterType::kEthernet, {LinkLocal(1, 7)}}};
  discovery.RecordLinkLocalScope();
  source.adapters.reset();
  discovery.RecordLinkLocalScope();
  std::vector<std::string> list;
  discovery.ListIPv6Addresses(list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(discovery.FirstGlobalIPv6(), "");
  EXPECT_EQ(discovery.LinkLocalScopeId(), 7u);
}

TEST_F(AddressDiscoveryTest, PrimaryIPv4IsTheFirstIPv4OfTheOwnName) {
  resolver.table["simhost"] = {"2001:db8::5", "192.0.2.5", "192.0.2.6"};
  EXPECT_EQ(discovery.PrimaryIPv4Address(), "192.0.2.5");
  resolver.table["simhost"] = {"2001:db8::5"};
  EXPECT_EQ(discovery.PrimaryIPv4Address(), "");
  resolver.table.clear();
  EXPECT_THROW(discovery.PrimaryIPv4Address(), std::runtime_error);
}

}  // namespace
}  // namespace v7400
