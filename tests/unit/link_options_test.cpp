#include "transport/link_options.h"

#include <gtest/gtest.h>

#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

TEST(LinkOptionsTest, GivenValuesBecomeTheSettingsFileLines) {
  LinkOptionTexts udp{.udp_host = "127.0.0.1", .udp_port = "10001", .local_port = "10002"};
  udp.key = "00112233445566778899aabbccddeeff";
  const LinkOptionTexts serial{.serial_device = "/dev/pts/4", .baud = "19200", .data_bits = "7",
                               .parity = "Even", .stop_bits = "2", .flow = "xon"};
  const std::string key = MaskKeyString(*udp.key);
  const std::string default_key = MaskKeyString("5E2B7A9C04D1F386A7B20E9C3D5F8164");
  const std::vector<std::pair<LinkOptionTexts, std::vector<std::string>>> cases = {
      {udp, {"1", "8", "0", "1", "9600", "0", "1", "127.0.0.1", "10001", "10002", "19", "1", "1",
             key, ""}},
      {serial, {"1", "7", "2", "2", "19200", "2", "0", "", "10000", "10000", "19", "1", "0",
                default_key, ""}},
  };
  for (const auto& [texts, expected] : cases) {
    std::string error;
    const auto link = ParseLinkOptions(texts, error);
    ASSERT_TRUE(link) << error;
    const SettingsLines lines = SplitSettingsLines(link->settings.ToString());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()), expected);
    EXPECT_EQ(link->serial_device, texts.serial_device.value_or(""));
  }
  // An IPv6 receiver without a local address: every address, or the loopback for one on it.
  for (const auto& [host, local] : {std::pair{"::1", "::1"}, std::pair{"2001:db8::5", "::"}}) {
    std::string error;
    const auto link = ParseLinkOptions({.udp_host = host, .udp_port = "10001"}, error);
    ASSERT_TRUE(link) << error;
    EXPECT_EQ(link->settings.local_address, local);
  }
}

TEST(LinkOptionsTest, RefusalsNameTheOption) {
  const LinkOptionTexts udp{.udp_host = "127.0.0.1", .udp_port = "1"};
  const LinkOptionTexts serial{.serial_device = "/dev/ttyS0"};
  const auto with = [](LinkOptionTexts texts, auto change) { return change(texts), texts; };
  const std::vector<std::pair<LinkOptionTexts, std::string>> cases = {
      {with(udp, [](auto& t) { t.udp_host = "receiver.example"; }), "--udp: 'receiver.example'"},
      {with(udp, [](auto& t) { t.udp_port.reset(); }), "--udp takes two"},
      {with(udp, [](auto& t) { t.local_port = "70000"; }), "--local-port: '70000'"},
      {with(udp, [](auto& t) { t.key = std::string(31, '0'); }), "--key: not 32"},
      {with(udp, [](auto& t) { t.udp_host = "::1", t.local_address = "127.0.0.1"; }),
       "--local-address: '127.0.0.1' is IPv4, the receiver ::1 IPv6"},
      {with(udp, [](auto& t) { t.local_address = "::1"; }), "--local-address: '::1' is IPv6"},
      {with(udp, [](auto& t) { t.key = "secret pass phrase"; }),
       "--key: key string of 18 characters looks like text"},
      {with(udp, [](auto& t) { t.serial_device = "/dev/ttyS0"; }), "--udp and --serial"},
      {with(serial, [](auto& t) { t.baud = "9601"; }), "--baud: '9601'"},
      {with(serial, [](auto& t) { t.parity = "high"; }), "--parity: 'high'"},
      {with(serial, [](auto& t) { t.key = std::string(32, '0'); }), "--key works only with"},
      {LinkOptionTexts{.flow = "none"}, "--baud, --data-bits"},
  };
  for (const auto& [texts, starts] : cases) {
    std::string error;
    EXPECT_FALSE(ParseLinkOptions(texts, error));
    EXPECT_TRUE(error.starts_with(starts)) << error;
  }
}

}  // namespace
}  // namespace v7400
