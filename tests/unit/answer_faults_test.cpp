#include "protocol/answer_faults.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"
#include "fakes/fake_scheduler.h"
#include "protocol/network_receive.h"
#include "protocol/serial_receive.h"

namespace v7400 {
namespace {

using testing::FakeClock;
using testing::FakeScheduler;

std::vector<FaultRule> Rules(std::initializer_list<const char*> texts) {
  std::vector<FaultRule> rules;
  std::string error;
  for (const char* text : texts) rules.push_back(*ParseFaultRule(text, error));
  return rules;
}

// Which rule acts on each of `frames` frames on `line` (sequence 0001 up).
std::string Decisions(AnswerFaults& faults, int frames, int line = 1) {
  std::string result;
  for (int i = 1; i <= frames; ++i) {
    const FaultChoice choice = faults.Choose(line, Hex4(static_cast<std::uint16_t>(i)));
    result += choice.outage != 0 ? 'O' : static_cast<char>('0' + choice.rule);
  }
  return result;
}

TEST(AnswerFaultsTest, SelectorsPickTheFramesTheyName) {
  struct Case {
    std::initializer_list<const char*> rules;
    int line;
    const char* expected;
  };
  const Case cases[] = {
      {{"nack:every=3"}, 1, "0010010010"},
      {{"nack:first=2"}, 1, "1100000000"},
      {{"nack:after=8"}, 1, "0000000011"},
      {{"nack:every=2:after=4:first=8"}, 1, "0000010100"},
      {{"nack:line=02,03"}, 1, "0000000000"},
      {{"nack:line=02,03:every=5"}, 3, "0000100001"},
      {{"nack:sequence=0004"}, 1, "0001000000"},
      // The first rule that matches decides; every rule still counts every frame it sees.
      {{"drop:first=3", "nack:every=2"}, 1, "1112020202"},
      {{"drop:p=0"}, 1, "0000000000"},
      {{"drop:p=1"}, 1, "1111111111"},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    AnswerFaults faults(clock, scheduler);
    faults.SetRules(Rules(c.rules), 1);
    EXPECT_EQ(Decisions(faults, 10, c.line), c.expected) << *c.rules.begin();
  }
}

TEST(AnswerFaultsTest, TheSameSeedSpoilsTheSameFrames) {
  FakeClock clock;
  FakeScheduler scheduler(clock);
  AnswerFaults a(clock, scheduler);
  AnswerFaults b(clock, scheduler);
  a.SetRules(Rules({"drop:p=0.3"}), 7);
  b.SetRules(Rules({"drop:p=0.3"}), 7);
  const std::string first = Decisions(a, 200);
  EXPECT_EQ(Decisions(b, 200), first);
  const auto dropped = std::count(first.begin(), first.end(), '1');
  EXPECT_GT(dropped, 35);
  EXPECT_LT(dropped, 85);
  b.SetRules(Rules({"drop:p=0.3"}), 8);
  EXPECT_NE(Decisions(b, 200), first);
}

TEST(AnswerFaultsTest, OutagesBeginAfterTheirFramesAndLastTheirTime) {
  FakeClock clock;
  FakeScheduler scheduler(clock);
  AnswerFaults faults(clock, scheduler);
  faults.AddOutage({3, 2});
  EXPECT_TRUE(faults.Active());
  EXPECT_EQ(Decisions(faults, 4), "00OO");
  clock.tick += 2999;
  EXPECT_EQ(Decisions(faults, 1), "O");
  EXPECT_TRUE(faults.InOutage());
  clock.tick += 1;
  EXPECT_EQ(Decisions(faults, 1), "0");
  EXPECT_FALSE(faults.Active());
  EXPECT_EQ(faults.Reason({0, 1}), "outage 1: 3 s");
}

TEST(AnswerFaultsTest, EachFaultShapesTheAnswer) {
  const std::string ack = WrapSiaBody("\t00420105[]");
  struct Case {
    const char* rule;
    bool sia;
    bool serial;
    std::vector<std::pair<int, std::string>> pieces;
    FrameVerdict verdict;
  };
  std::string spoiled = ack;
  spoiled[1] = '\0';
  const std::vector<Case> cases = {
      {"nack", true, false, {{0, WrapSiaBody("\t00000105[]")}}, FrameVerdict::kNack},
      {"nack", false, false, {{0, "\x15"}}, FrameVerdict::kNack},
      {"drop", true, false, {}, FrameVerdict::kNone},
      {"delay=2500", true, false, {{2500, ack}}, FrameVerdict::kAck},
      {"duplicate", false, true, {{0, "\x06"}, {0, "\x06"}}, FrameVerdict::kAck},
      {"bad-crc", true, false, {{0, spoiled}}, FrameVerdict::kAck},
      {"wrong-sequence", true, false, {{0, WrapSiaBody("\t00210105[]")}}, FrameVerdict::kAck},
      {"split", true, false, {{0, ack.substr(0, 9)}, {0, ack.substr(9)}}, FrameVerdict::kAck},
      {"split", true, true, {{0, ack.substr(0, 9)}, {50, ack.substr(9)}}, FrameVerdict::kAck},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    AnswerFaults faults(clock, scheduler);
    faults.SetRules(Rules({c.rule}), 1);
    const FaultChoice choice = faults.Choose(5, "0042");
    std::vector<std::pair<int, std::string>> pieces;
    for (const AnswerPiece& piece :
         faults.Shape(choice, c.sia ? ack : std::string("\x06"), c.sia, c.serial)) {
      pieces.emplace_back(piece.delay_ms, piece.bytes);
    }
    EXPECT_EQ(pieces, c.pieces) << c.rule;
    EXPECT_EQ(faults.VerdictOf(choice, FrameVerdict::kAck), c.verdict) << c.rule;
  }
  FakeClock clock;
  FakeScheduler scheduler(clock);
  AnswerFaults faults(clock, scheduler);
  faults.SetRules(Rules({"garbage=5", "garbage=5"}), 3);
  const std::string garbage = faults.Shape({1, 0}, ack, true, false).at(0).bytes;
  EXPECT_EQ(garbage.size(), 5U);
  faults.SetRules(Rules({"garbage=5"}), 3);
  EXPECT_EQ(faults.Shape({1, 0}, ack, true, false).at(0).bytes, garbage);
}

// Both receive paths: the rule's answer goes out, a late one without holding up the next
// frame, the readers see what was sent, and an "AAAA" frame is left alone.
class RecordingObserver : public FrameObserver {
 public:
  void OnFrame(const FrameReport& report) override { reports.push_back(report); }
  std::vector<FrameReport> reports;
};

struct PathHarness {
  PathHarness() {
    state.Format = AutomationFormat::kSia;
    sink.SetFrameObserver(&observer);
    serial.SetAnswerFaults(&faults);
    network.SetAnswerFaults(&faults);
  }
  std::vector<std::string> Wire() const { return state.ConnectionMode == 1 ? sender.sent : port.writes; }
  void Receive(const std::string& frame) {
    if (state.ConnectionMode == 1) {
      network.OnDatagram(frame, ingress.receiver, false);
    } else {
      port.Feed(frame);
      serial.OnDataAvailable(static_cast<int>(frame.size()));
    }
  }

  SimulatorState state;
  testing::FakeSerialPort port;
  testing::FakeNetworkIngress ingress;
  testing::FakeDatagramSender sender;
  testing::FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  FakeScheduler scheduler{clock};
  testing::FakeLineServices lines;
  RecordingObserver observer;
  AnswerFaults faults{clock, scheduler};
  SerialReceiver serial{state, port, sink, clock, lines};
  NetworkReceiver network{state, ingress, sender, sink, clock, lines};
};

TEST(AnswerFaultsTest, BothPathsSendWhatTheRuleSaysAndReportIt) {
  for (const int mode : {0, 1}) {
    PathHarness h;
    h.state.ConnectionMode = mode;
    h.faults.SetRules(Rules({"delay=2500:line=07", "nack:every=2"}), 1);
    const auto frame = [](const char* sequence, const char* line) {
      return WrapSiaBody(std::string("\t") + sequence + "01" + line + "[#1234|NRR]");
    };
    h.Receive(frame("0001", "07"));  // delayed
    h.Receive(frame("0002", "03"));  // every second frame: NACK
    h.Receive(frame("AAAA", "03"));  // never answered, never counted
    h.Receive(frame("0003", "03"));  // plain ACK
    EXPECT_EQ(h.Wire(), (std::vector<std::string>{WrapSiaBody("\t00000103[]"),
                                                  WrapSiaBody("\t00030103[]")}))
        << mode;
    h.scheduler.Advance(2499);
    EXPECT_EQ(h.Wire().size(), 2U);
    h.scheduler.Advance(1);
    EXPECT_EQ(h.Wire().back(), WrapSiaBody("\t00010107[]")) << mode;
    const auto& r = h.observer.reports;
    ASSERT_EQ(r.size(), 7U) << mode;
    EXPECT_EQ(r[0].reason, "fault 1: delay 2500 line 07");
    EXPECT_EQ(r[0].verdict, FrameVerdict::kAck);
    EXPECT_EQ(r[1].reason, "fault 2: nack every 2");
    EXPECT_EQ(r[1].verdict, FrameVerdict::kNack);
    EXPECT_EQ(r[3].reason, kNeverAckedReason);
    EXPECT_EQ(r[4].reason, "");
    EXPECT_EQ(r[6].direction, FrameDirection::kOut);  // the late answer, reported when sent
    EXPECT_EQ(h.state.SentCount, mode == 0 ? 4 : 3);  // the serial path counts "AAAA" as sent
  }
}

TEST(AnswerFaultsTest, WithoutFaultsOrAfterCloseNothingChanges) {
  PathHarness h;
  h.state.ConnectionMode = 1;
  h.faults.SetRules(Rules({"delay=10"}), 1);
  h.Receive(WrapSiaBody("\t00010101[]"));
  h.state.Closing = -1;
  h.scheduler.Advance(10);
  EXPECT_TRUE(h.sender.sent.empty());  // a late answer is not sent once the program closes
}

}  // namespace
}  // namespace v7400
