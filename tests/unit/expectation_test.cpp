#include "display/expectation.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

TEST(ExpectationTest, ReadsTheGrammarAndRefusesWhatIsWrong) {
  struct Good {
    const char* text;
    Figure figure;
    int index, line;
    Comparison comparison;
    double low, high;
  };
  const Good goods[] = {
      {"first-repeat=2500..3500ms", Figure::kFirstRepeat, 0, 0, Comparison::kWithin, 2500, 3500},
      {"first-repeat = 2.5..3.5 s", Figure::kFirstRepeat, 0, 0, Comparison::kWithin, 2500, 3500},
      {"retry-interval:2>=1s", Figure::kRetryInterval, 2, 0, Comparison::kAtLeast, 1000, 1000},
      {"attempts<=4", Figure::kAttempts, 0, 0, Comparison::kAtMost, 4, 4},
      {"given-up=0@line=07", Figure::kGivenUp, 0, 7, Comparison::kEqual, 0, 0},
      {"lost@line=32<1", Figure::kLost, 0, 32, Comparison::kBelow, 1, 1},
      {"events>10", Figure::kEvents, 0, 0, Comparison::kAbove, 10, 10},
      {"outage-recovery:3<=10s", Figure::kOutageRecovery, 3, 0, Comparison::kAtMost, 10000, 10000},
      {"outage-whole=false", Figure::kOutageWhole, 0, 0, Comparison::kEqual, 0, 0},
      {"repeats-after-ack=0..2", Figure::kRepeatsAfterAck, 0, 0, Comparison::kWithin, 0, 2},
  };
  for (const Good& g : goods) {
    std::string error;
    const auto e = ParseExpectation(g.text, error);
    ASSERT_TRUE(e) << g.text << ": " << error;
    EXPECT_EQ(e->text, g.text);
    EXPECT_EQ(e->figure, g.figure) << g.text;
    EXPECT_EQ(e->index, g.index) << g.text;
    EXPECT_EQ(e->line, g.line) << g.text;
    EXPECT_EQ(e->comparison, g.comparison) << g.text;
    EXPECT_EQ(e->low, g.low) << g.text;
    EXPECT_EQ(e->high, g.high) << g.text;
  }
  const std::pair<const char*, const char*> bads[] = {
      {"", "an expectation is NAME OP VALUE"},
      {"first-repeat", "an expectation is NAME OP VALUE"},
      {"first-reprat<=3s", "unknown figure \"first-reprat\" (known: first-repeat, "},
      {"retry-interval:5<=3s", "retry-interval:N takes 1 to 4"},
      {"attempts:2<=3", "attempts takes no :N"},
      {"outage-whole:0=true", "outage-whole:K takes an outage number from 1"},
      {"attempts<=2.5", "a count is a whole number"},
      {"attempts<=4ms", "a count is a whole number"},
      {"first-repeat<=-1s", "a time is a number of ms or s"},
      {"first-repeat=3s..2s", "low end is above its high end"},
      {"outage-in-order<=true", "takes only =true or =false"},
      {"outage-whole=yes", "takes true or false"},
      {"given-up=0@line=33", "@line= takes a line from 01 to 32"},
      {"given-up=0@lines=3", "after @ only line=NN may follow"},
      {"dropped=0@line=01", "dropped is not judged per line"},
  };
  for (const auto& [text, message] : bads) {
    std::string error;
    EXPECT_FALSE(ParseExpectation(text, error)) << text;
    EXPECT_NE(error.find(message), std::string::npos) << text << ": " << error;
  }
}

LedgerReport SampleReport() {
  LedgerReport report;
  RetryFigures& line = report.lines[6];
  line.events = 12;
  line.most_attempts = 3;
  line.given_up = 1;
  for (const std::uint32_t ms : {1002, 1010, 1005}) line.intervals[0].Add(ms);
  line.intervals[1].Add(2020);
  report.total = line;
  OutageFigures healed;
  healed.recovery_ms = 800;
  healed.in_order = true;
  OutageFigures broken;
  broken.whole = false;
  broken.in_order = false;
  report.outages = {healed, broken};
  return report;
}

TEST(ExpectationTest, JudgesEachFigureAndSaysWhatWasMeasured) {
  const LedgerReport report = SampleReport();
  const AnswerCounts answers{20, 2, 0, {}};
  const std::tuple<const char*, bool, const char*> cases[] = {
      {"first-repeat=2500..3500ms", false, "1002 ms (min), 1010 ms (max) over 3 repeats"},
      {"first-repeat=1..1.01s", true, "1002 ms (min), 1010 ms (max) over 3 repeats"},
      {"retry-interval<=2s", false, "1002 ms (min), 2020 ms (max) over 4 repeats"},
      {"retry-interval:2>2s", true, "2020 ms (min), 2020 ms (max) over 1 repeat"},
      {"retry-interval:3<=1s", false, "no repeat"},
      {"first-repeat<=1s@line=01", false, "no repeat"},
      {"attempts<=3", true, "3"},
      {"given-up=0@line=07", false, "1"},
      {"given-up=0@line=08", true, "0"},
      {"nacked-own=2", true, "2"},
      {"events>=12", true, "12"},
      {"outage-recovery<=1s", false, "800 ms (outage 1), never recovered (outage 2)"},
      {"outage-recovery:1<=1s", true, "800 ms (outage 1)"},
      {"outage-in-order:2=false", true, "false (outage 2)"},
      {"outage-whole:3=true", false, "outage 3 did not take place"},
  };
  for (const auto& [text, passed, measured] : cases) {
    std::string error;
    const auto e = ParseExpectation(text, error);
    ASSERT_TRUE(e) << text << ": " << error;
    const ExpectationResult result = Judge(*e, report, answers);
    EXPECT_EQ(result.passed, passed) << text;
    EXPECT_EQ(result.measured, measured) << text;
  }
  std::string error;
  const RunJudgement judgement =
      JudgeRun(LedgerReport{}, answers, {*ParseExpectation("outage-whole=true", error)});
  EXPECT_EQ(judgement.cases.back().message, "outage-whole=true: measured no outage took place");
  EXPECT_TRUE(judgement.receiver_failed);  // the NACKs for their own checksum
  EXPECT_TRUE(judgement.ExpectationFailed());
}

TEST(ExpectationTest, FiguresWithoutSequenceNumbersAreRefusedFor4100) {
  for (const auto& [text, refused] : {std::pair{"lost=0", true}, {"outage-in-order=true", true},
                                      {"given-up=0@line=02", true}, {"first-repeat<=3s", false}}) {
    std::string error;
    const auto e = ParseExpectation(text, error);
    ASSERT_TRUE(e) << text;
    EXPECT_EQ(!ExpectationFormatProblem(*e, AutomationFormat::k4100).empty(), refused) << text;
    EXPECT_TRUE(ExpectationFormatProblem(*e, AutomationFormat::kSia).empty()) << text;
  }
}

}  // namespace
}  // namespace v7400
