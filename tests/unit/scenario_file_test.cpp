#include "app/scenario_file.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

TEST(ScenarioFileTest, ReadsEveryKeyAndMergesWithTheCommandLine) {
  const char* text = R"(name = "outage test" # für "Prüfung"
format = "sia"
seed = 7
seconds = 90
[link]
udp = "127.0.0.1"
port = 10001
local-port = 10000
[[phase]]
after_frames = 10
frames = 5
faults = ["drop:every=4", "delay=2500:line=07"]
[[phase]]
name = "off"
at = "30s"
for = "1.5s"
outage = true
[[expect]]
check = "first-repeat=2500..3500ms"
)";
  std::string error;
  const auto file = ParseScenario(text, "t.toml", error);
  ASSERT_TRUE(file) << error;
  ASSERT_EQ(file->phases.size(), 2U);
  EXPECT_EQ(file->phases[0].after_frames, 10);
  EXPECT_EQ(file->phases[0].frames, 5);
  EXPECT_EQ(file->phases[0].faults.size(), 2U);
  EXPECT_EQ(file->phases[1].at_ms, 30000U);
  EXPECT_EQ(file->phases[1].for_ms, 1500U);
  EXPECT_TRUE(file->phases[1].outage);

  RunOptions options;
  options.seconds = 5;
  options.faults.expectations = {*ParseExpectation("lost=0", error)};
  EXPECT_EQ(MergeScenario(*file, options, false), "");
  EXPECT_EQ(options.seconds, 5);  // the command line's
  EXPECT_EQ(options.faults.seed, 7U);
  EXPECT_EQ(options.format, AutomationFormat::kSia);
  EXPECT_EQ(options.faults.junit_suite, "outage test");
  ASSERT_EQ(options.faults.expectations.size(), 2U);
  EXPECT_EQ(options.faults.expectations[0].text, "first-repeat=2500..3500ms");
  ASSERT_TRUE(options.link);
  EXPECT_EQ(options.link->settings.receiver_port, "10001");
}

TEST(ScenarioFileTest, SaysWhereTheFileIsWrong) {
  const std::pair<const char*, const char*> bads[] = {
      {"name = \"x\"\nformt = \"sia\"", "t.toml:2:1: unknown key \"formt\""},
      {"format = \"sai\"", "t.toml:1:10: "},
      {"[[phase]]\nat = 30", "t.toml:2:6: at takes a time with its unit"},
      {"[[phase]]\nat = \"30\"", "t.toml:2:6: at takes a time with its unit"},
      {"[[phase]]\nfaults = [\"nak\"]", "t.toml:2:11: fault 'nak': unknown fault"},
      {"[[phase]]\nat = \"1s\"\nafter_frames = 3", "t.toml:1:1: a phase begins at a time or"},
      {"[[phase]]\nframes = 0", "t.toml:2:10: frames takes a whole number from 1"},
      {"[[phase]]\nat = \"5s\"\n[[phase]]\nat = \"2s\"", "t.toml:3:1: phase 2 begins before"},
      {"[[phase]]\nat = \"5s\"\n[[phase]]\noutage = true", "t.toml:3:1: phase 2 has no start"},
      {"[link]\nudp = \"127.0.0.1\"\nport = 70000", "t.toml:1:1: "},
      {"[[expect]]\ncheck = \"lost<=x\"", "t.toml:2:9: expectation 'lost<=x': a count is"},
      {"expect = [\"attempts<4\", 3]", "t.toml:1:25: an expectation is a text"},
      {"seconds = \"ten\"", "t.toml:1:11: seconds takes a number of seconds"},
      {"name = \"unclosed", "t.toml:1:"},
      {"# f\xC3\xBCr \"x\n\xC3\xA9 = 1", "t.toml:2:1: a character beyond ASCII outside"},
  };
  for (const auto& [text, message] : bads) {
    std::string error;
    EXPECT_FALSE(ParseScenario(text, "t.toml", error)) << text;
    EXPECT_TRUE(error.starts_with(message)) << text << "\n  " << error;
  }
  std::string error;
  EXPECT_FALSE(ReadScenarioFile("/nonexistent/s.toml", error));
  EXPECT_EQ(error, "/nonexistent/s.toml: no such file");
}

}  // namespace
}  // namespace v7400
