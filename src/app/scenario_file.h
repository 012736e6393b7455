// A receiver test in one TOML file: its name, format, seed and link, its timed phases of faults
// and outages, and the expectations that judge it. The command line adds to it:
//
//   name = "ACK time-out handling"
//   format = "sia"
//   seconds = 60
//   [link]
//   udp = "127.0.0.1"
//   port = 10001
//   [[phase]]
//   at = "10s"
//   for = "20s"
//   outage = true
//   [[expect]]
//   check = "outage-in-order=true"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_options.h"
#include "core/simulator_state.h"
#include "display/expectation.h"
#include "protocol/scenario_phases.h"
#include "transport/link_options.h"

namespace v7400 {

struct ScenarioFile {
  std::string name;
  std::optional<AutomationFormat> format;
  std::optional<std::uint64_t> seed;
  std::optional<long long> count;
  std::optional<double> seconds;
  std::optional<LinkOptionTexts> link;
  std::vector<PhasePlan> phases;
  std::vector<Expectation> expectations;
};

// The file's content, or nullopt with `error` saying "PATH:LINE:COLUMN: what is wrong".
std::optional<ScenarioFile> ParseScenario(std::string_view text, const std::string& path,
                                          std::string& error);
std::optional<ScenarioFile> ReadScenarioFile(const std::string& path, std::string& error);

// Adds the file to what the command line asked: its phases and expectations (the file's first),
// and its format, seed, count, seconds, link and name (the suite) where the command line gave
// none. The refusal, or empty.
std::string MergeScenario(const ScenarioFile& file, RunOptions& options, bool suite_given);

}  // namespace v7400
