// The event in an SIA frame's data, its CSV columns and the per-line counts by code.
#include "codec/sia_event.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "display/traffic_csv.h"
#include "display/traffic_recorder.h"
#include "fakes/frame_records.h"

namespace v7400 {
namespace {

std::string Frame(const std::string& line, const std::string& data) {
  return WrapSiaBody("\t000101" + line + data);  // sequence 0001, receiver 01
}

TEST(SiaEventTest, DataReadAsAccountQualifierCodeAndNumber) {
  // "account/qualifier code/number/text", or empty when the data holds no event.
  const std::pair<std::string, std::string> cases[] = {
      {"[#1234|NBA05]", "1234/NBA/05/Burglary alarm, zone 05"},
      {"[#00AB|OOP012]", "00AB/OOP/012/Opening (disarmed), user 012"},
      {"[#1|NAT]", "1/NAT//AC power failure"},
      {"[#1|NRP99]", "1/NRP/99/Automatic test report"},  // the number means nothing here
      {"[#1234|NQQ17]", "1234/NQQ/17/unknown event code QQ, 17"},
      {"[#1234|NZZ]", "1234/NZZ//unknown event code ZZ"},
      {"[]", ""},             // an acknowledgement
      {"[NLC06", ""},         // a command reply
      {"[#1234NBA05]", ""},   // no bar
      {"[#1234|Nba05]", ""},  // lower-case code
      {"[#1234|NB", ""},      // cut short
  };
  for (const auto& [data, expected] : cases) {
    const auto event = DecodeSiaEvent(Frame("01", data));
    EXPECT_EQ(event ? event->account + "/" + event->qualifier + event->code + "/" + event->number +
                          "/" + SiaEventText(*event)
                    : "",
              expected);
  }
  // Frames too short to reach the data.
  EXPECT_FALSE(DecodeSiaEvent(""));
  EXPECT_FALSE(DecodeSiaEvent(std::string_view("\n1234", 5)));
}

TEST(SiaEventTest, CsvRowsEndWithTheEventAndRunsCountEventsByCodePerLine) {
  const std::string header = kCsvHeader;
  EXPECT_TRUE(header.ends_with(",bytes_hex,account,event,event_text,attempt,interval_ms"))
      << header;

  CsvRow row;
  const std::string frame = Frame("03", "[#1234|NFA07]");
  const std::string line =
      CsvLine(testing::Completed(FrameIn(LinkKind::kUdp, "", frame, FrameVerdict::kAck, "")), row);
  EXPECT_TRUE(line.ends_with(",1234,FA,\"Fire alarm, zone 07\",,\r\n")) << line;

  SimulatorState state;
  state.Format = AutomationFormat::kSia;
  TrafficRecorder recorder(state);
  const auto in = [&](const std::string& sequence, const std::string& data, FrameVerdict verdict) {
    recorder.OnFrame(testing::Completed(
        FrameIn(LinkKind::kSerial, "", WrapSiaBody("\t" + sequence + "0103" + data), verdict, "")));
  };
  in("0001", "[#1234|NFA07]", FrameVerdict::kAck);
  in("0002", "[#1234|NBA01]", FrameVerdict::kAck);
  in("0003", "[#1234|NFA02]", FrameVerdict::kAck);
  in("0004", "[#1234|NFA02]", FrameVerdict::kNack);  // data in doubt: not counted
  in("0005", "[NLC06", FrameVerdict::kAck);          // no event
  const std::map<std::string, std::int64_t> expected = {{"BA", 1}, {"FA", 2}};
  EXPECT_EQ(recorder.Tally().lines[2].events, expected);
}

}  // namespace
}  // namespace v7400
