// The session's side of the live control: its state, faults and figures read and changed as
// the window's own controls do, each change said through `changed` (traffic log, status bar,
// standard error).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/control_api.h"
#include "display/event_journal.h"
#include "display/expectation.h"
#include "display/traffic_metrics.h"
#include "display/traffic_observers.h"
#include "protocol/answer_faults.h"
#include "protocol/scenario_phases.h"

namespace v7400 {

struct ControlParts {
  const SimulatorState& state;
  AnswerFaults& faults;
  const TrafficObservers& traffic;
  const EventJournal& journal;
  const TrafficMetrics& metrics;
  const ScenarioPhases* phases;  // null without a scenario
  const std::vector<Expectation>& expectations;
  std::function<Json()> link;       // what the link is and whether it is open
  std::function<double()> seconds;  // since the run began
  std::function<void()> reset;      // the figures start afresh
  std::function<void(const std::string& what)> changed;
};

class SessionControl : public ControlTarget {
 public:
  explicit SessionControl(ControlParts parts) : parts_(std::move(parts)) {}

  AutomationFormat Format() const override { return parts_.state.Format; }
  Json Status() const override;
  Json Faults() const override;
  void SetFaults(std::vector<FaultRule> rules, std::optional<std::uint64_t> seed) override;
  int StartOutage(double seconds) override;
  std::optional<int> EndOutage() override;
  Json Report() const override;
  Json Expectations() const override;
  Json Events(std::optional<std::uint64_t> after, std::size_t limit) const override;
  void ResetFigures() override;
  std::string Metrics() const override;

 private:
  Json OutageJson() const;
  ControlParts parts_;
};

}  // namespace v7400
