// The command line's answer faults: --fault RULE and --outage SECONDS[@after=N] (both
// repeatable), --seed S for the random draws, and where the JUnit report goes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/simulator_state.h"
#include "display/expectation.h"
#include "protocol/answer_faults.h"
#include "protocol/fault_rule.h"
#include "protocol/scenario_phases.h"

namespace v7400 {

struct FaultOptions {
  std::vector<FaultRule> rules;
  std::vector<OutagePlan> outages;
  std::optional<std::uint64_t> seed;
  std::vector<PhasePlan> phases;  // of a scenario file
  std::vector<Expectation> expectations;
  std::string junit_path;
  std::string junit_suite = "v7400";  // the suite's name and every test case's class
  bool debug_page = false;

  bool Any() const { return !rules.empty() || !outages.empty() || !phases.empty(); }
};

// Reads the texts in order; the refusal, quoting the option and its text, or empty.
std::string ReadFaultOptions(const std::vector<std::string>& rules,
                             const std::vector<std::string>& outages,
                             const std::optional<std::string>& seed, FaultOptions& options);
// Reads the --expect texts in order; the refusal, quoting the first bad one, or empty.
std::string ReadExpectations(const std::vector<std::string>& texts, FaultOptions& options);
// The refusal of the first rule `format` cannot carry or expectation it cannot measure, or empty.
std::string FaultFormatProblem(const FaultOptions& options, AutomationFormat format);
// Hands the rules and outages to `faults`, with the seed given or one drawn now; the seed used.
std::uint64_t ApplyFaultOptions(const FaultOptions& options, AnswerFaults& faults);

}  // namespace v7400
