// Counts for a metrics reader: every frame by direction, verdict and line, and how long the
// program itself took to answer. The answer time runs from a frame's record (read, checked and
// its answer chosen) to the record of its answer, made as the answer was handed to the link; a
// late or faulted answer is not timed, since its wait is on purpose.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/frame_observer.h"
#include "core/simulator_state.h"

namespace v7400 {

// Upper bounds of the answer-time buckets, in nanoseconds; a last one takes the rest.
inline constexpr std::array<std::int64_t, 10> kAnswerTimeBoundsNs = {
    50'000,    100'000,   250'000,    500'000,    1'000'000,
    2'500'000, 5'000'000, 10'000'000, 25'000'000, 100'000'000};

inline constexpr std::size_t kVerdictKinds = 5;  // FrameVerdict's values

struct AnswerTimes {
  std::array<std::int64_t, kAnswerTimeBoundsNs.size() + 1> buckets{};  // not cumulative
  std::int64_t count = 0;
  std::int64_t sum_ns = 0;
};

class TrafficMetrics : public FrameObserver {
 public:
  // `now_ns` reads a steady clock.
  explicit TrafficMetrics(std::function<std::int64_t()> now_ns) : now_ns_(std::move(now_ns)) {}
  void OnFrame(const FrameReport& report) override;
  void Reset();

  // Frames in by verdict and line (0: none), and frames out by line.
  std::int64_t In(FrameVerdict verdict, int line) const {
    return in_[static_cast<std::size_t>(verdict)][static_cast<std::size_t>(line)];
  }
  std::int64_t Out(int line) const { return out_[static_cast<std::size_t>(line)]; }
  const AnswerTimes& Answers() const { return answers_; }

 private:
  std::function<std::int64_t()> now_ns_;
  std::array<std::array<std::int64_t, kLineCount + 1>, kVerdictKinds> in_{};
  std::array<std::int64_t, kLineCount + 1> out_{};
  AnswerTimes answers_;
  std::optional<std::int64_t> waiting_since_;  // a frame whose plain answer goes next
};

}  // namespace v7400
