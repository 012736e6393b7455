// Every event's fate against receivers whose every send is scripted.
#include "display/receiver_ledger.h"

#include <gtest/gtest.h>

#include <sstream>

#include "codec/frame.h"
#include "fakes/frame_records.h"
#include "protocol/answer_faults.h"

namespace v7400 {
namespace {

// One send of the receiver: when, which event, and what its answer did. Answers: 'A' a
// delivered ACK (`delay_ms` later), 'N' a NACK, '-' none or a spoiled one, 'O' silenced by
// outage 1.
struct Send {
  std::uint32_t tick;
  std::string sequence;  // "4100": the frame's bytes
  char answer;
  std::uint32_t delay_ms = 0;
};

// "1000:0011O 3100:0011A300": the tick, the sequence, the answer and a late ACK's delay.
std::vector<Send> Sends(const std::string& script) {
  std::vector<Send> sends;
  std::istringstream in(script);
  for (std::string token; in >> token;) {
    const std::size_t colon = token.find(':');
    const std::size_t at = token.find_first_of("AN-O", colon + 1);
    const std::string delay = token.substr(at + 1);
    sends.push_back({static_cast<std::uint32_t>(std::stoul(token.substr(0, colon))),
                     token.substr(colon + 1, at - colon - 1), token[at],
                     delay.empty() ? 0U : static_cast<std::uint32_t>(std::stoul(delay))});
  }
  return sends;
}

struct Expected {
  std::string given_up;  // sequence numbers, blank-separated
  std::string lost;
  std::array<std::int64_t, 3> repeats;  // after ACK, NACK, a missing answer
  int most_attempts;
  std::vector<std::uint32_t> interval_medians = {};  // per repeat order present
  // Outage 1 (begun at tick 1000, 2 s), when the case has one.
  std::optional<bool> whole = {};
  std::optional<bool> in_order = {};
  std::string never_came = {};
};

struct Case {
  const char* name;
  const char* sends;
  Expected expected;
  AutomationFormat format = AutomationFormat::kSia;
};

FrameReport Record(const Send& send, AutomationFormat format) {
  const std::string bytes = format == AutomationFormat::kSia
                                ? WrapSiaBody("\t" + send.sequence + "0103[#1234|NBA01]")
                                : send.sequence + "\x14";
  const FrameVerdict verdict = send.answer == 'N' ? FrameVerdict::kNack : FrameVerdict::kAck;
  FrameReport record =
      testing::Completed(FrameIn(LinkKind::kUdp, "", bytes, verdict, ""), format, send.tick);
  record.answer.delivered = send.answer == 'A';
  record.answer.delay_ms = send.delay_ms;
  record.answer.outage = send.answer == 'O' ? 1 : 0;
  return record;
}

std::string Numbers(const std::vector<int>& values) {
  std::string text;
  for (const int value : values) {
    char number[8];
    std::snprintf(number, sizeof number, "%04d", value);
    text += (text.empty() ? "" : " ") + std::string(number);
  }
  return text;
}

TEST(ReceiverLedgerTest, EveryEventsFate) {
  const auto k4100 = AutomationFormat::k4100;
  const Case cases[] = {
      {"late frame fills its gap", "0:0001A 10:0003A 20:0002A 30:0004A", {"", "", {0, 0, 0}, 1}},
      {"wrap", "0:9998A 10:9999A 20:0001A 30:0003A", {"", "0002", {0, 0, 0}, 1}},
      {"wrap after an outage",
       "900:9997A 1000:9998O 1500:9999O 2000:0001O 3100:9998A 3200:9999A 3300:0001A 3400:0002A",
       {"", "", {0, 0, 3}, 2, {1700}, true, true, ""}},
      {"buffered events resent in order",
       "1000:0011O 1100:0012O 1200:0013O 3100:0011A 3150:0012A 3200:0013A 3300:0014A",
       {"", "", {0, 0, 3}, 2, {2050}, true, true, ""}},
      {"buffered events resent reversed",
       "1000:0011O 1100:0012O 3100:0012A 3150:0011A",
       {"", "", {0, 0, 2}, 2, {2150}, true, false, ""}},
      {"an event sent only during the outage",
       "1000:0003O 1500:0003O 3100:0004A",
       {"0003", "", {0, 0, 1}, 1, {500}, false, true, "0003"}},
      {"the numbers skipped around an outage",
       "1000:0001O 3100:0003A",
       {"0001", "0002", {0, 0, 0}, 1, {}, false, true, "0001 0002"}},
      {"delay shorter than the time-out", "0:0001A300 1000:0002A300", {"", "", {0, 0, 0}, 1}},
      {"delay longer than the time-out: resent before the late ACK",
       "0:0001A3000 1000:0001A3000 5000:0002A",
       {"", "", {0, 0, 1}, 2, {1000}}},
      {"resent after its ACK went", "0:0001A300 1000:0001A", {"", "", {1, 0, 0}, 1, {1000}}},
      {"back-off",
       "0:0001- 1000:0001N 3000:0001- 7000:0001- 15000:0001A",
       {"", "", {0, 1, 3}, 5, {1000, 2000, 4000, 8000}}},
      {"given up", "0:0004- 1000:0004- 2000:0005A", {"0004", "", {0, 0, 1}, 1, {1000}}},
      {"given up, then delivered late",
       "0:0004- 1000:0005A 2000:0004A",
       {"", "", {0, 0, 1}, 2, {2000}}},
      {"the newest event still retried at the end", "0:0001A 1000:0002-", {"", "", {0, 0, 0}, 1}},
      {"4100 repeats",
       "0:ab- 1000:abN 2000:abA 3000:cdA",
       {"", "", {0, 1, 1}, 3, {1000, 1000}},
       k4100},
      {"4100 give-up", "0:ab- 1000:ab- 2000:cdA", {"0001", "", {0, 0, 1}, 1, {1000}}, k4100},
  };
  for (const Case& c : cases) {
    ReceiverLedger ledger;
    ledger.OutageBegan(1, 1000, 2000);
    const std::vector<Send> sends = Sends(c.sends);
    for (const Send& send : sends) ledger.OnFrame(Record(send, c.format));
    const LedgerReport report = ledger.Report();
    const RetryFigures& t = report.total;
    const Expected& e = c.expected;
    // Without sequence numbers the events given up are counted, not listed.
    const bool numbered = c.format == AutomationFormat::kSia;
    EXPECT_EQ(Numbers(t.given_up_sequences), numbered ? e.given_up : "") << c.name;
    EXPECT_EQ(t.given_up, static_cast<std::int64_t>((e.given_up.size() + 1) / 5)) << c.name;
    EXPECT_EQ(Numbers(t.lost_sequences), e.lost) << c.name;
    EXPECT_EQ((std::array{t.after_ack, t.after_nack, t.after_fault}), e.repeats) << c.name;
    EXPECT_EQ(t.most_attempts, e.most_attempts) << c.name;
    std::vector<std::uint32_t> medians;
    for (const IntervalSpread& spread : t.intervals) {
      if (spread.Count() > 0) medians.push_back(spread.Median());
    }
    EXPECT_EQ(medians, e.interval_medians) << c.name;
    const bool silenced = std::string(c.sends).find('O') != std::string::npos;
    ASSERT_EQ(report.outages.size(), 1U);
    if (!silenced) continue;
    const OutageFigures& o = report.outages[0];
    EXPECT_EQ(o.whole, e.whole) << c.name;
    EXPECT_EQ(o.in_order, e.in_order) << c.name;
    EXPECT_EQ(Numbers(o.never_came.value_or(std::vector<int>{})), e.never_came) << c.name;
  }
}

TEST(ReceiverLedgerTest, AnOutageCountsWhatItSilencedAndWhatCameAfter) {
  ReceiverLedger ledger;
  ledger.OutageBegan(1, 1000, 2000);
  // Answered in the millisecond the outage began, but before it: not during.
  const Send sends[] = {{1000, "0001", 'A'},
                        {1000, "0002", 'O'},
                        {2000, "0002", 'O'},
                        {3250, "0002", 'A'},
                        {3500, "0003", 'A'}};
  for (const Send& send : sends) ledger.OnFrame(Record(send, AutomationFormat::kSia));
  const OutageFigures o = ledger.Report().outages.at(0);
  EXPECT_EQ(o.during, 2);
  EXPECT_EQ(o.after, 2);
  EXPECT_EQ(o.first_after_ms, 250);
  EXPECT_EQ(o.silenced, 1);
  EXPECT_EQ(o.recovery_ms, 250);
  ReceiverLedger second;  // figures carry their outage's number, whichever began first
  second.OutageBegan(2, 0, 100);
  EXPECT_EQ(second.Report().outages.at(0).number, 2);
  // A late ACK still waiting counts as delivered at its time, or when the end of a run sends it.
  ReceiverLedger pending;
  pending.OutageBegan(1, 0, 100);
  pending.OnFrame(Record({50, "0001", 'O'}, AutomationFormat::kSia));
  pending.OnFrame(Record({200, "0001", 'A', 5000}, AutomationFormat::kSia));
  pending.OnFrame(Record({300, "0002", 'A'}, AutomationFormat::kSia));
  EXPECT_EQ(pending.Report().total.given_up, 0);
  EXPECT_EQ(pending.Report().outages.at(0).recovery_ms, 5100);
  pending.LateAnswersWent(1000);
  EXPECT_EQ(pending.Report().outages.at(0).recovery_ms, 900);
}

TEST(ReceiverLedgerTest, MemoryStaysBoundedOverManyWraps) {
  ReceiverLedger ledger;
  for (int n = 0; n < 200000; ++n) {
    char sequence[8];
    std::snprintf(sequence, sizeof sequence, "%04d", n % kSequenceCycle + 1);
    // Every 1000th event never comes: its number is lost, once per wrap of the numbering.
    if (n % 1000 == 500) continue;
    ledger.OnFrame(Record({static_cast<std::uint32_t>(n), sequence, 'A'}, AutomationFormat::kSia));
  }
  const LedgerReport report = ledger.Report();
  EXPECT_EQ(report.total.lost, 200);
  EXPECT_EQ(report.total.lost_sequences.size(), kListedLimit);
  EXPECT_EQ(report.total.given_up, 0);
  EXPECT_EQ(report.total.events + report.total.lost, 200000);
}

// What the receiver gets of each answer fault's bytes, as the receive paths record it.
TEST(ReceiverLedgerTest, AnAnswerDeliversWhenTheCorrectAckReachesTheReceiver) {
  const std::string ack = "\nABCD0Aack\r";
  const std::string half1 = ack.substr(0, 5), half2 = ack.substr(5);
  struct Row {
    const char* fault;
    std::vector<AnswerPiece> pieces;
    bool stream;
    bool delivered;
    std::uint32_t delay_ms;
  } rows[] = {
      {"plain", {{0, ack}}, false, true, 0},
      {"delay", {{300, ack}}, false, true, 300},
      {"duplicate", {{0, ack}, {0, ack}}, true, true, 0},
      {"split on the serial line", {{0, half1}, {50, half2}}, true, true, 50},
      {"split over UDP", {{0, half1}, {0, half2}}, false, false, 0},
      {"bad-crc", {{0, std::string("\n\0BCD0Aack\r", 11)}}, false, false, 0},
      {"garbage before the stream's ACK", {{0, "xx" + ack}}, true, false, 0},
      {"drop", {}, false, false, 0},
  };
  for (const Row& row : rows) {
    const FrameAnswer answer = AnswerOnWire(ack, row.pieces, row.stream);
    EXPECT_EQ(answer.delivered, row.delivered) << row.fault;
    EXPECT_EQ(answer.delay_ms, row.delay_ms) << row.fault;
  }
  EXPECT_FALSE(AnswerOnWire("", {{0, ack}}, false).delivered);  // a NACK earns no ACK
}

}  // namespace
}  // namespace v7400
