// The event in an SIA frame's data, its CSV columns and the per-line counts by code.
#include "codec/sia_event.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "display/traffic_csv.h"
#include "display/traffic_recorder.h"
#include "fakes/fake_clock.h"

namespace v7400 {
namespace {

std::string Frame(const std::string& line, const std::string& data) {
  return WrapSiaBody("\t0001" "01" + line + data);
}

TEST(SiaEventTest, DataReadAsAccountQualifierCodeAndNumber) {
  struct Case {
    std::string data;
    bool decoded;
    std::string account, code, number, text;
  } cases[] = {
      {"[#1234|NBA05]", true, "1234", "BA", "05", "Burglary alarm, zone 05"},
      {"[#00AB|NOP012]", true, "00AB", "OP", "012", "Opening (disarmed), user 012"},
      {"[#1|NAT]", true, "1", "AT", "", "AC power failure"},
      {"[#1|NRP99]", true, "1", "RP", "99", "Automatic test report"},  // number means nothing
      {"[#1234|NQQ17]", true, "1234", "QQ", "17", "unknown event code QQ, 17"},
      {"[#1234|NZZ]", true, "1234", "ZZ", "", "unknown event code ZZ"},
      {"[]", false, "", "", "", ""},             // an acknowledgement
      {"[NLC06", false, "", "", "", ""},          // a command reply
      {"[#1234NBA05]", false, "", "", "", ""},    // no bar
      {"[#1234|Nba05]", false, "", "", "", ""},   // lower-case code
      {"[#1234|NB", false, "", "", "", ""},       // cut short
  };
  for (const Case& c : cases) {
    const auto event = DecodeSiaEvent(Frame("01", c.data));
    ASSERT_EQ(event.has_value(), c.decoded) << c.data;
    if (!event) continue;
    EXPECT_EQ(event->account, c.account) << c.data;
    EXPECT_EQ(event->qualifier, 'N');
    EXPECT_EQ(event->code, c.code);
    EXPECT_EQ(event->number, c.number);
    EXPECT_EQ(SiaEventText(*event), c.text);
  }
  // Frames too short to reach the data.
  EXPECT_FALSE(DecodeSiaEvent(""));
  EXPECT_FALSE(DecodeSiaEvent(std::string_view("\n1234", 5)));
}

TEST(SiaEventTest, CsvRowsEndWithTheEventAndRunsCountEventsByCodePerLine) {
  const std::string header = kCsvHeader;
  EXPECT_TRUE(header.ends_with(",bytes_hex,account,event,event_text")) << header;

  CsvRow row;
  const std::string frame = Frame("03", "[#1234|NFA07]");
  const std::string line = CsvLine(FrameIn(LinkKind::kUdp, "", frame, FrameVerdict::kAck, ""), row);
  EXPECT_TRUE(line.ends_with(",1234,FA,\"Fire alarm, zone 07\"\r\n")) << line;

  SimulatorState state;
  state.Format = AutomationFormat::kSia;
  testing::FakeClock clock;
  TrafficRecorder recorder(state, clock);
  const auto in = [&](const std::string& sequence, const std::string& data, FrameVerdict verdict) {
    recorder.OnFrame(FrameIn(LinkKind::kSerial, "",
                             WrapSiaBody("\t" + sequence + "01" "03" + data), verdict, ""));
  };
  in("0001", "[#1234|NFA07]", FrameVerdict::kAck);
  in("0002", "[#1234|NBA01]", FrameVerdict::kAck);
  in("0003", "[#1234|NFA02]", FrameVerdict::kAck);
  in("0004", "[#1234|NFA02]", FrameVerdict::kNack);  // data in doubt: not counted
  in("0005", "[NLC06", FrameVerdict::kAck);          // no event
  const std::map<std::string, std::int64_t> expected = {{"BA", 1}, {"FA", 2}};
  EXPECT_EQ(recorder.Tally().lines[2].events, expected);
  EXPECT_TRUE(recorder.Tally().lines[0].events.empty());
}

}  // namespace
}  // namespace v7400
