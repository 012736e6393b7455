// What the receiver must do, as a person writes it: "first-repeat=2500..3500ms",
// "attempts<=4", "outage-recovery:1<=10s", "given-up=0@line=07". Each names a figure of the
// retransmission report and a bound; at the end of a run it is judged against the report and
// becomes one test case whose message gives the measured figure.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/simulator_state.h"
#include "display/receiver_ledger.h"
#include "display/retransmission_report.h"

namespace v7400 {

enum class Figure {
  kFirstRepeat,
  kRetryInterval,
  kAttempts,
  kRepeatsAfterAck,
  kGivenUp,
  kLost,
  kNackedOwn,
  kDropped,
  kEvents,
  kOutageRecovery,
  kOutageFirstAfter,
  kOutageInOrder,
  kOutageWhole
};

enum class Comparison { kEqual, kAtMost, kAtLeast, kBelow, kAbove, kWithin };

struct Expectation {
  std::string text;  // as given: the test case's name
  Figure figure = Figure::kEvents;
  int index = 0;  // retry-interval:N (1 to 4, 4 the 4th and later) or outage-...:K; 0 every one
  int line = 0;   // @line=NN; 0 the whole link
  Comparison comparison = Comparison::kEqual;
  double low = 0;   // milliseconds for times, 1 or 0 for true or false
  double high = 0;  // with kWithin
};

// The expectation, or nullopt with `error` saying what is wrong.
std::optional<Expectation> ParseExpectation(std::string_view text, std::string& error);
// Empty when the format can measure the figure; "4100" has no sequence numbers and no lines.
std::string ExpectationFormatProblem(const Expectation& expectation, AutomationFormat format);

struct ExpectationResult {
  std::string text;
  bool passed = false;
  std::string measured;  // "1002 ms (min), 1010 ms (max) over 12 repeats"
};

ExpectationResult Judge(const Expectation& expectation, const LedgerReport& report,
                        const AnswerCounts& answers);

// The verdicts of a run's end: the receiver's own, then one test case per expectation, named by
// its text and failed with "TEXT: measured ...".
struct RunJudgement {
  std::vector<VerdictCase> cases;
  std::vector<ExpectationResult> expectations;
  bool receiver_failed = false;  // what --strict fails on
  bool ExpectationFailed() const;
};
RunJudgement JudgeRun(const LedgerReport& report, const AnswerCounts& answers,
                      const std::vector<Expectation>& expectations);
// "expectations: 3 of 4 passed" and one line each, for the summary.
std::string ExpectationsText(const std::vector<ExpectationResult>& results);
Json ExpectationsJson(const std::vector<ExpectationResult>& results);
// One line for a status bar: "expectations met 2 of 3; not met: attempts<=2 (3)".
std::string ExpectationsNote(const std::vector<ExpectationResult>& results);

}  // namespace v7400
