#include "app/fault_options.h"

#include <random>

#include "core/shown_text.h"

namespace v7400 {

namespace {

// A rule is quoted shortened: a long one would otherwise fill the terminal, twice with the error.
constexpr std::size_t kQuotedLimit = 80;

std::string Quoted(const char* option, const std::string& text) {
  return std::string(option) + " '" + ShownText(text, kQuotedLimit) + "': ";
}

}  // namespace

std::string ReadFaultOptions(const std::vector<std::string>& rules,
                             const std::vector<std::string>& outages,
                             const std::optional<std::string>& seed, FaultOptions& options) {
  std::string error;
  for (const std::string& text : rules) {
    const auto rule = ParseFaultRule(text, error);
    if (!rule) return Quoted("--fault", text) + error;
    options.rules.push_back(*rule);
  }
  for (const std::string& text : outages) {
    const auto outage = ParseOutage(text, error);
    if (!outage) return Quoted("--outage", text) + error;
    options.outages.push_back(*outage);
  }
  if (seed && !(options.seed = ParseSeed(*seed, error))) return Quoted("--seed", *seed) + error;
  return {};
}

std::string ReadExpectations(const std::vector<std::string>& texts, FaultOptions& options) {
  std::string error;
  for (const std::string& text : texts) {
    const auto expectation = ParseExpectation(text, error);
    if (!expectation) return Quoted("--expect", text) + error;
    options.expectations.push_back(*expectation);
  }
  return {};
}

std::string FaultFormatProblem(const FaultOptions& options, AutomationFormat format) {
  for (const FaultRule& rule : options.rules) {
    if (const std::string problem = FormatProblem(rule, format); !problem.empty()) {
      return Quoted("--fault", ToString(rule)) + problem;
    }
  }
  for (const PhasePlan& phase : options.phases) {
    for (const FaultRule& rule : phase.faults) {
      if (const std::string problem = FormatProblem(rule, format); !problem.empty()) {
        return Quoted("--scenario", ToString(rule)) + problem;
      }
    }
  }
  for (const Expectation& expectation : options.expectations) {
    if (const std::string problem = ExpectationFormatProblem(expectation, format);
        !problem.empty()) {
      return Quoted("--expect", expectation.text) + problem;
    }
  }
  return {};
}

std::uint64_t ApplyFaultOptions(const FaultOptions& options, AnswerFaults& faults) {
  std::uint64_t seed = 0;
  if (options.seed) {
    seed = *options.seed;
  } else {
    std::random_device device;
    seed = (static_cast<std::uint64_t>(device()) << 32) | device();
  }
  faults.SetRules(options.rules, seed);
  for (const OutagePlan& outage : options.outages) faults.AddOutage(outage);
  return seed;
}

}  // namespace v7400
