#include "protocol/answer_faults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "codec/frame.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"
#include "protocol/network_receive.h"
#include "protocol/serial_receive.h"

namespace v7400 {
namespace {

using testing::FakeClock;

// Keeps the work it is given, for the test to run.
struct HandScheduler : Scheduler {
  bool After(int delay_ms, std::function<void()> task) override {
    delays.push_back(delay_ms);
    tasks.push_back(std::move(task));
    return true;
  }
  bool HasRoom() const override { return room; }
  std::size_t RunAllNow() override {
    for (auto& task : tasks) task();
    return std::exchange(tasks, {}).size();
  }
  std::vector<int> delays;
  std::vector<std::function<void()>> tasks;
  bool room = true;
};

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
    HandScheduler scheduler;
    AnswerFaults faults(clock, scheduler);
    faults.SetRules(Rules(c.rules), 1);
    EXPECT_EQ(Decisions(faults, 10, c.line), c.expected) << *c.rules.begin();
  }
}

TEST(AnswerFaultsTest, OutagesBeginAfterTheirFramesAndLastTheirTime) {
  FakeClock clock;
  HandScheduler scheduler;
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

// The delays `count` answers get from `rule` with `seed`.
std::vector<int> Delays(const char* rule, std::uint64_t seed, int count) {
  FakeClock clock;
  HandScheduler scheduler;
  AnswerFaults faults(clock, scheduler);
  faults.SetRules(Rules({rule}), seed);
  std::vector<int> delays;
  for (int i = 0; i < count; ++i) {
    FaultChoice choice = faults.Choose(0, "");
    delays.push_back(faults.Shape(choice, "\x06", false, false).at(0).delay_ms);
  }
  return delays;
}

// Each distribution repeats its draws for one seed, keeps within its bounds and has its shape:
// a flat one draws both ends and its two halves evenly; a lognormal one has its median near
// MEDIAN and its 84th percentile (z = 1) near MEDIAN * e^SIGMA.
TEST(AnswerFaultsTest, DelayDistributionsRepeatForTheirSeedAndKeepTheirBounds) {
  struct Case {
    const char* rule;
    int low, high;
    bool flat;
    double median, upper;  // 0: not looked at
  };
  const Case cases[] = {
      {"delay=uniform:200..260", 200, 260, true, 0, 0},
      {"delay=uniform:0..60000", 0, 60000, false, 30000, 0},
      {"delay=300~50", 250, 350, true, 0, 0},
      {"delay=100~300", 0, 400, false, 0, 0},
      {"delay=59990~20", 59970, 60000, false, 0, 0},
      {"delay=lognormal:300:0.5", 0, 60000, false, 300, 300 * std::exp(0.5)},
      {"delay=lognormal:300:0", 300, 300, false, 0, 0},
      {"delay=lognormal:30000:3", 0, 60000, false, 30000, 0},
  };
  constexpr int kDraws = 2000;
  for (const Case& c : cases) {
    std::vector<int> delays = Delays(c.rule, 7, kDraws);
    EXPECT_EQ(Delays(c.rule, 7, kDraws), delays) << c.rule;
    if (c.low != c.high) {
      EXPECT_NE(Delays(c.rule, 8, kDraws), delays) << c.rule;
    }
    std::sort(delays.begin(), delays.end());
    EXPECT_GE(delays.front(), c.low) << c.rule;
    EXPECT_LE(delays.back(), c.high) << c.rule;
    if (c.flat) {
      EXPECT_EQ(delays.front(), c.low) << c.rule;
      EXPECT_EQ(delays.back(), c.high) << c.rule;
      const double middle = (c.low + c.high) / 2.0;
      const auto below =
          std::count_if(delays.begin(), delays.end(), [&](int d) { return d < middle; });
      const auto above =
          std::count_if(delays.begin(), delays.end(), [&](int d) { return d > middle; });
      EXPECT_NEAR(below, above, kDraws / 10) << c.rule;
    }
    const auto near = [&](double share, double expected) {
      EXPECT_NEAR(delays[static_cast<std::size_t>(share * kDraws)], expected, expected / 10)
          << c.rule << " at " << share;
    };
    if (c.median != 0) near(0.5, c.median);
    if (c.upper != 0) near(0.8413, c.upper);
  }
}

// A late answer is scheduled, never waited for: the frames after it are answered at once, and
// it goes out at its time unless the program is closing by then.
TEST(AnswerFaultsTest, ALateAnswerNeverHoldsUpTheNextFrame) {
  SimulatorState state;
  state.ConnectionMode = 1;
  testing::FakeNetworkIngress ingress;
  testing::FakeDatagramSender sender;
  testing::FakeDisplayView view;
  DisplaySink sink(state, view);
  FakeClock clock;
  testing::FakeLineServices lines;
  HandScheduler scheduler;
  AnswerFaults faults(clock, scheduler);
  NetworkReceiver receiver(state, ingress, sender, sink, clock, lines);
  receiver.SetAnswerFaults(&faults);
  faults.SetRules(Rules({"delay=2500:first=2", "nack"}), 1);
  for (const char* frame : {"A\x14", "B\x14", "C\x14"}) {
    receiver.OnDatagram(frame, ingress.receiver, false);
  }
  EXPECT_EQ(sender.sent, std::vector<std::string>{"\x15"});
  EXPECT_EQ(scheduler.delays, (std::vector<int>{2500, 2500}));
  scheduler.tasks.at(0)();
  EXPECT_EQ(sink.Entries(DisplayList::kDecimal).back(), "14:05:09 ack:  [6]");  // when it went
  state.Closing = -1;
  scheduler.tasks.at(1)();
  EXPECT_EQ(sender.sent, (std::vector<std::string>{"\x15", "\x06"}));
}

// A delayed answer's out row says the delay it drew, the one its frame's record gives; the answer
// sent at once says nothing.
TEST(AnswerFaultsTest, TheOutRowOfADelayedAnswerGivesItsDelay) {
  struct Rows : FrameObserver {
    void OnFrame(const FrameReport& report) override { rows.push_back(report); }
    std::vector<FrameReport> rows;
  };
  for (const bool serial : {false, true}) {
    Rows seen;
    SimulatorState state;
    state.ConnectionMode = serial ? 0 : 1;
    state.Format = AutomationFormat::k4100;
    state.PackageEndChar = 20;
    testing::FakeNetworkIngress ingress;
    testing::FakeDatagramSender sender;
    testing::FakeSerialPort port;
    testing::FakeDisplayView view;
    DisplaySink sink(state, view);
    sink.AddObserver(&seen);
    FakeClock clock;
    testing::FakeLineServices lines;
    HandScheduler scheduler;
    AnswerFaults faults(clock, scheduler);
    NetworkReceiver network(state, ingress, sender, sink, clock, lines);
    SerialReceiver serial_receiver(state, port, sink, clock, lines);
    network.SetAnswerFaults(&faults);
    serial_receiver.SetAnswerFaults(&faults);
    faults.SetRules(Rules({"delay=uniform:200..800:first=1"}), 3);
    for (const char* frame : {"A\x14", "B\x14"}) {
      if (serial) {
        port.Feed(frame);
        serial_receiver.OnDataAvailable(2);
      } else {
        network.OnDatagram(frame, ingress.receiver, false);
      }
    }
    scheduler.RunAllNow();
    ASSERT_EQ(seen.rows.size(), 4U) << serial;
    const int delay = scheduler.delays.at(0);
    EXPECT_EQ(seen.rows[0].reason, "fault 1: delay uniform 200..800 first 1") << serial;
    EXPECT_EQ(seen.rows[0].answer.delay_ms, static_cast<std::uint32_t>(delay)) << serial;
    EXPECT_EQ(seen.rows[2].direction, FrameDirection::kOut) << serial;
    EXPECT_EQ(seen.rows[2].reason, "") << serial;
    EXPECT_EQ(seen.rows[3].direction, FrameDirection::kOut) << serial;
    EXPECT_EQ(seen.rows[3].reason, "delayed " + std::to_string(delay) + " ms") << serial;
  }
}

// No room for one more late answer: the frame is recorded unanswered, and that is said once.
TEST(AnswerFaultsTest, ALateAnswerWithoutRoomIsRefusedAndRecordedSo) {
  struct Last : FrameObserver {
    void OnFrame(const FrameReport& report) override { last = report; }
    FrameReport last;
  } seen;
  SimulatorState state;
  state.ConnectionMode = 1;
  state.Format = AutomationFormat::k4100;
  state.PackageEndChar = 20;
  testing::FakeNetworkIngress ingress;
  testing::FakeDatagramSender sender;
  testing::FakeDisplayView view;
  DisplaySink sink(state, view);
  sink.AddObserver(&seen);
  FakeClock clock;
  testing::FakeLineServices lines;
  HandScheduler scheduler;
  scheduler.room = false;
  AnswerFaults faults(clock, scheduler);
  int said = 0;
  faults.SetQueueFullHandler([&said] { ++said; });
  NetworkReceiver receiver(state, ingress, sender, sink, clock, lines);
  receiver.SetAnswerFaults(&faults);
  faults.SetRules(Rules({"delay=2500"}), 1);
  receiver.OnDatagram("A\x14", ingress.receiver, false);
  receiver.OnDatagram("B\x14", ingress.receiver, false);
  EXPECT_EQ(seen.last.verdict, FrameVerdict::kNone);
  EXPECT_EQ(seen.last.reason, "fault 1: delay 2500; late-answer queue full");
  EXPECT_FALSE(seen.last.answer.delivered);
  EXPECT_EQ(faults.LateRefused(), 2);
  EXPECT_EQ(said, 1);
  EXPECT_TRUE(sender.sent.empty() && scheduler.tasks.empty());
}

}  // namespace
}  // namespace v7400
