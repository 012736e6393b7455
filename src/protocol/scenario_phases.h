// A run in timed phases: "an outage of 20 s at 30 s", "every 4th answer dropped for 100 frames".
// Phases follow one another in their order; each begins at a time after the first frame, after a
// number of frames, or when the one before it ends, and lasts a time, a number of frames, or
// until the next one begins. While one is under way its rules act first, then the run's own,
// and its outage silences every answer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "protocol/answer_faults.h"
#include "protocol/fault_rule.h"

namespace v7400 {

struct PhasePlan {
  std::string name;                          // empty: "phase N"
  std::optional<std::uint32_t> at_ms;        // after the first frame
  std::optional<std::int64_t> after_frames;  // begins with the frame after these
  std::optional<std::uint32_t> for_ms;
  std::optional<std::int64_t> frames;
  std::vector<FaultRule> faults;
  bool outage = false;
};

class ScenarioPhases {
 public:
  // `base` are the run's own rules, acting in every phase after the phase's own.
  ScenarioPhases(const Clock& clock, AnswerFaults& faults, std::vector<PhasePlan> phases,
                 std::vector<FaultRule> base, std::uint64_t seed);
  ScenarioPhases(const ScenarioPhases&) = delete;
  ScenarioPhases& operator=(const ScenarioPhases&) = delete;
  ~ScenarioPhases();

  // Begins and ends what is due by the clock; the timer calls it when woken.
  void Tick();
  // Told how many milliseconds from now the next change the clock brings is due, whenever that
  // moment changes.
  void SetWake(std::function<void(std::uint32_t in_ms)> wake) { wake_ = std::move(wake); }
  // The run ends: the phase under way ends now, so its outage has the length it really had.
  void Finish() {
    if (current_ != 0) End();
  }
  // Milliseconds until the next change the clock brings; nothing while none waits for it.
  std::optional<std::uint32_t> NextDueMs() const;
  // 1-based phase under way, 0 none.
  int Current() const { return current_; }
  // "phase 2 (switched off)/3: 12 s left", "next phase 3/3", "phases done".
  std::string StatusText() const;
  // Told whenever a phase begins or ends.
  void SetChangeHandler(std::function<void(const std::string&)> handler) {
    on_change_ = std::move(handler);
  }

 private:
  void BeforeFrame();
  void Advance();
  bool Due(std::size_t index, std::uint32_t now) const;
  bool Over(std::uint32_t now) const;
  void Begin(std::size_t index, std::uint32_t now);
  void End();
  std::string Name(std::size_t index) const;

  const Clock& clock_;
  AnswerFaults& faults_;
  std::vector<PhasePlan> phases_;
  std::vector<FaultRule> base_;
  std::uint64_t seed_;
  std::optional<std::uint32_t> origin_;  // the first frame
  std::int64_t seen_ = 0;                // frames before this one
  std::size_t next_ = 0;                 // the next phase to begin
  int current_ = 0;
  std::uint32_t started_ = 0;
  std::int64_t frames_in_phase_ = 0;
  int outage_ = 0;  // the number of the current phase's outage
  std::function<void(const std::string&)> on_change_;
  std::function<void(std::uint32_t)> wake_;
  std::optional<std::uint32_t> woken_for_;  // the tick the wake was last asked for
};

}  // namespace v7400
