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
      {"delay=300~50", 250, 350, true, 0, 0},
      {"delay=100~300", 0, 400, false, 0, 0},
      {"delay=59990~20", 59970, 60000, false, 0, 0},
      {"delay=lognormal:300:0.5", 0, 60000, false, 300, 300 * std::exp(0.5)},
      {"delay=lognormal:30000:3", 0, 60000, false, 30000, 0},
  };
  constexpr int kDraws = 2000;
  for (const Case& c : cases) {
    std::vector<int> delays = Delays(c.rule, 7, kDraws);
    EXPECT_EQ(Delays(c.rule, 7, kDraws), delays) << c.rule;
    EXPECT_NE(Delays(c.rule, 8, kDraws), delays) << c.rule;
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

// A receive path on either link with its faults, keeping every record it publishes.
struct Rig : FrameObserver {
  explicit Rig(bool on_serial = false) : serial(on_serial) {
    state.ConnectionMode = serial ? ConnectionMode::kSerial : ConnectionMode::kNetwork;
    sink.AddObserver(this);
    network.SetAnswerFaults(&faults);
    serial_receiver.SetAnswerFaults(&faults);
  }
  void OnFrame(const FrameReport& report) override { rows.push_back(report); }
  void Receive(const std::string& frame) {
    if (serial) {
      port.Feed(frame);
      serial_receiver.OnDataAvailable(static_cast<int>(frame.size()));
    } else {
      network.OnDatagram(frame, ingress.receiver, IpVersion::kIPv4);
    }
  }

  bool serial;
  SimulatorState state;
  testing::FakeNetworkIngress ingress;
  testing::FakeDatagramSender sender;
  testing::FakeSerialPort port;
  testing::FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  testing::FakeLineServices lines;
  HandScheduler scheduler;
  AnswerFaults faults{clock, scheduler};
  NetworkReceiver network{state, ingress, sender, sink, clock, lines};
  SerialReceiver serial_receiver{state, port, sink, clock, lines};
  std::vector<FrameReport> rows;
};

// A late answer is scheduled, never waited for: the frames after it are answered at once, and
// it goes out at its time unless the program is closing by then.
TEST(AnswerFaultsTest, ALateAnswerNeverHoldsUpTheNextFrame) {
  Rig rig;
  rig.faults.SetRules(Rules({"delay=2500:first=2", "nack"}), 1);
  for (const char* frame : {"A\x14", "B\x14", "C\x14"}) rig.Receive(frame);
  EXPECT_EQ(rig.sender.sent, std::vector<std::string>{"\x15"});
  EXPECT_EQ(rig.scheduler.delays, (std::vector<int>{2500, 2500}));
  rig.scheduler.tasks.at(0)();
  EXPECT_EQ(rig.sink.Entries(DisplayList::kDecimal).back(), "14:05:09 ack:  [6]");  // when it went
  rig.state.Closing = -1;
  rig.scheduler.tasks.at(1)();
  EXPECT_EQ(rig.sender.sent, (std::vector<std::string>{"\x15", "\x06"}));
}

// A delayed answer's out row gives the delay it drew, the one its frame's record has; an answer
// sent at once gives none.
TEST(AnswerFaultsTest, TheOutRowOfADelayedAnswerGivesItsDelay) {
  for (const bool serial : {false, true}) {
    Rig rig(serial);
    rig.faults.SetRules(Rules({"delay=uniform:200..800:first=1"}), 3);
    rig.Receive("A\x14");
    rig.Receive("B\x14");
    rig.scheduler.RunAllNow();
    const int delay = rig.scheduler.delays.at(0);
    EXPECT_EQ(rig.rows.at(0).reason, "fault 1: delay uniform 200..800 first 1") << serial;
    EXPECT_EQ(rig.rows.at(0).answer.delay_ms, static_cast<std::uint32_t>(delay)) << serial;
    std::vector<std::string> out;
    for (const FrameReport& row : rig.rows) {
      if (row.direction == FrameDirection::kOut) out.push_back(row.reason);
    }
    EXPECT_EQ(out, (std::vector<std::string>{"", "delayed " + std::to_string(delay) + " ms"}))
        << serial;
  }
}

// No room for one more late answer: the frame is recorded unanswered, and that is said once.
TEST(AnswerFaultsTest, ALateAnswerWithoutRoomIsRefusedAndRecordedSo) {
  Rig rig;
  rig.scheduler.room = false;
  int said = 0;
  rig.faults.SetQueueFullHandler([&said] { ++said; });
  rig.faults.SetRules(Rules({"delay=2500"}), 1);
  rig.Receive("A\x14");
  rig.Receive("B\x14");
  EXPECT_EQ(rig.rows.back().verdict, FrameVerdict::kNone);
  EXPECT_EQ(rig.rows.back().reason, "fault 1: delay 2500; late-answer queue full");
  EXPECT_FALSE(rig.rows.back().answer.delivered);
  EXPECT_EQ(rig.faults.LateRefused(), 2);
  EXPECT_EQ(said, 1);
  EXPECT_TRUE(rig.sender.sent.empty() && rig.scheduler.tasks.empty());
}

// The record says whether bytes went in answer, on either link: what was written, if anything.
TEST(AnswerFaultsTest, TheRecordSaysWhetherAnAnswerWent) {
  const std::tuple<const char*, AckMode, bool> rows[] = {{"", AckMode::kAuto, true},
                                                         {"nack", AckMode::kAuto, true},
                                                         {"drop", AckMode::kAuto, false},
                                                         {"", AckMode::kManual, false}};
  for (const bool serial : {false, true}) {
    for (const auto& [rule, ack, sent] : rows) {
      Rig rig(serial);
      rig.state.Ack = ack;
      if (*rule != 0) rig.faults.SetRules(Rules({rule}), 1);
      rig.Receive("A\x14");
      EXPECT_EQ(rig.rows.at(0).answer.sent, sent) << rule << serial;
      EXPECT_EQ(!(serial ? rig.port.writes : rig.sender.sent).empty(), sent) << rule << serial;
    }
  }
}

}  // namespace
}  // namespace v7400
