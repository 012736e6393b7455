// Commands given up front go out one at a time: each waits for its feedback or its time-out.
#include "commands/command_run.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_links.h"
#include "fakes/frame_records.h"

namespace v7400 {
namespace {

// A frame in from the receiver, as the sink publishes it.
FrameReport In(const std::string& body) {
  return testing::Completed(FrameIn(LinkKind::kUdp, "", WrapSiaBody(body), FrameVerdict::kAck, ""));
}

TEST(CommandRunTest, EachCommandWaitsForItsFeedbackOrItsTimeOut) {
  SimulatorState state;
  InitialiseLines(state);
  state.Format = AutomationFormat::kSia;
  testing::FakeClock clock;
  testing::FakeLineServices lines;
  lines.state = &state;
  const std::vector<TCommand> commands = {{CommandKind::HighLevel, "05", "CMD01"},
                                          {CommandKind::DtmfSequence, "06", "12"},
                                          {CommandKind::SetDate, "07", ""}};
  CommandRun run(state, lines, clock, commands);
  run.Advance();
  ASSERT_EQ(lines.commands.size(), 1U);
  // An event of the line is no feedback; the receiver's "AAAA" reply on another line neither.
  run.OnFrameIn(
      In("\t000101"
         "05[#1234|NBA05]"));
  run.OnFrameIn(In("\tAAAA0106[]"));
  clock.tick = kFeedbackTimeoutMs;
  run.Advance();
  ASSERT_EQ(lines.commands.size(), 1U);
  run.OnFrameIn(In("\tAAAA0105[]"));
  run.Advance();
  ASSERT_EQ(lines.commands.size(), 2U);
  clock.tick += kFeedbackTimeoutMs + 1;
  run.Advance();
  // The date goes out on the line asked for, not on the last frame's ("00" here), which stays.
  EXPECT_EQ(lines.line_fields.back(), "07");
  EXPECT_EQ(state.CurrentLine, "00");
  run.OnFrameIn(In("\tAAAA0107[]"));
  run.Advance();
  EXPECT_TRUE(run.Done());
  ASSERT_EQ(lines.commands, commands);
  std::vector<std::string> texts;
  for (const CommandOutcome& outcome : run.Outcomes()) texts.push_back(OutcomeText(outcome));
  EXPECT_EQ(texts, (std::vector<std::string>{"feedback", "no feedback in 4 s", "feedback"}));

  for (const TCommand& command : commands) {
    EXPECT_EQ(CarriedInFormat(command, AutomationFormat::k4100),
              command.Kind == CommandKind::SetDate);
  }
  state.Format = AutomationFormat::k4100;
  CommandRun in_4100(state, lines, clock, {commands[1]});
  in_4100.Advance();
  EXPECT_TRUE(in_4100.Done());
  EXPECT_EQ(OutcomeText(in_4100.Outcomes()[0]), "nothing to send in the 4100 format");
}

}  // namespace
}  // namespace v7400
