// What the receive paths tell the frame observer, and what the recorder makes of it: verdicts
// and reasons, repeats and gaps, CSV rows.
#include "display/traffic_recorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "codec/frame.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"
#include "fakes/frame_records.h"
#include "protocol/network_receive.h"
#include "protocol/serial_receive.h"

namespace v7400 {
namespace {

using testing::FakeClock;

std::string Event(const std::string& sequence, const std::string& line) {
  return WrapSiaBody("\t" + sequence + "01" + line + "[#1234|NBA05]");
}

class Capture : public FrameObserver {
 public:
  void OnFrame(const FrameReport& report) override { reports.push_back(report); }
  std::vector<FrameReport> reports;
};

class FrameReportTest : public ::testing::Test {
 protected:
  FrameReportTest() {
    state.Format = AutomationFormat::kSia;
    sink.AddObserver(&capture);
  }
  const FrameReport& In() {
    EXPECT_FALSE(capture.reports.empty());
    return capture.reports.front();
  }

  SimulatorState state;
  testing::FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  testing::FakeLineServices lines;
  Capture capture;
};

TEST_F(FrameReportTest, SerialFramesGetTheirVerdictAndReason) {
  std::string spoiled = Event("0007", "02");
  spoiled[1] = '0';
  std::string too_long = Event("0008", "02");
  too_long.insert(too_long.size() - 1, "X");
  struct Case {
    std::string bytes;
    AckMode mode;
    FrameVerdict verdict;
    std::string reason;
  } cases[] = {
      {Event("0001", "01"), AckMode::kAuto, FrameVerdict::kAck, ""},
      {spoiled, AckMode::kAuto, FrameVerdict::kNack, CrcFault(spoiled)},
      {too_long, AckMode::kAuto, FrameVerdict::kDropped, "declared length 16, body 17"},
      {"X" + Event("0009", "01").substr(1), AckMode::kAuto, FrameVerdict::kDropped,
       "no start byte 0A"},
      {Event("AAAA", "01"), AckMode::kAuto, FrameVerdict::kNone, "sequence AAAA, not answered"},
      {Event("0010", "01"), AckMode::kManual, FrameVerdict::kNone, "ACK mode Manual"},
  };
  for (const Case& c : cases) {
    capture.reports.clear();
    state.Ack = c.mode;
    testing::FakeSerialPort port;
    SerialReceiver receiver(state, port, sink, clock, lines);
    port.Feed(c.bytes);
    receiver.OnDataAvailable(static_cast<int>(c.bytes.size()));
    EXPECT_EQ(In().bytes, c.bytes);
    EXPECT_EQ(In().verdict, c.verdict) << c.reason;
    EXPECT_EQ(In().reason, c.reason);
    // An answer that went out is reported after the frame, byte for byte.
    const std::size_t outs = port.writes.size();
    ASSERT_EQ(capture.reports.size(), 1 + outs);
    if (outs == 1) {
      EXPECT_EQ(capture.reports[1].bytes, port.writes[0]);
    }
  }
}

TEST_F(FrameReportTest, DatagramsNotTakenAreReportedAsIgnored) {
  testing::FakeNetworkIngress ingress;
  testing::FakeDatagramSender sender;
  NetworkReceiver receiver(state, ingress, sender, sink, clock, lines);
  state.ConnectionMode = ConnectionMode::kNetwork;
  receiver.OnDatagram(Event("0001", "01"), "192.0.2.99", IpVersion::kIPv4);
  EXPECT_EQ(In().verdict, FrameVerdict::kIgnored);
  EXPECT_EQ(In().reason, "from 192.0.2.99, not the receiver");
  capture.reports.clear();
  state.EncryptionEnabled = true;
  receiver.OnDatagram(std::string(35, 'x'), ingress.receiver, IpVersion::kIPv6);
  EXPECT_EQ(In().reason, "AES packet of 35 bytes");
  EXPECT_EQ(In().link, LinkKind::kUdp6);
}

// An answer that cannot go out leaves its frame unanswered in every record.
TEST_F(FrameReportTest, AnswerNotSentIsNotCountedAsAnswered) {
  testing::FakeNetworkIngress ingress;
  testing::FakeDatagramSender sender;
  sender.failure = "receiver 'nowhere' has no IPv4 address";
  NetworkReceiver receiver(state, ingress, sender, sink, clock, lines);
  state.ConnectionMode = ConnectionMode::kNetwork;
  EXPECT_THROW(receiver.OnDatagram(Event("0001", "01"), ingress.receiver, IpVersion::kIPv4),
               std::runtime_error);
  ASSERT_EQ(capture.reports.size(), 1U);
  EXPECT_EQ(In().verdict, FrameVerdict::kNone);
  EXPECT_EQ(In().reason, "answer not sent: receiver 'nowhere' has no IPv4 address");
  EXPECT_EQ(state.SentCount, 0);
}

TEST(TrafficRecorderTest, RepeatsAndGapsFollowTheLinkSequenceBookedToTheNextFrameLine) {
  SimulatorState state;
  state.Format = AutomationFormat::kSia;
  TrafficRecorder recorder(state);
  struct Step {
    const char* sequence;
    const char* line;
  } steps[] = {{"9997", "01"}, {"9998", "02"}, {"9998", "02"}, {"0002", "01"}, {"0003", "02"},
               {"0005", "02"}, {"0002", "01"}, {"AAAA", "01"}, {"0006", "01"}};
  for (const Step& step : steps) {
    recorder.OnFrame(testing::Completed(
        FrameIn(LinkKind::kUdp, "", Event(step.sequence, step.line), FrameVerdict::kAck, "")));
  }
  const TrafficTally& tally = recorder.Tally();
  EXPECT_EQ(tally.received, 9);
  EXPECT_EQ(tally.lines[0].repeats, 0);
  EXPECT_EQ(tally.lines[1].repeats, 1);
  // 9999 and 0001 across the wrap on line 1, 0004 on line 2; the step back to 0002 is no gap.
  EXPECT_EQ(tally.lines[0].gaps, 2);
  EXPECT_EQ(tally.lines[1].gaps, 1);
}

TEST(TrafficCsvTest, RowsAreQuotedAndStampedInFull) {
  CsvRow row;
  row.peer = "fe80::1";
  row.tracked = true;
  // The address fields of an SIA frame; the length and bytes of any frame.
  const std::string frame = WrapSiaBody(
      "\t001201"
      "07[]");
  FrameReport report = testing::Completed(
      FrameIn(LinkKind::kUdp6, "", frame, FrameVerdict::kNack, "CRC 1A2B, expected \"47D4\""));
  report.time = LocalTime{2026, 12, 8, 9, 5, 7, 42, -330};
  EXPECT_EQ(
      CsvLine(report, row),
      "2026-12-08T09:05:07.042-05:30,in,udp6,fe80::1,sia,0012,01,07,19,NACK,"
      "\"CRC 1A2B, expected \"\"47D4\"\"\",no,0,0A3441393730420930303132303130375B5D0D,,,,,\r\n");
}

// A row cut by a full disk (a file size limit stands in for it) gets its line end before the
// next row, so the rows after it stay rows.
TEST(TrafficCsvTest, ARowCutByAFullDiskGetsItsLineEnd) {
  const std::string path = "/tmp/v7400-csv-" + std::to_string(::getpid());
  const FrameReport report =
      FrameIn(LinkKind::kUdp, "", Event("0001", "01"), FrameVerdict::kAck, "");
  const std::string header = std::string(kCsvHeader) + "\r\n", row = CsvLine(report, CsvRow{});
  {
    TrafficCsv csv;
    std::string error;
    ASSERT_TRUE(csv.Open(path, error)) << error;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit full{header.size() + 40, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &full);
    csv.Write(report, CsvRow{});
    csv.Write(report, CsvRow{});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    csv.Write(report, CsvRow{});
  }
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            header + row.substr(0, 40) + "\r\n" + row);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace v7400
