#include "commands/command_frame.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "fakes/fake_clock.h"

namespace v7400 {
namespace {

using testing::FakeClock;

class CommandFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitialiseLines(state);
    ResetCountersAndAddress(state);
    clock.now = LocalTime{2012, 3, 7, 9, 5, 0, 0};
  }
  std::string Build(CommandKind kind, std::string line = "", std::string text = "") {
    return BuildCommandFrame(state, TCommand{kind, std::move(line), std::move(text)}, clock);
  }

  SimulatorState state;
  FakeClock clock;
};

TEST_F(CommandFrameTest, SiaWorkedExamples) {
  state.Format = AutomationFormat::kSia;
  struct Case {
    CommandKind kind;
    const char* line;
    const char* text;
    std::string frame;
  };
  const Case cases[] = {
      {CommandKind::SetDate, "01", "", "\n659914\t00010100[CSD030712]\r"},
      {CommandKind::HighLevel, "05", "CMD01", "\nBF0B10\t00010105[CMD01]\r"},
      {CommandKind::DtmfSequence, "12", "1234", "\n168712\t00010112[CSE1234]\r"},
  };
  for (const Case& c : cases) EXPECT_EQ(Build(c.kind, c.line, c.text), c.frame) << c.text;
}

TEST_F(CommandFrameTest, SiaBodiesByKind) {
  state.Format = AutomationFormat::kSia;
  state.CurrentLine = "07";
  struct Case {
    CommandKind kind;
    const char* line;
    const char* text;
    std::string body;
  };
  // Kinds 0 to 2 carry the line of the last received frame; the others their own.
  const Case cases[] = {
      {CommandKind::SetTime, "03", "", "\t00010107[CST0905]"},
      {CommandKind::StopTwoWayAudio, "03", "", "\t00010107[CLK03]"},
      {CommandKind::Customized, "3", "XY", "\t0001013[CZZXY]"},
      {CommandKind::HighLevel, "03", "", "\t00010103[]"},
      {CommandKind::RemoteProgram, "03", "CMD08", "\t00010103[CMD08]"},
      {CommandKind::ProgramEnd, "03", "CMD0C", "\t00010103[CMD0C]"},
  };
  for (const Case& c : cases) {
    const std::string frame = Build(c.kind, c.line, c.text);
    ASSERT_GE(frame.size(), 8u);
    EXPECT_EQ(frame.substr(7, frame.size() - 8), c.body);
    EXPECT_EQ(frame, WrapSiaBody(c.body));
  }
}

TEST_F(CommandFrameTest, Frames4100) {
  struct Case {
    CommandKind kind;
    const char* line;
    const char* text;
    std::string frame;
  };
  const Case cases[] = {
      {CommandKind::SetTime, "01", "", "!T0905\r"},
      {CommandKind::SetDate, "01", "", "!D030712\r"},
      {CommandKind::StopTwoWayAudio, "08", "", "!K8\r"},
      {CommandKind::StopTwoWayAudio, "09", "", "!K@\r"},
      {CommandKind::StopTwoWayAudio, "10", "", "!KA\r"},
      {CommandKind::StopTwoWayAudio, "32", "", "!KW\r"},
      {CommandKind::StopTwoWayAudio, "x", "", "!K1\r"},
      {CommandKind::Customized, "1", "abc", "!Zabc\r"},
      {CommandKind::DtmfSequence, "01", "1234", ""},
      {CommandKind::HighLevel, "01", "CMD01", ""},
      {CommandKind::RemoteProgram, "01", "CMD08", ""},
      {CommandKind::ProgramData, "01", "CMD0Bxx", ""},
      {CommandKind::ProgramEnd, "01", "CMD0C", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Build(c.kind, c.line, c.text), c.frame) << c.line;
  EXPECT_EQ(state.LineTable[0].ProgramState, 0) << "no exchange in 4100";
}

TEST_F(CommandFrameTest, ReplySequenceIsNeverSent) {
  state.Format = AutomationFormat::kSia;
  state.CurrentSequence = "AAAA";
  EXPECT_EQ(Build(CommandKind::HighLevel, "05", "CMD01"), "\nBF0B10\t00010105[CMD01]\r");
  EXPECT_EQ(state.CurrentSequence, "0001");
  state.CurrentSequence = "0042";
  EXPECT_NE(Build(CommandKind::HighLevel, "05", "CMD01").find("\t004201"), std::string::npos);
  EXPECT_EQ(state.CurrentSequence, "0042") << "sending never advances the sequence";
}

TEST_F(CommandFrameTest, SendingCrcErrorSpoilsOnlyKindsZeroToTwo) {
  state.Format = AutomationFormat::kSia;
  state.Debug.SimulateSendingCrcError = true;
  std::string high = Build(CommandKind::HighLevel, "05", "CMD01");
  EXPECT_EQ(high, "\nBF0B10\t00010105[CMD01]\r");
  EXPECT_TRUE(state.Debug.SimulateSendingCrcError);

  std::string time = Build(CommandKind::SetTime);
  EXPECT_EQ(time[2], '\0');
  EXPECT_EQ(time.size(), 8u + 18u);
  EXPECT_FALSE(state.Debug.SimulateSendingCrcError) << "only one time";
  EXPECT_NE(Build(CommandKind::SetTime)[2], '\0');

  state.Debug.SimulateSendingCrcError = true;
  state.Debug.OnlyOneTime = false;
  EXPECT_EQ(Build(CommandKind::SetDate)[2], '\0');
  EXPECT_EQ(Build(CommandKind::StopTwoWayAudio, "04")[2], '\0');
  EXPECT_TRUE(state.Debug.SimulateSendingCrcError) << "continuously";
}

TEST_F(CommandFrameTest, LongBodyHasThreeDigitLength) {
  state.Format = AutomationFormat::kSia;
  const std::string frame = Build(CommandKind::DtmfSequence, "01", std::string(300, '1'));
  // Body: tab, 8 address characters, "[CSE", 300 digits, "]" = 314 = 0x13A.
  EXPECT_EQ(frame.substr(5, 3), "13A");
  EXPECT_EQ(frame.size(), 1u + 4 + 3 + 314 + 1);
}

TEST_F(CommandFrameTest, ProgrammingKindsSetStateAndTick) {
  state.Format = AutomationFormat::kSia;
  clock.tick = 777;
  const CommandKind kinds[] = {CommandKind::RemoteProgram, CommandKind::ProgramData,
                               CommandKind::ProgramEnd};
  std::uint8_t expected = 1;
  for (const CommandKind kind : kinds) {
    Build(kind, "07", "x");
    EXPECT_EQ(state.LineTable[6].ProgramState, expected);
    EXPECT_EQ(state.LineTable[6].StateTick, clock.tick);
    ++expected;
    clock.tick += 1000;
  }
}

TEST_F(CommandFrameTest, LineOutsideTableTouchesNoRecordButBuildsFrame) {
  state.Format = AutomationFormat::kSia;
  for (const char* line : {"00", "33", "x", "", "-1", "99999999999"}) {
    const std::string frame = Build(CommandKind::RemoteProgram, line, "CMD08");
    EXPECT_FALSE(frame.empty()) << line;
  }
  for (const TLine& line : state.LineTable) EXPECT_EQ(line.ProgramState, 0);
}

}  // namespace
}  // namespace v7400
