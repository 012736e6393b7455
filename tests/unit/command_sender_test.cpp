#include "commands/command_sender.h"

#include <gtest/gtest.h>

#include "fakes/command_harness.h"

namespace v7400 {
namespace {

using testing::CommandHarness;

class CommandSenderTest : public ::testing::Test {
 protected:
  CommandHarness h;
};

TEST_F(CommandSenderTest, ShowsSendsAndCountsASiaCommand) {
  h.UseSia();
  h.commands.SendCommand(TCommand{CommandKind::HighLevel, "05", "CMD01"});
  const std::string wire = "\nBF0B10\t00010105[CMD01]\r";
  ASSERT_EQ(h.serial.writes.size(), 1u);
  EXPECT_EQ(h.serial.writes[0], wire);
  EXPECT_EQ(h.sink.Entries(DisplayList::kDecimal).back(),
            "14:05:09 Input CMD:  [10]BF0B10[9]00010105[CMD01][13]");
  EXPECT_EQ(h.sink.Entries(DisplayList::kHex).back(),
            "14:05:09 Input CMD:  0A 42 46 30 42 31 30 09 30 30 30 31 30 31 30 35 5B 43 4D 44 30 "
            "31 5D 0D ");
  EXPECT_EQ(h.state.SentCount, 1);
  EXPECT_EQ(h.display_view.status[1], "Sent: 1");
  const TLine& line = h.state.LineTable[4];
  EXPECT_EQ(line.CommandsSent, 1);
  EXPECT_EQ(line.LastCommand, h.sink.Entries(DisplayList::kDecimal).back());
}

TEST_F(CommandSenderTest, BlankShownAsSOrBlank) {
  h.UseSia();
  h.commands.SendCommand(TCommand{CommandKind::Customized, "1", "a b"});
  EXPECT_NE(h.sink.Entries(DisplayList::kDecimal).back().find("[CZZasb]"), std::string::npos);
  h.state.SpaceConverting = 0;
  h.commands.SendCommand(TCommand{CommandKind::Customized, "1", "a b"});
  EXPECT_NE(h.sink.Entries(DisplayList::kDecimal).back().find("[CZZa b]"), std::string::npos);
}

TEST_F(CommandSenderTest, EmptyPacketIn4100StillCountsAndGoesToTheLink) {
  h.commands.SendCommand(TCommand{CommandKind::DtmfSequence, "03", "1234"});
  ASSERT_EQ(h.serial.writes.size(), 1u);
  EXPECT_EQ(h.serial.writes[0], "");
  EXPECT_EQ(h.sink.Entries(DisplayList::kDecimal).back(), "14:05:09 Input CMD:  ");
  EXPECT_EQ(h.sink.Entries(DisplayList::kHex).back(), "14:05:09 Input CMD:  ");
  EXPECT_EQ(h.state.SentCount, 1);
  EXPECT_EQ(h.state.LineTable[2].CommandsSent, 1);
  EXPECT_EQ(h.state.LineTable[2].ProgramState, 0);
}

TEST_F(CommandSenderTest, ConnectionModeChoosesTheLink) {
  h.state.ConnectionMode = ConnectionMode::kNetwork;
  h.commands.SendCommand(TCommand{CommandKind::SetTime, "01", ""});
  EXPECT_TRUE(h.serial.writes.empty());
  ASSERT_EQ(h.network.sent.size(), 1u);
  EXPECT_EQ(h.network.sent[0], "!T1405\r");
}

TEST_F(CommandSenderTest, LineSpecificCommandsCountForTheirLine) {
  h.commands.SendCommand(TCommand{CommandKind::Customized, "1", "x"});
  h.commands.SendCommand(TCommand{CommandKind::DtmfSequence, "01", "1"});
  h.commands.SendCommand(TCommand{CommandKind::ProgramEnd, "01", "CMD0C"});
  EXPECT_EQ(h.state.LineTable[0].CommandsSent, 3);
  EXPECT_EQ(h.state.LineTable[0].LastCommand, "14:05:09 Input CMD:  ");
}

TEST_F(CommandSenderTest, GeneralCommandsLeaveLineCountersAlone) {
  h.UseSia();
  for (const CommandKind kind :
       {CommandKind::SetDate, CommandKind::SetTime, CommandKind::StopTwoWayAudio}) {
    h.commands.SendCommand(TCommand{kind, "01", ""});
  }
  EXPECT_EQ(h.state.SentCount, 3);
  EXPECT_EQ(h.state.LineTable[0].CommandsSent, 0);
  EXPECT_EQ(h.state.LineTable[0].LastCommand, "");
}

TEST_F(CommandSenderTest, LineOutsideTableIsSentWithoutTouchingTheTable) {
  h.UseSia();
  for (const char* line : {"00", "33", "x", ""}) {
    h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, line, "CMD08"});
  }
  EXPECT_EQ(h.serial.writes.size(), 4u);
  EXPECT_EQ(h.state.SentCount, 4);
  for (const TLine& line : h.state.LineTable) {
    EXPECT_EQ(line.CommandsSent, 0);
    EXPECT_EQ(line.ProgramState, 0);
  }
}

TEST_F(CommandSenderTest, EveryByteValueInTheParameterGoesOutAsIs) {
  h.UseSia();
  std::string all;
  for (int value = 0; value < 256; ++value) all += static_cast<char>(value);
  h.commands.SendCommand(TCommand{CommandKind::DtmfSequence, "01", all});
  const std::string body = "\t00010101[CSE" + all + "]";
  EXPECT_EQ(h.serial.writes.back(), WrapSiaBody(body));
  EXPECT_EQ(h.serial.writes.back().substr(5, 3), "10E");
  const std::string& entry = h.sink.Entries(DisplayList::kDecimal).back();
  EXPECT_NE(entry.find("[CSE[0][1]"), std::string::npos);
  EXPECT_NE(entry.find("[254][255]][13]"), std::string::npos);
}

TEST_F(CommandSenderTest, TrafficLogGetsTheDecimalEntry) {
  const std::string path = ::testing::TempDir() + "/command_sender_log.txt";
  std::remove(path.c_str());
  h.prompts.chosen_path = path;
  h.sink.SaveLogToFileClicked(true, h.prompts, "");
  h.commands.SendCommand(TCommand{CommandKind::SetTime, "01", ""});
  h.sink.CloseLog();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char buffer[256] = {};
  const std::size_t read = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  EXPECT_EQ(std::string(buffer, read).rfind("14:05:09 Input CMD:  !T1405[13]\r\n", 0), 0u);
}

}  // namespace
}  // namespace v7400
