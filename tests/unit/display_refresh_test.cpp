#include "display/display_refresh.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace v7400 {
namespace {

// A step is a change at `at` (expecting `delay`), or a refresh at `at` that cost `cost_us`.
struct Step {
  bool refresh;
  std::uint32_t at;
  std::optional<std::uint32_t> delay;
  std::uint32_t cost_us = 0;
};

TEST(RefreshPacer, PacesRefreshesToThePeriod) {
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"first change shows at once", {{false, 5, 0u}}},
      {"changes before the refresh ride along", {{false, 5, 0u}, {false, 6, std::nullopt}}},
      {"a burst waits for the rest of the period",
       {{false, 0, 0u}, {true, 1, {}}, {false, 11, 23u}, {false, 12, std::nullopt}}},
      {"a trickle shows each change at once",
       {{false, 0, 0u}, {true, 0, {}}, {false, 1000, 0u}, {true, 1000, {}}, {false, 2000, 0u}}},
      {"exactly one period later is at once", {{false, 0, 0u}, {true, 0, {}}, {false, 33, 0u}}},
      {"the tick wrapping around", {{false, 0, 0u}, {true, 0xFFFFFFF0u, {}}, {false, 0x0, 17u}}},
      {"a cheap refresh keeps the period", {{true, 0, {}, 150}, {false, 10, 23u}}},
      {"a costly refresh stretches the period", {{true, 0, {}, 2000}, {false, 10, 390u}}},
      {"the stretch has a ceiling", {{true, 0, {}, 60000}, {false, 10, 990u}}},
      {"a trickle after a costly refresh shows at once", {{true, 0, {}, 60000}, {false, 1000, 0u}}},
  };
  for (const auto& c : cases) {
    RefreshPacer pacer(33);
    for (const Step& step : c.steps) {
      if (step.refresh) {
        pacer.Refreshed(step.at);
        pacer.Spent(step.cost_us);
      } else {
        EXPECT_EQ(pacer.Changed(step.at), step.delay) << c.name << " at " << step.at;
      }
    }
  }
}

}  // namespace
}  // namespace v7400
