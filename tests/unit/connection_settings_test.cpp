#include "transport/connection_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "fakes/temp_dir.h"
#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

ConnectionSettings Sample() {
  ConnectionSettings settings;
  settings.port_number = 3;
  settings.data_bits = 7;
  settings.parity = 4;
  settings.stop_bits = 2;
  settings.baud_rate = 115200;
  settings.flow_control = 3;
  settings.connection_mode = ConnectionMode::kNetwork;
  settings.receiver_address = "FE80::1";
  settings.receiver_port = "10001";
  settings.local_port = "10002";
  settings.end_char_index = 254;
  settings.space_conversion = 0;
  settings.encryption = true;
  settings.key_string = "5E2B7A9C04D1F386A7B20E9C3D5F8164C9A0372E5B18D4F6";
  settings.local_address = "FE80:0000:0000:0000:0211:22FF:FE33:4455";
  return settings;
}

TEST(ConnectionSettingsTest, TextIsFifteenCrLfLinesWithTheKeyMasked) {
  const ConnectionSettings settings = Sample();
  EXPECT_EQ(
      settings.ToString(),
      "3\r\n7\r\n4\r\n2\r\n115200\r\n3\r\n1\r\nFE80::1\r\n10001\r\n10002\r\n254\r\n0\r\n1\r\n" +
          MaskKeyString(settings.key_string) + "\r\nFE80:0000:0000:0000:0211:22FF:FE33:4455\r\n");
  ConnectionSettings no_key = settings;
  no_key.key_string = "ABC";  // not a key length: stored empty
  no_key.encryption = false;
  EXPECT_NE(no_key.ToString().find("\r\n0\r\n\r\nFE80:0000"), std::string::npos);
}

TEST(ConnectionSettingsTest, FileRoundTrip) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("v7400-settings-" + std::to_string(::getpid()));
  ConnectionSettings settings = Sample();
  settings.key_string = "5e2b7a9c04d1f386a7b20e9c3d5f8164";  // comes back in upper case
  ASSERT_TRUE(WriteSettingsFile(path, settings));
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::optional<ConnectionSettings> read = ConnectionSettings::Parse(text);
  ASSERT_TRUE(read.has_value());
  settings.key_string = "5E2B7A9C04D1F386A7B20E9C3D5F8164";
  EXPECT_EQ(*read, settings);
  EXPECT_EQ(ReadSettingsFile(path)[kLineReceiverAddress], "FE80::1");
  std::filesystem::remove(path);
  EXPECT_EQ(ReadSettingsFile(path), SettingsLines{});
  EXPECT_FALSE(WriteSettingsFile(path / "no-such-dir" / "x", settings));
}

// None of these may block or be read without bound; each is refused as not a settings file.
TEST(ConnectionSettingsTest, OnlyASmallRegularFileIsRead) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.File("zero"));
  const std::string at_limit = "3\r\n" + std::string(kSettingsFileLimit - 3, 'x');
  { std::ofstream(dir.File("at-limit"), std::ios::binary) << at_limit; }
  { std::ofstream(dir.File("over"), std::ios::binary) << at_limit << 'x'; }
  const std::string cases[][3] = {
      {dir.File("at-limit"), "3", ""},
      {dir.File("missing"), "", ""},
      {dir.File("fifo"), "", "Not a regular file"},
      {dir.File("zero"), "", "Not a regular file"},
      {dir.path().string(), "", "Not a regular file"},
      {dir.File("over"), "", "File too large"},
  };
  for (const auto& [path, line1, reason] : cases) {
    std::string refusal;
    EXPECT_EQ(ReadSettingsFile(path, &refusal)[0], line1) << path;
    EXPECT_EQ(refusal, reason.empty() ? "" : "Cannot open file \"" + path + "\". " + reason);
  }
}

TEST(ConnectionSettingsTest, SplitLines) {
  struct Case {
    std::string text;
    std::size_t line;
    std::string expected;
  };
  const Case cases[] = {
      {"1\r\n8\r\n", 1, "8"},
      {"1\n8\n0", 2, "0"},
      {"1\r8\r0", 2, "0"},
      {"1\r\n\r\n0", 1, ""},
      {"1\r\n8", 5, ""},
      {"", 0, ""},
      {std::string(15, '\n') + "extra", 14, ""},
      {"a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\nk\r\nl\r\nm\r\nn\r\no\r\np\r\n", 14, "o"},
      {std::string("x\0y\r\n", 5), 0, std::string("x\0y", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitSettingsLines(c.text)[c.line], c.expected) << c.text;
  }
}

TEST(ConnectionSettingsTest, IntegerLines) {
  EXPECT_EQ(ParseSettingsInteger("9600"), 9600);
  EXPECT_EQ(ParseSettingsInteger("-1"), -1);
  EXPECT_EQ(ParseSettingsInteger("+7"), 7);
  EXPECT_EQ(ParseSettingsInteger("007"), 7);
  EXPECT_EQ(ParseSettingsInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseSettingsInteger("-2147483648"), -2147483647 - 1);
  for (const char* bad :
       {"", "-", " 1", "1 ", "0x10", "$10", "1e3", "2147483648", "99999999999999999999", "1.0"}) {
    EXPECT_THROW(ParseSettingsInteger(bad), std::invalid_argument) << bad;
  }
}

TEST(ConnectionSettingsTest, GarbageDoesNotParse) {
  const std::string good = Sample().ToString();
  EXPECT_TRUE(ConnectionSettings::Parse(good).has_value());
  EXPECT_FALSE(ConnectionSettings::Parse("").has_value());
  EXPECT_FALSE(ConnectionSettings::Parse("garbage").has_value());
  EXPECT_FALSE(ConnectionSettings::Parse(std::string(4000, '\xFF')).has_value());
  std::string bad_key = good;
  bad_key.replace(bad_key.find(MaskKeyString(Sample().key_string)), 2, "ZZ");
  EXPECT_FALSE(ConnectionSettings::Parse(bad_key).has_value());
}

}  // namespace
}  // namespace v7400
