#include "commands/batch_sending.h"

#include <gtest/gtest.h>

#include "fakes/command_harness.h"

namespace v7400 {
namespace {

using testing::CommandHarness;

// The line field and the data of a sent SIA command frame.
std::string LineOf(const std::string& frame) { return frame.substr(14, 2); }
std::string DataOf(const std::string& frame) {
  const std::size_t open = frame.find('[');
  return frame.substr(open + 1, frame.rfind(']') - open - 1);
}

class BatchSendingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.UseSia();
    batch().rbBatchSendingClick(true);
    h.commands.rb_recyclingsendClick(CommandChoice::rbHighLevelCommands);
    h.commands.Page().cbx_highlevelcommands = 0;  // CMD01
  }
  BatchSending& batch() { return h.commands.Batch(); }
  std::size_t Sent() const { return h.serial.writes.size(); }
  bool OptionsEnabled() const {
    return h.panel.Enabled(PanelControl::gb_batchoption) &&
           h.panel.Enabled(PanelControl::edtTotalAmount) &&
           h.panel.Enabled(PanelControl::cbx_randomcommand) &&
           h.panel.Enabled(PanelControl::lbl_persecond);
  }

  CommandHarness h;
};

TEST_F(BatchSendingTest, TotalThreeSendsExactlyThree) {
  batch().options.edtTotalAmount = "3";
  h.commands.btnStartSendClick();
  EXPECT_EQ(Sent(), 1u);
  EXPECT_TRUE(h.panel.timer_enabled);
  EXPECT_EQ(h.panel.timer_interval_ms, 1000);
  EXPECT_FALSE(h.panel.Enabled(PanelControl::btnStartSend));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStopBatch, false));
  EXPECT_FALSE(OptionsEnabled());

  h.commands.tmrBatchTimer();
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_totalsent), "Total Sent Commands: 2");
  h.commands.tmrBatchTimer();
  EXPECT_EQ(Sent(), 3u);
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_totalsent), "Total Sent Commands: 3");
  EXPECT_FALSE(h.panel.timer_enabled);
  h.commands.tmrBatchTimer();  // a tick already queued when the timer stopped
  EXPECT_EQ(Sent(), 3u);
  for (const std::string& frame : h.serial.writes) EXPECT_EQ(DataOf(frame), "CMD01");
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStopBatch, false)) << "exhausted, waiting for Stop";

  h.commands.btnStopBatchClick();
  EXPECT_FALSE(h.panel.Enabled(PanelControl::btnStopBatch));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStartSend, false));
  EXPECT_TRUE(OptionsEnabled());
}

TEST_F(BatchSendingTest, TotalZeroRunsUntilStopped) {
  h.commands.btnStartSendClick();
  for (int k = 0; k < 5; ++k) h.commands.tmrBatchTimer();
  EXPECT_EQ(Sent(), 6u);
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_totalsent), "Total Sent Commands: 6");
  EXPECT_TRUE(h.panel.timer_enabled);
  h.commands.btnStopBatchClick();
  EXPECT_FALSE(h.panel.timer_enabled);
  h.commands.tmrBatchTimer();
  EXPECT_EQ(Sent(), 6u);
}

TEST_F(BatchSendingTest, TotalOneSendsOneAndIsExhausted) {
  batch().options.edtTotalAmount = "1";
  h.commands.btnStartSendClick();
  EXPECT_EQ(Sent(), 1u);
  EXPECT_FALSE(h.panel.timer_enabled);
  h.commands.tmrBatchTimer();
  EXPECT_EQ(Sent(), 1u);
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_totalsent), "Total Sent Commands: 1");
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStopBatch, false));
  EXPECT_FALSE(h.panel.Enabled(PanelControl::btnStartSend));
}

TEST_F(BatchSendingTest, IntervalFromTheRateFields) {
  struct Case {
    bool seconds;
    const char* field;
    int interval_ms;
    const char* field_after;
  };
  const Case cases[] = {
      {true, "1", 1000, "1"},   {true, "300", 300000, "300"}, {true, "x", 1000, "x"},
      {false, "10", 100, "10"}, {false, "3", 333, "3"},       {false, "50", 20, "50"},
      {false, "0", 1000, "1"},  {false, "51", 1000, "1"},     {false, "", 1000, ""},
  };
  for (const Case& c : cases) {
    batch().rb_howmanysecondsClick(c.seconds);
    (c.seconds ? batch().options.edtSendingInterval : batch().options.edtPerSecond) = c.field;
    h.commands.btnStartSendClick();
    EXPECT_EQ(h.panel.timer_interval_ms, c.interval_ms) << c.field;
    EXPECT_EQ(c.seconds ? batch().options.edtSendingInterval : batch().options.edtPerSecond,
              c.field_after);
    h.commands.btnStopBatchClick();
  }
  EXPECT_TRUE(h.prompts.errors.empty());
}

TEST_F(BatchSendingTest, RefusedValuesAtStartSendNothing) {
  struct Case {
    const char* total;
    const char* interval;
    const char* error;
  };
  const Case cases[] = {
      {"x", "1", "Expecting value from 0 to 99999"},
      {"", "1", "Expecting value from 0 to 99999"},
      {"0", "0", "Expecting value from 0 to 300"},
      {"5", "301", "Expecting value from 0 to 300"},
  };
  for (const Case& c : cases) {
    batch().options.edtTotalAmount = c.total;
    batch().options.edtSendingInterval = c.interval;
    h.prompts.errors.clear();
    h.commands.btnStartSendClick();
    EXPECT_EQ(Sent(), 0u) << c.total;
    EXPECT_EQ(h.prompts.errors, std::vector<std::string>{c.error});
    EXPECT_FALSE(h.panel.timer_enabled);
    EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStartSend, false));
  }
}

TEST_F(BatchSendingTest, FieldChecksOnLeaving) {
  struct Case {
    std::string SendingOptions::*field;
    const char* text;
    bool accepted;
  };
  const Case cases[] = {
      {&SendingOptions::edtSendingInterval, "0", false},
      {&SendingOptions::edtSendingInterval, "x", false},
      {&SendingOptions::edtSendingInterval, "1", true},
      {&SendingOptions::edtSendingInterval, "300", true},
      {&SendingOptions::edtTotalAmount, "x", false},
      {&SendingOptions::edtTotalAmount, "0", true},
      {&SendingOptions::edtTotalAmount, "99999", true},
  };
  for (const Case& c : cases) {
    batch().options.*c.field = c.text;
    const bool interval = c.field == &SendingOptions::edtSendingInterval;
    const bool accepted =
        interval ? batch().edtSendingIntervalExit() : batch().edtTotalAmountExit();
    EXPECT_EQ(accepted, c.accepted) << c.text;
  }
  EXPECT_EQ(h.prompts.errors, (std::vector<std::string>{"Expecting value from 0 to 300",
                                                        "Expecting value from 0 to 300",
                                                        "Expecting value from 0 to 99999"}));
  EXPECT_EQ(h.panel.focused, (std::vector<PanelControl>{PanelControl::edtSendingInterval,
                                                        PanelControl::edtSendingInterval,
                                                        PanelControl::edtTotalAmount}));
  batch().options.edtPerSecond = "51";
  batch().edtPerSecondExit();
  EXPECT_EQ(h.panel.texts[PanelControl::edtPerSecond], "1");
  EXPECT_EQ(h.prompts.errors.size(), 3u) << "the rate field is corrected without a message";
}

TEST_F(BatchSendingTest, RandomCommandAndLineApplyFromTheFirstTimerStep) {
  h.commands.Statistics().dg_linestatusClick(4, 0);  // line 5
  batch().cbx_randomcommandClick(true);
  h.random.draws = {0, 13, 5};
  h.commands.btnStartSendClick();
  h.commands.tmrBatchTimer();
  h.commands.tmrBatchTimer();
  batch().cbx_randomlineClick(true);
  h.random.draws = {12, 31};
  h.commands.tmrBatchTimer();
  ASSERT_EQ(Sent(), 4u);
  EXPECT_EQ(DataOf(h.serial.writes[0]), "CMD01");
  EXPECT_EQ(DataOf(h.serial.writes[1]), "CSE12345678ABCD*#!W,");
  EXPECT_EQ(DataOf(h.serial.writes[2]), "CMD08");
  EXPECT_EQ(DataOf(h.serial.writes[3]), "CMD0A11");
  EXPECT_EQ(LineOf(h.serial.writes[2]), "05");
  EXPECT_EQ(LineOf(h.serial.writes[3]), "32");
  EXPECT_EQ(h.random.counts, (std::vector<int>{14, 14, 14, 32}));
}

TEST_F(BatchSendingTest, RandomLineAppliesToTheFirstCommandToo) {
  batch().cbx_randomlineClick(true);
  h.random.draws = {9, 0};
  h.commands.btnStartSendClick();
  h.commands.tmrBatchTimer();
  EXPECT_EQ(LineOf(h.serial.writes[0]), "10");
  EXPECT_EQ(LineOf(h.serial.writes[1]), "01");
  EXPECT_EQ(DataOf(h.serial.writes[1]), "CMD01");
}

TEST_F(BatchSendingTest, BatchCommandIsACopy) {
  h.commands.btnStartSendClick();
  h.commands.rb_recyclingsendClick(CommandChoice::rbSetTime);
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStartSend, false)) << "Start enabled again";
  h.commands.Statistics().dg_linestatusClick(0, 3);
  h.commands.tmrBatchTimer();
  EXPECT_EQ(DataOf(h.serial.writes[1]), "CMD01");
  EXPECT_EQ(LineOf(h.serial.writes[1]), "01");
  EXPECT_TRUE(h.panel.timer_enabled) << "the batch goes on";
}

TEST_F(BatchSendingTest, OptionEnablingRules) {
  batch().rb_howmanysecondsClick(false);
  EXPECT_FALSE(h.panel.Enabled(PanelControl::edtSendingInterval));
  EXPECT_FALSE(h.panel.Enabled(PanelControl::lbl_seconds));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::edtPerSecond, false));
  batch().rbBatchSendingClick(false);
  EXPECT_FALSE(h.panel.Enabled(PanelControl::edtTotalAmount));
  EXPECT_FALSE(h.panel.Enabled(PanelControl::cbx_randomline));
  EXPECT_FALSE(h.panel.Enabled(PanelControl::lbl_totalsent));
  h.commands.btnStartSendClick();
  EXPECT_EQ(Sent(), 1u) << "Send One sends once";
  EXPECT_FALSE(h.panel.timer_enabled);
}

TEST(ClockSeededRandomTest, DrawsStayInRange) {
  ClockSeededRandom random;
  for (int i = 0; i < 2000; ++i) {
    const int draw = random.Draw(32);
    ASSERT_GE(draw, 0);
    ASSERT_LT(draw, 32);
  }
  EXPECT_EQ(random.Draw(1), 0);
}

class RecyclingTest : public BatchSendingTest {
 protected:
  void SetUp() override {
    h.UseSia();
    h.commands.Statistics().dg_linestatusClick(6, 0);  // line 7
    h.commands.rb_recyclingsendClick(CommandChoice::rb_recyclingsend);
  }
  void Report(const std::string& data, const std::string& line) {
    const std::string entry = "12:00:00 <1> :  [10]00001A[9]0005010" + line + data;
    h.commands.UpdateLineOnReceive(entry, line, entry);
  }
  std::string LastData() const { return DataOf(h.serial.writes.back()); }
};

TEST_F(RecyclingTest, CycleWithRoundsCounted) {
  Report("[NLC03]", "07");
  EXPECT_EQ(Sent(), 0u) << "nothing before [NLF";
  Report("[NLF]", "08");
  EXPECT_EQ(Sent(), 0u) << "another line";
  Report("[NLF]", "07");
  ASSERT_EQ(Sent(), 1u);
  EXPECT_EQ(LastData(), "CMD08");
  EXPECT_EQ(LineOf(h.serial.writes.back()), "07");
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_recycling), "Total Sent Rounds: 0");
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStopBatch, false));

  struct Step {
    const char* data;
    int rounds;
  };
  // A round counts when the fourth command of the cycle goes out.
  const Step steps[] = {{"CMD09", 0}, {"CMD03", 0}, {"CMD01", 1}, {"CMD08", 1},
                        {"CMD09", 1}, {"CMD03", 1}, {"CMD01", 2}};
  int step = 0;
  for (const Step& expected : steps) {
    Report(step % 2 == 0 ? "[NLC03]" : "[NLC04]", "07");
    Report("[NLC03]", "06");  // other lines do not advance the cycle
    EXPECT_EQ(LastData(), expected.data) << step;
    EXPECT_EQ(h.commands.Recycling().Rounds(), expected.rounds) << step;
    ++step;
  }
  EXPECT_EQ(Sent(), 8u);
  EXPECT_EQ(h.commands.Recycling().Rounds(), 2);
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_recycling), "Total Sent Rounds:2");

  Report("[NLF]", "07");
  EXPECT_EQ(LastData(), "CMD08") << "a new [NLF restarts the cycle";
  EXPECT_EQ(h.panel.Caption(PanelControl::lbl_recycling), "Total Sent Rounds: 0");
}

TEST_F(RecyclingTest, StopDisarms) {
  Report("[NLF]", "07");
  h.commands.btnStopBatchClick();
  EXPECT_FALSE(h.commands.Recycling().Armed());
  EXPECT_TRUE(h.panel.Checked(PanelControl::rbSetDate));
  EXPECT_EQ(h.commands.Page().selected, CommandChoice::rbSetDate);
  EXPECT_EQ(h.panel.Caption(PanelControl::btnStopBatch), "Stop Batch Sending");
  EXPECT_FALSE(h.panel.Enabled(PanelControl::btnStopBatch));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStartSend, false));
  Report("[NLC03]", "07");
  Report("[NLF]", "07");
  EXPECT_EQ(Sent(), 1u);

  // Armed again: the old cycle stays quiet until the next [NLF.
  h.commands.rb_recyclingsendClick(CommandChoice::rb_recyclingsend);
  Report("[NLC03]", "07");
  EXPECT_EQ(Sent(), 1u);
  Report("[NLF]", "07");
  EXPECT_EQ(Sent(), 2u);
}

TEST_F(RecyclingTest, StopAlsoStopsABatchLeftRunning) {
  h.commands.rb_recyclingsendClick(CommandChoice::rbSetTime);
  h.commands.Batch().rbBatchSendingClick(true);
  h.commands.btnStartSendClick();
  EXPECT_TRUE(h.panel.timer_enabled);
  h.commands.rb_recyclingsendClick(CommandChoice::rb_recyclingsend);
  h.commands.btnStopBatchClick();
  EXPECT_FALSE(h.panel.timer_enabled);
}

}  // namespace
}  // namespace v7400
