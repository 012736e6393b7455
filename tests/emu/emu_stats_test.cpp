#include "emu_stats.h"

#include <gtest/gtest.h>

#include <vector>

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
  stats.latencies_ms = {1, 2, 3, 10};
  stats.elapsed_s = 2;
  const std::string json = JsonReport(stats);
  for (const char* part :
       {"\"acked\":4", "\"nacked\":1", "\"sent\":5", "\"commands_total\":3", "\"CMD0B\":2",
        "\"p50\":2.000", "\"max\":10.000", "\"frames_per_second\":2.0"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << " in " << json;
  }
  EXPECT_TRUE(stats.Clean());
  stats.unexpected = 1;
  EXPECT_FALSE(stats.Clean());
}

}  // namespace
}  // namespace v7400::emu
