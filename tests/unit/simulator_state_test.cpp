#include "core/simulator_state.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace v7400 {
namespace {

TEST(SimulatorStateTest, InitialiseAndRelease) {
  SimulatorState state;
  state.PackageEndChar = 3;
  state.LineTable[4].ProgramState = 2;
  InitialiseLines(state);
  EXPECT_EQ(state.PackageEndChar, 20);
  EXPECT_EQ(state.SpaceConverting, 1);
  for (const TLine& line : state.LineTable) {
    EXPECT_EQ(line.ProgramState, 0);
    ASSERT_NE(line.LineList, nullptr);
    EXPECT_TRUE(line.LineList->empty());
  }
  state.ReceivedCount = 5;
  state.CurrentSequence = "AAAA";
  ResetCountersAndAddress(state);
  EXPECT_EQ(state.ReceivedCount, 0);
  EXPECT_EQ(state.CurrentSequence, "0001");
  EXPECT_EQ(state.ReceiverNumber, "01");
  EXPECT_EQ(state.CurrentLine, "00");
  ReleaseState(state);
  for (const TLine& line : state.LineTable) EXPECT_EQ(line.LineList, nullptr);
}

TEST(SimulatorStateTest, LineNumbers) {
  struct Case {
    std::string text;
    int number;
  };
  const Case numbers[] = {{"01", 1}, {"32", 32}, {"00", 0}, {"99", 99}, {"-1", -1}, {"+7", 7}};
  for (const Case& c : numbers) EXPECT_EQ(ParseLineNumber(c.text), c.number) << c.text;
  for (const std::string bad :
       {"x1", "", "1 ", " 1", "-", "0x1", "1.", "\xFF\x01", "99999999999999999999"}) {
    EXPECT_THROW(ParseLineNumber(bad), std::invalid_argument) << bad;
  }
  SimulatorState state;
  EXPECT_EQ(FindLine(state, 0), nullptr);
  EXPECT_EQ(FindLine(state, 33), nullptr);
  EXPECT_EQ(FindLine(state, -5), nullptr);
  EXPECT_EQ(FindLine(state, 1), &state.LineTable[0]);
  EXPECT_EQ(FindLine(state, 32), &state.LineTable[31]);
}

}  // namespace
}  // namespace v7400
