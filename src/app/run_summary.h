// What a run reports when it ends (printed without a window; --summary-json with or without
// one): the frames received and how they were answered, the datagrams ignored, each line's
// events, feedbacks, repeats and gaps, the rate, and the outcome of each command. As text for
// people and as JSON for scripts.
#pragma once

#include <string>
#include <vector>

#include "commands/command_run.h"
#include "core/json_text.h"
#include "core/simulator_state.h"
#include "display/traffic_recorder.h"

namespace v7400 {

struct RunSummary {
  TrafficTally tally;
  std::array<TLine, kLineCount> lines{};  // events and feedbacks per line
  double seconds = 0;
  std::vector<CommandOutcome> commands;
};

RunSummary MakeRunSummary(const TrafficTally& tally, const SimulatorState& state, double seconds,
                          const std::vector<CommandOutcome>& commands);

double FramesPerSecond(const RunSummary& summary);
std::string SummaryText(const RunSummary& summary);
Json SummaryJson(const RunSummary& summary);
// The one-line live display: counts so far.
std::string ProgressLine(const TrafficTally& tally, double seconds);

}  // namespace v7400
