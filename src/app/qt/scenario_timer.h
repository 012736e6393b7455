// A scenario's phases on the event loop: a precise timer wakes them when a phase is due to begin
// or end, whether frames come or not.
#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>

#include "app/fault_options.h"
#include "protocol/scenario_phases.h"

namespace v7400 {

class ScenarioTimer {
 public:
  ScenarioTimer(const Clock& clock, AnswerFaults& faults, const FaultOptions& options,
                std::uint64_t seed)
      : phases_(clock, faults, options.phases, options.rules, seed) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { phases_.Tick(); });
    phases_.SetWake([this](std::uint32_t in_ms) { timer_.start(static_cast<int>(in_ms)); });
  }

  ScenarioPhases& Phases() { return phases_; }
  const ScenarioPhases& Phases() const { return phases_; }

 private:
  ScenarioPhases phases_;
  QTimer timer_;
};

// The phases of `options`, or none when it has none.
inline std::unique_ptr<ScenarioTimer> MakeScenarioTimer(const Clock& clock, AnswerFaults& faults,
                                                        const FaultOptions& options,
                                                        std::uint64_t seed) {
  if (options.phases.empty()) return nullptr;
  return std::make_unique<ScenarioTimer>(clock, faults, options, seed);
}

}  // namespace v7400
