#include "commands/line_statistics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "fakes/command_harness.h"

namespace v7400 {
namespace {

using testing::CommandHarness;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class LineStatisticsTest : public ::testing::Test {
 protected:
  std::string Label(PanelControl control) const { return h.panel.Caption(control); }
  CommandHarness h;
};

TEST_F(LineStatisticsTest, EventsAndFeedbacksByEntryText) {
  struct Case {
    const char* entry;
    bool feedback;
  };
  const Case cases[] = {
      {"12:00:00 <1> :  [10]ABCD1C[9]00050105[#1234|NBA01][13]", false},
      {"[9]00050105[NLC03]", true},
      {"[9]00050105[REJECT]", true},
      {"[9]AAAA0105[]", true},
      {"[9]NNNN0105[]", true},
      {"[9]00050105[N]", false},
      {"[10][13]]AAAA", true},  // the marker at the very end
      {"[9]0005]AAA[", false},  // cut short, a bracket last
      {"", false},
  };
  for (const Case& c : cases) {
    h.state.LineTable[4].EventsReceived = 0;
    h.state.LineTable[4].FeedbacksReceived = 0;
    h.commands.UpdateLineOnReceive(c.entry, "05", c.entry);
    EXPECT_EQ(h.state.LineTable[4].FeedbacksReceived, c.feedback ? 1 : 0) << c.entry;
    EXPECT_EQ(h.state.LineTable[4].EventsReceived, c.feedback ? 0 : 1) << c.entry;
  }
}

TEST_F(LineStatisticsTest, LinesOutsideTheTableCountNothingButLine00Refreshes) {
  for (const char* line : {"00", "33", "x", "", "-1"})
    h.commands.UpdateLineOnReceive("[NL]", line, "[NL]");
  for (const TLine& line : h.state.LineTable) {
    EXPECT_EQ(line.EventsReceived + line.FeedbacksReceived, 0);
  }
  EXPECT_EQ(Label(PanelControl::tsht_linelog), "Statistics of Line1");
  EXPECT_EQ(Label(PanelControl::lbl_totalfeedbacks), "Total Received Feedbacks of Commands: 0");
}

TEST_F(LineStatisticsTest, LabelsFollowTheSelectedCellNotTheUpdatedLine) {
  h.commands.Statistics().dg_linestatusClick(3, 1);
  EXPECT_EQ(h.commands.Page().edtLine, "12");
  EXPECT_EQ(h.panel.texts[PanelControl::edtLine], "12");
  EXPECT_EQ(Label(PanelControl::tsht_linelog), "Statistics of Line12");

  h.state.LineTable[11].EventsReceived = 4;
  h.commands.UpdateLineOnReceive("event", "05", "event");
  EXPECT_EQ(h.state.LineTable[4].EventsReceived, 1);
  EXPECT_EQ(Label(PanelControl::lbl_totalevents), "Total Received Events: 4");

  h.commands.SendCommand(TCommand{CommandKind::HighLevel, "12", "CMD01"});
  EXPECT_EQ(Label(PanelControl::lbl_totalcommands), "Total Sent Commands: 1");
  EXPECT_EQ(Label(PanelControl::lbl_totalfeedbacks), "Total Received Feedbacks of Commands: 0");
}

TEST_F(LineStatisticsTest, GridCellsAndColours) {
  EXPECT_EQ(LineOfCell(0, 0), 1);
  EXPECT_EQ(LineOfCell(7, 0), 8);
  EXPECT_EQ(LineOfCell(0, 3), 25);
  EXPECT_EQ(LineOfCell(7, 3), 32);
  const std::pair<std::uint8_t, Rgb> colours[] = {
      {0, kIdleColour},        {1, Rgb{0, 255, 0}},       {2, Rgb{0, 255, 0}},
      {3, Rgb{0, 255, 0}},     {4, Rgb{255, 255, 0}},     {6, Rgb{255, 255, 0}},
      {7, Rgb{128, 128, 128}}, {255, Rgb{128, 128, 128}},
  };
  for (const auto& [program_state, colour] : colours) {
    h.state.LineTable[9].ProgramState = program_state;
    const CellPaint paint = h.commands.Statistics().dg_linestatusDrawCell(1, 1);
    EXPECT_EQ(paint.line, 10);
    EXPECT_EQ(paint.text, "10");
    EXPECT_EQ(paint.fill, colour) << int{program_state};
    EXPECT_EQ(paint.text_colour, (Rgb{0, 0, 255}));
  }
  h.commands.Statistics().tmr_drawgridTimer();
  EXPECT_EQ(h.statistics_view.repaints, 1);
}

TEST_F(LineStatisticsTest, StatisticsFileOfAFreshStart) {
  const std::string path = ::testing::TempDir() + "/line_statistics_fresh.txt";
  h.prompts.chosen_path = path;
  h.commands.Statistics().btn_SaveClick("/start");
  ASSERT_EQ(h.prompts.dialogs.size(), 1u);
  EXPECT_EQ(h.prompts.dialogs[0].default_extension, "txt");
  EXPECT_EQ(h.prompts.dialogs[0].filter, "Text files|*.txt");

  std::string expected;
  for (int n = 1; n <= 32; ++n) {
    expected += "Line" + std::to_string(n) +
                "\r\nTotal Sent Commands: 0\r\nTotal Received Feedbacks of Commands: 0\r\n"
                "Total Received Events: 0\r\n\r\n\r\n";
  }
  expected +=
      "---------------------------------\r\nAll lines:\r\nTotal Sent Commands: 0\r\n"
      "Total Received Feedbacks of Commands: 0\r\nTotal Received Events: 0\r\n";
  EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(LineStatisticsTest, StatisticsFileSumsAndClear) {
  h.state.LineTable[0].CommandsSent = 2;
  h.state.LineTable[31].CommandsSent = 3;
  h.state.LineTable[31].FeedbacksReceived = 7;
  h.state.LineTable[4].EventsReceived = 0x7FFFFFFF;
  h.state.LineTable[5].EventsReceived = 0x7FFFFFFF;
  const auto lines = StatisticsFileLines(h.state);
  ASSERT_EQ(lines.size(), 32u * 6 + 5);
  EXPECT_EQ(lines[32 * 6 + 2], "Total Sent Commands: 5");
  EXPECT_EQ(lines[32 * 6 + 3], "Total Received Feedbacks of Commands: 7");
  EXPECT_EQ(lines[32 * 6 + 4], "Total Received Events: 4294967294");

  h.state.LineTable[0].ProgramState = 2;
  h.state.LineTable[0].LastCommand = "kept";
  h.commands.Statistics().btnClearLogClick();
  for (const TLine& line : h.state.LineTable) {
    EXPECT_EQ(line.CommandsSent + line.FeedbacksReceived + line.EventsReceived, 0);
  }
  EXPECT_EQ(h.state.LineTable[0].ProgramState, 2);
  EXPECT_EQ(h.state.LineTable[0].LastCommand, "kept");
  EXPECT_EQ(Label(PanelControl::lbl_totalevents), "Total Received Events: 0");
  EXPECT_EQ(Label(PanelControl::lbl_totalcommands), "Total Sent Commands: 0");
  EXPECT_EQ(Label(PanelControl::lbl_totalfeedbacks), "Total Received Feedbacks of Commands: 0");
}

TEST_F(LineStatisticsTest, UnwritableStatisticsFileIsNotReported) {
  h.prompts.chosen_path = ::testing::TempDir() + "/no/such/dir/stats.txt";
  EXPECT_NO_THROW(h.commands.Statistics().btn_SaveClick(""));
  h.prompts.chosen_path.reset();
  EXPECT_NO_THROW(h.commands.Statistics().btn_SaveClick(""));
}

TEST_F(LineStatisticsTest, DetailedLogRecordsOnlyItsLine) {
  DetailedLog& log = h.commands.Log();
  h.clock.tick = 123456;
  log.edt_detailedlog = "3";
  h.commands.UpdateLineOnReceive("before", "03", "before");
  EXPECT_TRUE(log.Lines().empty()) << "not enabled yet";

  log.cbx_EnableDetailedLogClick(true);
  EXPECT_TRUE(h.panel.Enabled(PanelControl::memLog, false));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::ud_detailedlog, false));
  h.commands.UpdateLineOnReceive("event of 3", "03", "event of 3");
  h.commands.UpdateLineOnReceive("event of 4", "04", "event of 4");
  h.commands.SendCommand(TCommand{CommandKind::HighLevel, "03", "CMD01"});
  h.commands.SendCommand(TCommand{CommandKind::HighLevel, "05", "CMD01"});
  h.commands.SendCommand(TCommand{CommandKind::SetTime, "03", ""});
  const std::vector<std::string> expected = {
      "03-15-2012 14:05:09 123456 RECE:event of 3",
      "03-15-2012 14:05:09 123456 RECE:14:05:09 Input CMD:  ",
  };
  EXPECT_EQ(log.Lines(), expected);
  EXPECT_EQ(h.statistics_view.log, expected);

  log.edt_detailedlog = "";  // a field that holds no number records nothing, sends go on
  h.commands.SendCommand(TCommand{CommandKind::HighLevel, "03", "CMD01"});
  EXPECT_EQ(log.Lines().size(), 2u);
  EXPECT_EQ(h.state.SentCount, 4);

  const std::string path = ::testing::TempDir() + "/detailed_log.txt";
  h.prompts.chosen_path = path;
  log.Button1Click("");
  EXPECT_EQ(ReadFile(path), expected[0] + "\r\n" + expected[1] + "\r\n");
  log.Button2Click();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_TRUE(h.statistics_view.log.empty());

  h.prompts.chosen_path = ::testing::TempDir() + "/no/such/dir/log.txt";
  EXPECT_THROW(log.Button1Click(""), std::runtime_error);
}

TEST_F(LineStatisticsTest, DetailedLogFieldCheck) {
  DetailedLog& log = h.commands.Log();
  for (const char* text : {"0", "33", "", "x"}) {
    log.edt_detailedlog = text;
    EXPECT_FALSE(log.edt_detailedlogExit()) << text;
  }
  EXPECT_EQ(h.prompts.errors, std::vector<std::string>(4, "Expecting value from 1 to 32"));
  EXPECT_EQ(h.panel.focused.size(), 4u);
  for (const char* text : {"1", "32", "07"}) {
    log.edt_detailedlog = text;
    EXPECT_TRUE(log.edt_detailedlogExit()) << text;
  }
  EXPECT_EQ(h.prompts.errors.size(), 4u);
}

}  // namespace
}  // namespace v7400
