#include "display/attempt_timeline.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "codec/frame.h"
#include "fakes/frame_records.h"

namespace v7400 {
namespace {

// An event attempt at `tick`: SIA with sequence `key`, or a "4100" frame of the bytes `key`.
FrameReport Attempt(std::uint32_t tick, const std::string& key, AutomationFormat format) {
  const bool sia = format == AutomationFormat::kSia;
  const std::string bytes = sia ? WrapSiaBody("\t" + key + "0103[#1234|NBA01]") : key + "\x14";
  FrameReport record =
      testing::Completed(FrameIn(LinkKind::kUdp, "", bytes, FrameVerdict::kAck, ""), format, tick);
  record.answer.delivered = true;
  return record;
}

// "tick:value<first" per point kept, the first attempt's tick after a repeat.
std::string Kept(const AttemptTimeline& timeline) {
  std::string text;
  for (const AttemptPoint& p : timeline.Points()) {
    text += (text.empty() ? "" : " ") + std::to_string(p.tick) + ":" + std::to_string(p.value) +
            (p.first_tick ? "<" + std::to_string(*p.first_tick) : "");
  }
  return text;
}

TEST(AttemptTimelineTest, RepeatsJoinTheirFirstAttemptStillKept) {
  const auto k4100 = AutomationFormat::k4100, kSia = AutomationFormat::kSia;
  const struct {
    const char* name;
    std::size_t capacity;
    const char* sends;  // "tick:key"
    const char* kept;
    AutomationFormat format = kSia;
  } cases[] = {
      {"repeats", 9, "0:0001 100:0002 1000:0001 2000:0001 2100:0003",
       "0:1 100:2 1000:1<0 2000:1<0 2100:3"},
      {"first dropped: the next kept", 3, "0:0001 10:0002 20:0001 30:0003 40:0001",
       "20:1<0 30:3 40:1<20"},
      {"all dropped: a new event", 2, "0:0001 10:0002 20:0003 30:0001", "20:3 30:1"},
      {"no numbered event", 9, "0:AAAA 10:0001", "10:1"},
      {"4100: same bytes again", 9, "0:ab 10:ab 20:cd 30:ab 40:ab", "0:1 10:1<0 20:2 30:3 40:3<30",
       k4100},
      {"4100 bound", 2, "0:ab 10:ab 20:ab", "10:1<0 20:1<10", k4100},
  };
  for (const auto& c : cases) {
    AttemptTimeline timeline(c.capacity);
    std::istringstream in(c.sends);
    for (std::string token; in >> token;) {
      const std::size_t colon = token.find(':');
      timeline.OnFrame(Attempt(static_cast<std::uint32_t>(std::stoul(token.substr(0, colon))),
                               token.substr(colon + 1), c.format));
    }
    EXPECT_EQ(Kept(timeline), c.kept) << c.name;
  }
  AttemptTimeline bounded;  // sequence numbers 1..9 over and over
  for (std::uint32_t t = 0; t < 6000; ++t) bounded.OnFrame(Attempt(t, Hex4(t % 9 + 1), kSia));
  EXPECT_TRUE(bounded.Points().size() == kTimelinePoints && bounded.Points().front().tick == 1000);
}

// Each frame in as the answer it got: A ACK, N NACK, M missing, S spoiled, - no attempt.
TEST(AttemptTimelineTest, EachAttemptByTheAnswerTheReceiverGot) {
  // The verdict; delivered, sent, the outage; the answer.
  const std::tuple<FrameVerdict, bool, bool, int, char> rows[] = {
      {FrameVerdict::kAck, true, true, 0, 'A'},       {FrameVerdict::kNack, false, true, 0, 'N'},
      {FrameVerdict::kNone, false, false, 1, 'M'},     // silenced by an outage
      {FrameVerdict::kNack, false, false, 1, 'M'},     // a NACK rule within an outage
      {FrameVerdict::kNone, false, false, 0, 'M'},     // answer dropped
      {FrameVerdict::kAck, false, true, 0, 'S'},       // bad checksum, wrong sequence, split
      {FrameVerdict::kNone, false, true, 0, 'S'},      // garbage
      {FrameVerdict::kIgnored, false, false, 0, '-'},  // a datagram not taken
      {FrameVerdict::kDropped, false, false, 0, '-'},
  };
  for (const auto& [verdict, delivered, sent, outage, expected] : rows) {
    AttemptTimeline timeline;
    FrameReport record = Attempt(5, "0007", AutomationFormat::kSia);
    record.verdict = verdict;
    record.answer = {.outage = outage, .delivered = delivered, .sent = sent};
    timeline.OnFrame(record);
    record.direction = FrameDirection::kOut;  // frames sent are no attempts
    timeline.OnFrame(record);
    const auto& points = timeline.Points();
    EXPECT_EQ(points.empty() ? '-' : "ANMS"[static_cast<int>(points.back().answer)], expected)
        << expected << static_cast<int>(verdict);
    EXPECT_EQ(points.size() == 1 && points[0].line == 3, expected != '-');
  }
}

TEST(AttemptTimelineTest, OutageBandsAreReplacedWhenEndedEarlyAndResetClearsAll) {
  AttemptTimeline timeline;
  timeline.OutageBegan(1, 1000, 3000);
  timeline.OutageBegan(2, 5000, 2000);
  const std::uint64_t version = timeline.Version();
  timeline.OutageBegan(1, 1000, 1500);  // ended early
  EXPECT_NE(timeline.Version(), version);
  ASSERT_EQ(timeline.Bands().size(), 2U);
  EXPECT_EQ(timeline.Bands()[0].duration_ms, 1500U);
  EXPECT_EQ(timeline.Origin(), 1000U);
  for (int n = 3; n <= 101; ++n) timeline.OutageBegan(n, 9000, 10);
  EXPECT_EQ(timeline.Bands().size(), kTimelineBands);
  EXPECT_EQ(timeline.Bands().front().number, 2);

  timeline.OnFrame(Attempt(7000, "ab", AutomationFormat::k4100));
  timeline.Reset();
  EXPECT_TRUE(timeline.Points().empty() && timeline.Bands().empty() && !timeline.Origin());
  timeline.OnFrame(Attempt(8000, "ab", AutomationFormat::k4100));
  EXPECT_EQ(Kept(timeline), "8000:1");  // a new first event, not a repeat
  EXPECT_EQ(timeline.Origin(), 8000U);
}

}  // namespace
}  // namespace v7400
