#include "app/session_control.h"

#include "app/control_metrics.h"
#include "app/run_options.h"

namespace v7400 {

namespace {

std::string RulesText(const std::vector<FaultRule>& rules) {
  std::string text;
  for (const FaultRule& rule : rules) text += (text.empty() ? "" : " ") + ToString(rule);
  return text;
}

std::int64_t OutagesStarted(const AnswerFaults& faults) {
  std::int64_t started = 0;
  for (const OutageSpell& outage : faults.Outages()) started += outage.started ? 1 : 0;
  return started;
}

}  // namespace

Json SessionControl::OutageJson() const {
  const std::optional<AnswerFaults::OutageLeft> running = parts_.faults.RunningOutage();
  if (!running) return nullptr;
  return {{"number", running->number}, {"seconds_left", Rounded(running->ms_left / 1000.0, 1)}};
}

Json SessionControl::Status() const {
  const TrafficTally& tally = parts_.traffic.Recorder().Tally();
  return {{"version", kProgramVersion},
          {"format", parts_.state.IsSia() ? "sia" : "4100"},
          {"link", parts_.link()},
          {"uptime_seconds", Rounded(parts_.seconds(), 1)},
          {"frames", {{"in", tally.received}, {"out", tally.sent}, {"ignored", tally.ignored}}},
          {"faults", Faults()},
          {"outage", OutageJson()},
          {"outages_started", OutagesStarted(parts_.faults)},
          {"phase", parts_.phases ? Json(parts_.phases->StatusText()) : Json(nullptr)}};
}

Json SessionControl::Faults() const {
  Json rules = Json::array();
  for (const FaultRule& rule : parts_.faults.Rules()) rules.push_back(ToString(rule));
  return {{"rules", std::move(rules)}, {"seed", parts_.faults.Seed()}};
}

void SessionControl::SetFaults(std::vector<FaultRule> rules, std::optional<std::uint64_t> seed) {
  const std::string text = RulesText(rules);
  parts_.faults.SetRules(std::move(rules), seed.value_or(parts_.faults.Seed()));
  parts_.changed(text.empty() ? "faults cleared" : "faults set to " + text);
}

int SessionControl::StartOutage(double seconds) {
  const int number = parts_.faults.StartOutageNow(seconds);
  parts_.changed("outage " + std::to_string(number) + " started, " +
                 ToString(OutagePlan{seconds, 0}) + " s");
  return number;
}

std::optional<int> SessionControl::EndOutage() {
  const std::optional<AnswerFaults::OutageLeft> running = parts_.faults.RunningOutage();
  if (!running) return std::nullopt;
  parts_.faults.EndOutage(running->number);
  parts_.changed("outage " + std::to_string(running->number) + " ended");
  return running->number;
}

Json SessionControl::Report() const { return RetransmissionJson(parts_.traffic.Ledger().Report()); }

Json SessionControl::Expectations() const {
  const RunJudgement judgement =
      JudgeRun(parts_.traffic.Ledger().Report(), parts_.traffic.Answers(), parts_.expectations);
  std::size_t met = 0;
  for (const ExpectationResult& result : judgement.expectations) met += result.passed ? 1 : 0;
  return {{"met", met},
          {"of", judgement.expectations.size()},
          {"expectations", ExpectationsJson(judgement.expectations)}};
}

Json SessionControl::Events(std::optional<std::uint64_t> after, std::size_t limit) const {
  return JournalJson(parts_.journal, parts_.journal.Events(after, limit));
}

void SessionControl::ResetFigures() {
  parts_.reset();
  parts_.changed("figures reset");
}

std::string SessionControl::Metrics() const {
  const LedgerReport ledger = parts_.traffic.Ledger().Report();
  return MetricsText({parts_.metrics, ledger, parts_.faults.Rules(), parts_.faults.InOutage(),
                      OutagesStarted(parts_.faults)});
}

}  // namespace v7400
