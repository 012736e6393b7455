#include "transport/link_options.h"

#include <gtest/gtest.h>

#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

LinkOptionTexts Udp(std::string host, std::string port) {
  LinkOptionTexts texts;
  texts.udp_host = std::move(host);
  texts.udp_port = std::move(port);
  return texts;
}

LinkOptionTexts Serial(std::string device) {
  LinkOptionTexts texts;
  texts.serial_device = std::move(device);
  return texts;
}

TEST(LinkOptionsTest, GivenValuesBecomeTheSettingsFileLines) {
  LinkOptionTexts udp = Udp("127.0.0.1", "10001");
  udp.local_port = "10002";
  udp.key = "00112233445566778899aabbccddeeff";
  LinkOptionTexts serial = Serial("/dev/pts/4");
  serial.baud = "19200";
  serial.data_bits = "7";
  serial.parity = "Even";
  serial.stop_bits = "2";
  serial.flow = "xon";
  struct Case {
    const char* name;
    LinkOptionTexts texts;
    // The file's lines 1 to 15, CR LF ended.
    std::vector<std::string> lines;
    std::string device;
  };
  const std::string masked = MaskKeyString("00112233445566778899aabbccddeeff");
  const std::string default_key = MaskKeyString("5E2B7A9C04D1F386A7B20E9C3D5F8164");
  const std::vector<Case> cases = {
      {"udp defaults",
       Udp("192.0.2.5", "10001"),
       {"1", "8", "0", "1", "9600", "0", "1", "192.0.2.5", "10001", "10000", "19", "1", "0",
        default_key, ""},
       ""},
      {"udp with key and local port",
       udp,
       {"1", "8", "0", "1", "9600", "0", "1", "127.0.0.1", "10001", "10002", "19", "1", "1", masked,
        ""},
       ""},
      {"serial",
       serial,
       {"1", "7", "2", "2", "19200", "2", "0", "", "10000", "10000", "19", "1", "0", default_key,
        ""},
       "/dev/pts/4"},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto link = ParseLinkOptions(c.texts, error);
    ASSERT_TRUE(link) << c.name << ": " << error;
    const SettingsLines lines = SplitSettingsLines(link->settings.ToString());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()), c.lines) << c.name;
    EXPECT_EQ(link->serial_device, c.device) << c.name;
  }
}

TEST(LinkOptionsTest, RefusalsNameTheOption) {
  const auto with = [](LinkOptionTexts texts, auto change) {
    change(texts);
    return texts;
  };
  struct Case {
    LinkOptionTexts texts;
    std::string starts;  // the refusal begins so
  };
  const std::vector<Case> cases = {
      {Udp("receiver.example", "10001"), "--udp: 'receiver.example'"},
      {Udp("127.0.0.1", "70000"), "--udp: '70000'"},
      {with(Udp("127.0.0.1", "1"), [](auto& t) { t.udp_port.reset(); }), "--udp takes two"},
      {with(Udp("127.0.0.1", "1"), [](auto& t) { t.local_port = "0"; }), "--local-port: '0'"},
      {with(Udp("127.0.0.1", "1"), [](auto& t) { t.local_address = "x"; }), "--local-address"},
      {with(Udp("127.0.0.1", "1"), [](auto& t) { t.key = "0011"; }), "--key: not 32"},
      {with(Udp("127.0.0.1", "1"), [](auto& t) { t.key = std::string(32, 'g'); }), "--key"},
      {with(Udp("127.0.0.1", "1"), [](auto& t) { t.serial_device = "/dev/ttyS0"; }),
       "--udp and --serial"},
      {with(Serial("/dev/ttyS0"), [](auto& t) { t.baud = "9601"; }), "--baud: '9601'"},
      {with(Serial("/dev/ttyS0"), [](auto& t) { t.data_bits = "6"; }), "--data-bits"},
      {with(Serial("/dev/ttyS0"), [](auto& t) { t.parity = "high"; }), "--parity"},
      {with(Serial("/dev/ttyS0"), [](auto& t) { t.stop_bits = "1.5"; }), "--stop-bits"},
      {with(Serial("/dev/ttyS0"), [](auto& t) { t.flow = "rts"; }), "--flow"},
      {with(Serial("/dev/ttyS0"), [](auto& t) { t.key = std::string(32, '0'); }),
       "--key works only with --udp"},
      {with(LinkOptionTexts{}, [](auto& t) { t.baud = "9600"; }), "--baud, --data-bits"},
      {Serial(""), "--serial: no device"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseLinkOptions(c.texts, error)) << c.starts;
    EXPECT_TRUE(error.starts_with(c.starts)) << error;
  }
  std::string error;
  EXPECT_FALSE(ParseLinkOptions(LinkOptionTexts{}, error));
  EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace v7400
