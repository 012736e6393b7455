#include <gtest/gtest.h>

#include "commands/command_page.h"
#include "fakes/command_harness.h"

namespace v7400 {
namespace {

using testing::CommandHarness;

TEST(CommandPageTest, SelectionBecomesCommand) {
  struct Case {
    CommandChoice choice;
    TCommand command;
  };
  CommandPage page;
  page.edtLine = "7";
  page.edt_dtmfsequence = "12*#";
  page.edtCustomizedCommand = "free";
  page.cbx_highlevelcommands = 14;  // "CMD0A10 "
  const Case cases[] = {
      {CommandChoice::rbSetDate, {CommandKind::SetDate, "07", ""}},
      {CommandChoice::rbSetTime, {CommandKind::SetTime, "07", ""}},
      {CommandChoice::rbStopTwoWayAudio, {CommandKind::StopTwoWayAudio, "07", ""}},
      {CommandChoice::rbCustomizedCommand, {CommandKind::Customized, "7", "free"}},
      {CommandChoice::rbDTMFSequenceCommand, {CommandKind::DtmfSequence, "07", "12*#"}},
      {CommandChoice::rbHighLevelCommands, {CommandKind::HighLevel, "07", "CMD0A10"}},
      {CommandChoice::rb_Remoteprograme, {CommandKind::RemoteProgram, "07", "CMD08"}},
  };
  for (const Case& c : cases) {
    page.selected = c.choice;
    EXPECT_EQ(SelectedCommand(page), c.command) << static_cast<int>(c.choice);
  }
  page.edtLine = "x";
  page.selected = CommandChoice::rbSetDate;
  EXPECT_EQ(SelectedCommand(page).Line, "01");
}

TEST(CommandPageTest, HighLevelCodes) {
  EXPECT_EQ(HighLevelCode(-1), "");
  EXPECT_EQ(HighLevelCode(0), "CMD01");
  EXPECT_EQ(HighLevelCode(1), "CMD02");
  EXPECT_EQ(HighLevelCode(22), "CMD0E06");
  EXPECT_EQ(HighLevelCode(23), "");
}

TEST(CommandPageTest, ExampleProgrammingStrings) {
  const std::size_t lengths[] = {30, 14, 72, 48};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string text = kExampleProgrammingStrings[i];
    EXPECT_EQ(text.size(), lengths[i]);
    for (const char c : text) EXPECT_TRUE(ProgrammingKeyAccepted(c)) << text;
  }
}

TEST(CommandPageTest, KeyFiltersOverEveryByte) {
  const std::string dtmf = "0123456789ABCDW*#!,\b";
  const std::string programming = "0123456789ABCDEF\b";
  const std::string digits = "0123456789\b";
  for (int value = 0; value < 256; ++value) {
    const char key = static_cast<char>(value);
    EXPECT_EQ(DtmfKeyAccepted(key), dtmf.find(key) != std::string::npos) << value;
    EXPECT_EQ(ProgrammingKeyAccepted(key), programming.find(key) != std::string::npos) << value;
    EXPECT_EQ(DigitKeyAccepted(key), digits.find(key) != std::string::npos) << value;
  }
}

class CommandSelectionTest : public ::testing::Test {
 protected:
  CommandHarness h;
};

TEST_F(CommandSelectionTest, StartUpState) {
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStartSend, false));
  EXPECT_EQ(h.panel.Caption(PanelControl::btnStopBatch), "Stop Batch Sending");
  for (const PanelControl control :
       {PanelControl::lbl_recycling, PanelControl::cbx_highlevelcommands,
        PanelControl::edt_dtmfsequence, PanelControl::edt_programmingstr}) {
    EXPECT_FALSE(h.panel.Enabled(control)) << ControlName(control);
  }
  EXPECT_FALSE(h.commands.Recycling().Armed());
  EXPECT_FALSE(h.panel.Enabled(PanelControl::edtTotalAmount)) << "Send One at start";
  EXPECT_TRUE(h.prompts.messages.empty());
}

TEST_F(CommandSelectionTest, EnablingRulePerRadioButton) {
  h.commands.rb_recyclingsendClick(CommandChoice::rbHighLevelCommands);
  EXPECT_TRUE(h.panel.Enabled(PanelControl::cbx_highlevelcommands, false));
  h.commands.rb_recyclingsendClick(CommandChoice::rbDTMFSequenceCommand);
  EXPECT_FALSE(h.panel.Enabled(PanelControl::cbx_highlevelcommands));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::edt_dtmfsequence, false));
  h.commands.rb_recyclingsendClick(CommandChoice::rb_Remoteprograme);
  EXPECT_FALSE(h.panel.Enabled(PanelControl::edt_dtmfsequence));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::lbl_programmingstr, false));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::edt_programmingstr, false));
}

TEST_F(CommandSelectionTest, RecyclingChoiceArmsAndAnyOtherDisarms) {
  h.commands.rb_recyclingsendClick(CommandChoice::rb_recyclingsend);
  ASSERT_EQ(h.prompts.messages.size(), 1u);
  EXPECT_EQ(h.prompts.messages[0],
            "Recylcing sending input commands will be started automatically when [NLF] is "
            "received. After being started, you may stop the recycling sending input commands "
            "by click \"Stop Recycling Sending\" in the tab \"Sending option\". ");
  EXPECT_EQ(h.panel.Caption(PanelControl::btnStopBatch), "Stop Recycling Sending");
  EXPECT_FALSE(h.panel.Enabled(PanelControl::btnStartSend));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::lbl_recycling, false));
  EXPECT_TRUE(h.commands.Recycling().Armed());

  h.commands.rb_recyclingsendClick(CommandChoice::rbSetTime);
  EXPECT_EQ(h.panel.Caption(PanelControl::btnStopBatch), "Stop Batch Sending");
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btnStartSend, false));
  EXPECT_FALSE(h.panel.Enabled(PanelControl::lbl_recycling));
  EXPECT_FALSE(h.commands.Recycling().Armed());
}

TEST_F(CommandSelectionTest, SingleSendUsesTheSelectedLine) {
  h.UseSia();
  h.commands.Statistics().dg_linestatusClick(6, 0);  // line 7
  h.commands.rb_recyclingsendClick(CommandChoice::rbDTMFSequenceCommand);
  h.commands.btnStartSendClick();
  ASSERT_EQ(h.serial.writes.size(), 1u);
  EXPECT_EQ(h.serial.writes[0], WrapSiaBody("\t00010107[CSE1234]"));

  h.commands.rb_recyclingsendClick(CommandChoice::rbHighLevelCommands);
  h.commands.btnStartSendClick();  // no item chosen
  EXPECT_EQ(h.serial.writes[1], WrapSiaBody("\t00010107[]"));
  h.commands.Page().cbx_highlevelcommands = 1;
  h.commands.btnStartSendClick();
  EXPECT_EQ(h.serial.writes[2], WrapSiaBody("\t00010107[CMD02]"));
}

TEST_F(CommandSelectionTest, PanelShowAndClose) {
  h.commands.btn_inputcommandClick();
  EXPECT_TRUE(h.panel.Visible(PanelControl::pnl_inputcommand));
  EXPECT_FALSE(h.panel.Enabled(PanelControl::btn_inputcommand));
  h.commands.btnCancelClick();
  EXPECT_FALSE(h.panel.Visible(PanelControl::pnl_inputcommand, true));
  EXPECT_TRUE(h.panel.Enabled(PanelControl::btn_inputcommand, false));
}

TEST(ControlNameTest, DesignNames) {
  EXPECT_STREQ(ControlName(PanelControl::btnStartSend), "btnStartSend");
  EXPECT_STREQ(ControlName(PanelControl::rb_Remoteprograme), "rb_Remoteprograme");
  EXPECT_STREQ(ControlName(PanelControl::memLog), "memLog");
}

}  // namespace
}  // namespace v7400
