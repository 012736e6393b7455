#include "protocol/scenario_phases.h"

#include <algorithm>

namespace v7400 {

ScenarioPhases::ScenarioPhases(const Clock& clock, AnswerFaults& faults,
                               std::vector<PhasePlan> phases, std::vector<FaultRule> base,
                               std::uint64_t seed)
    : clock_(clock), faults_(faults), phases_(std::move(phases)), base_(std::move(base)),
      seed_(seed) {
  faults_.SetBeforeChoose([this] { BeforeFrame(); });
}

ScenarioPhases::~ScenarioPhases() { faults_.SetBeforeChoose(nullptr); }

void ScenarioPhases::BeforeFrame() {
  if (!origin_) origin_ = clock_.TickMs();
  Advance();
  ++seen_;
  if (current_ != 0) ++frames_in_phase_;
}

void ScenarioPhases::Tick() {
  woken_for_.reset();
  Advance();
}

void ScenarioPhases::Advance() {
  if (!origin_) return;
  const std::uint32_t now = clock_.TickMs();
  for (;;) {
    if (current_ != 0 && Over(now)) End();
    if (next_ >= phases_.size() || !Due(next_, now)) break;
    Begin(next_, now);
  }
  const std::optional<std::uint32_t> due = NextDueMs();
  if (!due || !wake_ || woken_for_ == now + *due) return;
  woken_for_ = now + *due;
  wake_(*due);
}

bool ScenarioPhases::Due(std::size_t index, std::uint32_t now) const {
  const PhasePlan& phase = phases_[index];
  if (phase.at_ms) return now - *origin_ >= *phase.at_ms;
  if (phase.after_frames) return seen_ >= *phase.after_frames;
  return index == 0 || current_ == 0;  // when the one before it ends
}

bool ScenarioPhases::Over(std::uint32_t now) const {
  const PhasePlan& phase = phases_[static_cast<std::size_t>(current_) - 1];
  if (phase.for_ms) return now - started_ >= *phase.for_ms;
  return phase.frames && frames_in_phase_ >= *phase.frames;
}

void ScenarioPhases::Begin(std::size_t index, std::uint32_t now) {
  if (current_ != 0) End();
  const PhasePlan& phase = phases_[index];
  current_ = static_cast<int>(index) + 1;
  next_ = index + 1;
  started_ = now;
  frames_in_phase_ = 0;
  std::vector<FaultRule> rules = phase.faults;
  rules.insert(rules.end(), base_.begin(), base_.end());
  faults_.SetRules(std::move(rules), seed_);
  if (phase.outage) {
    const double seconds = phase.for_ms ? *phase.for_ms / 1000.0 : kMaxOutageSeconds;
    outage_ = faults_.StartOutageNow(seconds, Name(index));
  }
  if (on_change_) on_change_(Name(index) + " begins");
}

void ScenarioPhases::End() {
  if (outage_ != 0) faults_.EndOutage(outage_);
  outage_ = 0;
  const std::string name = Name(static_cast<std::size_t>(current_) - 1);
  current_ = 0;
  faults_.SetRules(base_, seed_);
  if (on_change_) on_change_(name + " ends");
}

std::optional<std::uint32_t> ScenarioPhases::NextDueMs() const {
  if (!origin_) return std::nullopt;
  const std::uint32_t now = clock_.TickMs();
  std::optional<std::uint32_t> due;
  const auto sooner = [&](std::uint32_t from, std::uint32_t length) {
    const std::uint32_t passed = now - from;
    const std::uint32_t left = passed >= length ? 0 : length - passed;
    due = due ? std::min(*due, left) : left;
  };
  if (current_ != 0) {
    const PhasePlan& phase = phases_[static_cast<std::size_t>(current_) - 1];
    if (phase.for_ms) sooner(started_, *phase.for_ms);
  }
  if (next_ < phases_.size() && phases_[next_].at_ms) sooner(*origin_, *phases_[next_].at_ms);
  return due;
}

std::string ScenarioPhases::Name(std::size_t index) const {
  const std::string number = "phase " + std::to_string(index + 1);
  return phases_[index].name.empty() ? number : number + " (" + phases_[index].name + ")";
}

std::string ScenarioPhases::StatusText() const {
  if (!origin_) return "phases wait for the first frame";
  const std::string of = "/" + std::to_string(phases_.size());
  if (current_ == 0) {
    return next_ >= phases_.size() ? "phases done" : "next " + Name(next_) + of;
  }
  const auto index = static_cast<std::size_t>(current_) - 1;
  const PhasePlan& phase = phases_[index];
  std::string text = Name(index) + of;
  if (phase.for_ms) {
    const std::uint32_t passed = clock_.TickMs() - started_;
    const std::uint32_t left = passed >= *phase.for_ms ? 0 : *phase.for_ms - passed;
    text += ": " + std::to_string((left + 999) / 1000) + " s left";
  } else if (phase.frames) {
    const std::int64_t left = std::max<std::int64_t>(*phase.frames - frames_in_phase_, 0);
    text += ": " + std::to_string(left) + (left == 1 ? " frame left" : " frames left");
  }
  return text;
}

}  // namespace v7400
