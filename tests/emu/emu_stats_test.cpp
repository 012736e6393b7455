#include "emu_stats.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/json_text.h"

namespace v7400::emu {
namespace {

TEST(EmuStats, PercentilesAreNearestRank) {
  struct Case {
    std::vector<double> samples;
    double p50, p99, max;
  };
  std::vector<double> hundred;
  for (int i = 100; i >= 1; --i) hundred.push_back(i);
  const std::vector<Case> cases = {
      {{}, 0, 0, 0},
      {{4}, 4, 4, 4},
      {{3, 1, 2}, 2, 3, 3},
      {hundred, 50, 99, 100},
  };
  for (const Case& c : cases) {
    const LatencySummary s = Summarize(c.samples);
    EXPECT_DOUBLE_EQ(s.p50, c.p50);
    EXPECT_DOUBLE_EQ(s.p99, c.p99);
    EXPECT_DOUBLE_EQ(s.max, c.max);
  }
}

TEST(EmuStats, JsonCarriesCountsLatencyAndThroughput) {
  EmuStats stats;
  stats.events = 4;
  stats.sent = 5;
  stats.acked = 4;
  stats.nacked = 1;
  stats.commands = {{"CMD08", 1}, {"CMD0B", 2}};
  stats.latencies_ms = {1, 2, 3, 10.12345};
  stats.elapsed_s = 2;
  // Line and sequence are cut from frames: a control byte and a byte that is not UTF-8.
  stats.attempts = {{"0\x01", std::string("\xff") + "9", {0.04, 1500.26}, "acked"}};
  const std::string text = JsonReport(stats);
  ASSERT_EQ(text.find('\n'), text.size() - 1) << text;
  const Json json = Json::parse(text);
  EXPECT_EQ(json["acked"], 4);
  EXPECT_EQ(json["nacked"], 1);
  EXPECT_EQ(json["sent"], 5);
  EXPECT_EQ(json["commands_total"], 3);
  EXPECT_EQ(json["commands"], Json::parse(R"({"CMD08":1,"CMD0B":2})"));
  EXPECT_EQ(json["latency_ms"], Json::parse(R"({"p50":2.0,"p99":10.123,"max":10.123})"));
  EXPECT_EQ(json["frames_per_second"], 2.0);
  EXPECT_EQ(json["event_attempts"],
            Json::parse(R"([{"line":"0\u0001","sequence":"\ufffd9","outcome":"acked",)"
                        R"("sent_ms":[0.0,1500.3]}])"));
  EXPECT_TRUE(stats.Clean());
  stats.unexpected = 1;
  EXPECT_FALSE(stats.Clean());
}

}  // namespace
}  // namespace v7400::emu
