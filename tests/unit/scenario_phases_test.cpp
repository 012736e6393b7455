#include "protocol/scenario_phases.h"

#include <gtest/gtest.h>

#include "fakes/fake_clock.h"

namespace v7400 {
namespace {

struct NoLateAnswers : Scheduler {
  bool After(int, std::function<void()>) override { return false; }
  bool HasRoom() const override { return false; }
  std::size_t RunAllNow() override { return 0; }
};

FaultRule Rule(const char* text) {
  std::string error;
  return *ParseFaultRule(text, error);
}

TEST(ScenarioPhasesTest, PhasesBeginAndEndByFramesAndByTheClock) {
  testing::FakeClock clock;
  NoLateAnswers scheduler;
  AnswerFaults faults(clock, scheduler);
  faults.SetRules({Rule("duplicate:line=09")}, 7);
  std::vector<PhasePlan> plans(3);
  plans[0].after_frames = 2;
  plans[0].frames = 3;
  plans[0].faults = {Rule("nack")};
  plans[1].at_ms = 1000;
  plans[1].for_ms = 500;
  plans[1].outage = true;
  plans[2].frames = 2;  // begins as the one before ends
  plans[2].outage = true;
  plans[2].name = "switched off";
  ScenarioPhases phases(clock, faults, plans, faults.Rules(), 7);
  std::vector<std::uint32_t> wakes;
  phases.SetWake([&](std::uint32_t in_ms) { wakes.push_back(in_ms); });

  struct Step {
    std::uint32_t tick;
    bool frame;  // else the timer
    int current;
    bool outage;
    std::size_t rules;
  };
  const Step steps[] = {
      {100, true, 0, false, 1},   {110, true, 0, false, 1},   {120, true, 1, false, 2},
      {130, true, 1, false, 2},   {140, true, 1, false, 2},   {150, true, 0, false, 1},
      {1099, false, 0, false, 1}, {1100, false, 2, true, 1},  {1400, true, 2, true, 1},
      {1600, false, 3, true, 1},  {1700, true, 3, true, 1},   {1800, true, 3, true, 1},
      {1900, true, 0, false, 1},
  };
  for (const Step& step : steps) {
    clock.tick = step.tick;
    if (step.frame) {
      const FaultChoice choice = faults.Choose(1, "0001");
      EXPECT_EQ(choice.outage != 0, step.outage) << step.tick;
      EXPECT_EQ(choice.rule != 0, step.current == 1) << step.tick;  // the phase's nack
    } else {
      phases.Tick();
    }
    EXPECT_EQ(phases.Current(), step.current) << step.tick;
    EXPECT_EQ(faults.InOutage(), step.outage) << step.tick;
    EXPECT_EQ(faults.Rules().size(), step.rules) << step.tick;
    if (step.tick == 1400) {
      EXPECT_EQ(phases.StatusText(), "phase 2/3: 1 s left");
    } else if (step.tick == 1700) {
      EXPECT_EQ(phases.StatusText(), "phase 3 (switched off)/3: 1 frame left");
    }
  }
  // Woken for phase 2's start (1000 ms after the first frame, at 1100), again after an early
  // timer, and for its end.
  EXPECT_EQ(wakes, (std::vector<std::uint32_t>{980, 1, 500}));
  ASSERT_EQ(faults.Outages().size(), 2U);
  EXPECT_EQ(faults.Outages()[0].DurationMs(), 500U);
  EXPECT_EQ(faults.Outages()[1].DurationMs(), 300U);  // ended by its frame count
  FaultChoice silenced{0, 2, false};
  EXPECT_EQ(faults.Reason(silenced), "outage 2: phase 3 (switched off)");
  EXPECT_EQ(phases.StatusText(), "phases done");
  // A phase still under way when the run ends has the length it had.
  std::vector<PhasePlan> open(1);
  open[0].outage = true;
  ScenarioPhases last(clock, faults, open, {}, 7);
  faults.Choose(1, "0002");
  clock.tick += 250;
  last.Finish();
  EXPECT_EQ(faults.Outages().back().DurationMs(), 250U);
}

}  // namespace
}  // namespace v7400
