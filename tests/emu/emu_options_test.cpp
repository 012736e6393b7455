#include "emu_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace v7400::emu {
namespace {

using Args = std::vector<std::string>;

Args Udp(Args more) {
  Args args = {"--udp", "127.0.0.1", "10000"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(EmuOptions, RefusesBadArgumentsWithAMessage) {
  struct Case {
    Args args;
    std::string message_part;
  };
  const std::vector<Case> cases = {
      {Udp({"--line", "7"}), "two digits"},
      {Udp({"--line", "007"}), "two digits"},
      {Udp({"--line", "33"}), "01 to 32"},
      {Udp({"--line", "00"}), "01 to 32"},
      {Udp({"--line", "05,x1"}), "two digits"},
      {Udp({"--format", "contact-id"}), "unknown format"},
      {Udp({"--rate", "0"}), "above 0"},
      {Udp({"--rate", "-3"}), "above 0"},
      {Udp({"--rate", "fast"}), "above 0"},
      {Udp({"--key", "5E2B7A9C04D1F386A7B20E9C3D5F816"}), "32, 48 or 64"},
      {Udp({"--key", "5E2B7A9C04D1F386A7B20E9C3D5F81GG"}), "hexadecimal"},
      {{"--udp", "127.0.0.1", "0"}, "1 to 65535"},
      {{"--udp", "127.0.0.1", "65536"}, "1 to 65535"},
      {{"--udp", "127.0.0.1", "10x"}, "whole number"},
      {Udp({"--local-port", "70000"}), "0 to 65535"},
      {Udp({"--count", "-1"}), "from 0"},
      {Udp({"--end-byte", "0"}), "1 to 255"},
      {Udp({"--end-byte", "0x1G"}), "bad end byte"},
      {Udp({"--timeout"}), "--timeout"},
      {Udp({"--count=12", "--count", "13"}), "--count"},
      {Udp({"--frobnicate"}), "unexpected arguments: --frobnicate"},
      {{"udp", "127.0.0.1", "10000"}, "unexpected arguments: udp 127.0.0.1 10000"},
      {{"--masked-key", "00112233"}, "32, 48 or 64"},
      {{}, "choose one link"},
      {Udp({"--pty"}), "choose one link"},
      {{"--pty", "--key", "5E2B7A9C04D1F386A7B20E9C3D5F8164"}, "UDP only"},
      {Udp({"--format", "4100", "--bad-crc-every", "2"}), "sia format"},
  };
  for (const Case& c : cases) {
    const ParseResult result = ParseOptions(c.args);
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_FALSE(result.options.has_value()) << joined;
    EXPECT_NE(result.error.find(c.message_part), std::string::npos)
        << joined << " gave: " << result.error;
  }
}

TEST(EmuOptions, ReadsEveryLinkAndValue) {
  const ParseResult udp = ParseOptions(
      Udp({"--local-port", "0", "--format", "4100", "--end-byte", "0x0D", "--line", "05,32",
           "--count", "0", "--rate", "2.5", "--timeout", "150", "--retries", "0", "--json"}));
  ASSERT_TRUE(udp.options) << udp.error;
  EXPECT_EQ(udp.options->link, LinkKind::kUdp);
  EXPECT_EQ(udp.options->port, 10000);
  EXPECT_EQ(udp.options->format, FrameFormat::k4100);
  EXPECT_EQ(udp.options->end_byte, '\x0D');
  EXPECT_EQ(udp.options->lines, (std::vector<std::string>{"05", "32"}));
  EXPECT_EQ(udp.options->count, 0);
  EXPECT_DOUBLE_EQ(udp.options->rate, 2.5);
  EXPECT_EQ(udp.options->timeout_ms, 150);
  EXPECT_EQ(udp.options->retries, 0);
  EXPECT_TRUE(udp.options->json);

  const ParseResult all = ParseOptions({"--pty", "--line", "all", "--end-byte", "20"});
  ASSERT_TRUE(all.options) << all.error;
  EXPECT_EQ(all.options->link, LinkKind::kPty);
  EXPECT_EQ(all.options->lines.size(), 32u);
  EXPECT_EQ(all.options->lines.front(), "01");
  EXPECT_EQ(all.options->lines.back(), "32");
  EXPECT_EQ(all.options->end_byte, '\x14');

  const ParseResult serial = ParseOptions({"--serial=/dev/ttyS0", "--rate=0.5", "--recycle"});
  ASSERT_TRUE(serial.options) << serial.error;
  EXPECT_EQ(serial.options->device, "/dev/ttyS0");
  EXPECT_DOUBLE_EQ(serial.options->rate, 0.5);
  EXPECT_TRUE(serial.options->recycle);

  EXPECT_EQ(ParseOptions({"--masked-key", "00112233445566778899AABBCCDDEEFF"}).masked_key,
            "00112233445566778899AABBCCDDEEFF");
}

TEST(EmuOptions, HelpAndVersionWinWhereverTheyStand) {
  for (const Args& args : {Args{"--help"}, Udp({"--help"}), Args{"--count", "x", "-h"},
                           Args{"udp", "127.0.0.1", "--help"}}) {
    EXPECT_TRUE(ParseOptions(args).help) << args.front();
  }
  for (const Args& args : {Args{"--version"}, Udp({"--line", "99", "--version"})}) {
    EXPECT_EQ(ParseOptions(args).version.rfind("receiver-emu ", 0), 0u) << args.front();
  }
}

}  // namespace
}  // namespace v7400::emu
