// The options read from their one table: where each works, and the checks across options.
#include "app/program_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace v7400 {
namespace {

using Given = std::vector<std::pair<const char*, const char*>>;

// The refusal for `given`, each option with its value ("" for a switch).
std::string Refusal(const Given& given, OptionReading& reading) {
  const std::span<const OptionRow> rows = ProgramOptions();
  GivenOptions options(rows.size());
  for (const auto& [name, value] : given) {
    const auto row = std::ranges::find(rows, std::string_view(name), &OptionRow::name);
    EXPECT_NE(row, rows.end()) << name;
    auto& option = options[static_cast<std::size_t>(row - rows.begin())];
    if (!option) option.emplace();
    option->value = value;
    option->values.push_back(value);
  }
  return ReadProgramOptions(options, {}, reading);
}

TEST(ProgramOptionsTest, RefusalsOfOptionsGivenWhereOrWithWhatTheyDoNotWork) {
  const std::pair<Given, std::string> cases[] = {
      {{{"count", "5"}}, "--count works only with --headless"},
      {{{"quiet", ""}, {"csv", "t.csv"}}, "--quiet works only with --headless"},
      {{{"headless", ""}, {"debug-page", ""}}, "--debug-page needs the window"},
      {{{"headless", ""}, {"progress", ""}, {"quiet", ""}},
       "--progress and --quiet contradict each other; give one"},
      {{{"junit-suite", "s"}}, "--junit-suite needs --junit"},
      {{{"junit", "j.xml"}, {"junit-suite", ""}}, "--junit-suite: the name is empty"},
      {{{"pcap-wire", ""}}, "--pcap-wire works only with --pcap"},
      {{{"user-dir", ""}, {"settings-dir", "d"}},
       "--user-dir and --settings-dir both name the settings folder; give one"},
      {{{"headless", ""}, {"command", "date"}}, "each --command needs one --line"},
      {{{"format", "4100"}, {"fault", "bad-crc"}}, "--fault"},
      {{{"headless", ""}, {"seconds", "0"}}, "--seconds: '0'"},
  };
  for (const auto& [given, refusal] : cases) {
    OptionReading reading;
    EXPECT_EQ(Refusal(given, reading).substr(0, refusal.size()), refusal) << refusal;
  }
}

TEST(ProgramOptionsTest, ValuesReachTheRunOptions) {
  OptionReading reading;
  ASSERT_EQ(Refusal({{"headless", ""},
                     {"count", "7"},
                     {"format", "4100"},
                     {"strict", ""},
                     {"udp", "127.0.0.1"},
                     {"udp-port", "10001"},
                     {"junit", "/dev/null"}},
                    reading),
            "");
  EXPECT_TRUE(reading.options.headless && reading.options.strict);
  EXPECT_EQ(reading.options.count, 7);
  EXPECT_EQ(reading.options.format, AutomationFormat::k4100);
  EXPECT_EQ(reading.options.faults.junit_path, "/dev/null");
  ASSERT_TRUE(reading.options.link);
  EXPECT_EQ(reading.options.link->settings.receiver_port, "10001");
}

}  // namespace
}  // namespace v7400
