#include "display/retransmission_report.h"

#include <gtest/gtest.h>

#include "codec/frame.h"

namespace v7400 {
namespace {

FrameReport In(const char* sequence, const char* line, FrameVerdict verdict,
               std::string reason = "") {
  const std::string frame = WrapSiaBody(std::string("\t") + sequence + "01" + line + "[#1234|NRR]");
  return FrameIn(LinkKind::kUdp, "127.0.0.1", frame, verdict, std::move(reason));
}

TEST(RetransmissionReportTest, RepeatsAreSortedByTheAnswerBeforeThem) {
  RetransmissionTracker tracker;
  const auto ack = FrameVerdict::kAck;
  const auto none = FrameVerdict::kNone;
  const std::pair<std::uint32_t, FrameReport> frames[] = {
      {0, In("0001", "01", none, "fault 1: drop")},
      {3000, In("0001", "01", FrameVerdict::kNack, "fault 2: nack")},
      {3100, In("0001", "01", ack, "fault 3: bad-crc")},
      {6100, In("0001", "01", ack)},  // the fourth attempt is the first plain ACK
      {6200, In("0001", "01", ack)},  // resent after an ACK
      {6300, In("0002", "01", none, "outage 1: 3 s")},
      {6400, In("0004", "01", ack)},  // 0002 given up, 0003 never came
      {6500, In("0005", "02", ack)},  // one numbering for the whole link
      {8500, In("0005", "02", ack)},
      {8600, In("AAAA", "02", none, "sequence AAAA, not answered")},
  };
  for (const auto& [tick, report] : frames) tracker.OnFrame(report, tick);
  const RetryFigures& one = tracker.Lines()[0];
  EXPECT_EQ(one.after_fault, 2);
  EXPECT_EQ(one.after_nack, 1);
  EXPECT_EQ(one.after_ack, 1);
  EXPECT_EQ(one.first_repeat_ms, std::vector<std::uint32_t>{3000});
  EXPECT_EQ(one.most_attempts, 4);
  EXPECT_EQ(one.given_up_sequences, std::vector<int>{2});
  EXPECT_EQ(one.lost_sequences, std::vector<int>{3});
  EXPECT_EQ(tracker.Total().Repeats(), 5);
  EXPECT_TRUE(RetransmissionFailed(tracker, {}));
  const std::string junit = RetransmissionJUnit(tracker, {}, 10, 0, 1.5);
  EXPECT_NE(junit.find("tests=\"3\" failures=\"1\""), std::string::npos) << junit;
  EXPECT_NE(junit.find("name=\"line 01: no sequence number lost\">\n    <failure "
                       "message=\"lost 0003\"/>"),
            std::string::npos)
      << junit;
}

TEST(RetransmissionReportTest, AnOutageIsJudgedOnWhatCameDuringAndAfterIt) {
  struct Case {
    std::vector<std::pair<std::uint32_t, const char*>> frames;  // tick, sequence on line 01
    std::int64_t during, after, first_after_ms;
    bool in_order;
    std::vector<int> missing;
  };
  const Case cases[] = {
      {{{500, "0001"}, {1000, "0002"}, {2000, "0002"}, {3200, "0002"}, {3300, "0003"}},
       2,
       2,
       200,
       true,
       {}},
      {{{1000, "0001"}, {3100, "0003"}, {3200, "0002"}}, 1, 2, 100, false, {}},
      {{{1000, "0001"}, {3100, "0003"}}, 1, 1, 100, true, {2}},
      {{{1000, "0001"}}, 1, 0, -1, true, {}},
  };
  for (const Case& c : cases) {
    RetransmissionTracker tracker;
    for (const auto& [tick, sequence] : c.frames) {
      tracker.OnFrame(In(sequence, "01", FrameVerdict::kAck), tick);
    }
    const auto outages = tracker.Outages({{1000, 2000}});
    ASSERT_EQ(outages.size(), 1U);
    const OutageFigures& o = outages[0];
    EXPECT_EQ(o.during, c.during) << c.frames.size();
    EXPECT_EQ(o.after, c.after) << c.frames.size();
    EXPECT_EQ(o.first_after_ms, c.first_after_ms) << c.frames.size();
    EXPECT_EQ(o.in_order, c.in_order) << c.frames.size();
    EXPECT_EQ(o.missing, c.missing) << c.frames.size();
    EXPECT_EQ(RetransmissionFailed(tracker, outages), !c.in_order || !c.missing.empty());
  }
}

}  // namespace
}  // namespace v7400
