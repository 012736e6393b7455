// The checks behind the command line: each value becomes a command or a one-line refusal.
#include "app/run_options.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

struct RequestCase {
  const char* kind;
  const char* line;
  std::optional<TCommand> expected;
  const char* refusal_part;  // a piece of the refusal when refused
};

TEST(RunOptionsTest, CommandRequestsBecomeTheWindowsCommandsOrARefusal) {
  const RequestCase cases[] = {
      {"date", "1", TCommand{CommandKind::SetDate, "01", ""}, ""},
      {"TIME", "32", TCommand{CommandKind::SetTime, "32", ""}, ""},
      {"stop-audio", "7", TCommand{CommandKind::StopTwoWayAudio, "07", ""}, ""},
      {"dtmf:12AW*#!,", "3", TCommand{CommandKind::DtmfSequence, "03", "12AW*#!,"}, ""},
      {"cmd0a10", "4", TCommand{CommandKind::HighLevel, "04", "CMD0A10"}, ""},
      {"CMD08", "5", TCommand{CommandKind::RemoteProgram, "05", "CMD08"}, ""},
      {"CMD0B", "5", std::nullopt, "unknown command kind 'CMD0B'"},
      {"dtmf:12e", "3", std::nullopt, "'12e'"},
      {"dtmf:", "3", std::nullopt, "DTMF digits ''"},
      {"date", "0", std::nullopt, "line '0'"},
      {"date", "33", std::nullopt, "line '33'"},
      {"date", "x", std::nullopt, "line 'x'"},
  };
  for (const RequestCase& c : cases) {
    std::string error;
    EXPECT_EQ(ParseCommandRequest(c.kind, c.line, error), c.expected) << c.kind << " " << c.line;
    EXPECT_NE(error.find(c.refusal_part), std::string::npos) << error;
  }
}

TEST(RunOptionsTest, ValuesOutsideTheirRangeAreRefused) {
  std::string error;
  EXPECT_EQ(ParseFormatName("sia", error), AutomationFormat::kSia);
  EXPECT_EQ(ParseFormatName("4100", error), AutomationFormat::k4100);
  EXPECT_EQ(ParseFrameCount("12", error), 12);
  EXPECT_EQ(ParseRunSeconds("0.5", error), 0.5);
  EXPECT_TRUE(CheckAckMode("Auto", error));
  for (const char* bad : {"", "0", "-1", "1x", "99999999999999999999"}) {
    EXPECT_FALSE(ParseFrameCount(bad, error)) << bad;
  }
  for (const char* bad : {"", "0", "-2", "nan", "inf", "1s", "1e9"}) {
    EXPECT_FALSE(ParseRunSeconds(bad, error)) << bad;
  }
  EXPECT_FALSE(ParseFormatName("contact-id", error));
  EXPECT_FALSE(CheckAckMode("manual", error));
  EXPECT_NE(error.find("needs a person"), std::string::npos);
}

}  // namespace
}  // namespace v7400
