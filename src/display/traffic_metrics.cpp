#include "display/traffic_metrics.h"

#include <algorithm>

namespace v7400 {

namespace {

std::size_t LineIndex(int line) {
  return line >= 1 && line <= static_cast<int>(kLineCount) ? static_cast<std::size_t>(line) : 0;
}

}  // namespace

void TrafficMetrics::OnFrame(const FrameReport& report) {
  const std::size_t line = LineIndex(report.line);
  if (report.direction == FrameDirection::kOut) {
    ++out_[line];
    if (!waiting_since_) return;
    const std::int64_t took = std::max<std::int64_t>(0, now_ns_() - *waiting_since_);
    waiting_since_.reset();
    const auto bound =
        std::lower_bound(kAnswerTimeBoundsNs.begin(), kAnswerTimeBoundsNs.end(), took);
    ++answers_.buckets[static_cast<std::size_t>(bound - kAnswerTimeBoundsNs.begin())];
    ++answers_.count;
    answers_.sum_ns += took;
    return;
  }
  ++in_[static_cast<std::size_t>(report.verdict)][line];
  const bool plain_answer =
      (report.verdict == FrameVerdict::kAck || report.verdict == FrameVerdict::kNack) &&
      !report.answer.deliberate;
  if (plain_answer) {
    waiting_since_ = now_ns_();
  } else {
    waiting_since_.reset();
  }
}

void TrafficMetrics::Reset() {
  in_ = {};
  out_ = {};
  answers_ = {};
  waiting_since_.reset();
}

}  // namespace v7400
