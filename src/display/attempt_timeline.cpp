#include "display/attempt_timeline.h"

#include <algorithm>

namespace v7400 {

AttemptAnswer AnswerKind(const FrameReport& record) {
  const FrameAnswer& answer = record.answer;
  if (answer.delivered) return AttemptAnswer::kAck;
  if (answer.outage > 0) return AttemptAnswer::kMissing;
  if (record.verdict == FrameVerdict::kNack) return AttemptAnswer::kNack;
  return answer.sent ? AttemptAnswer::kSpoiled : AttemptAnswer::kMissing;
}

AttemptTimeline::AttemptTimeline(std::size_t capacity)
    : capacity_(std::clamp<std::size_t>(capacity, 1, kTimelinePoints)), slots_(kSlots) {}

void AttemptTimeline::OnFrame(const FrameReport& record) {
  if (record.direction != FrameDirection::kIn || record.verdict == FrameVerdict::kIgnored ||
      record.verdict == FrameVerdict::kDropped) {
    return;
  }
  const bool numbered = record.format == AutomationFormat::kSia;
  // Sequence numbers and "4100" events are not on one scale: a new format starts afresh.
  if (numbered != numbered_) {
    ClearPoints();
    numbered_ = numbered;
  }
  std::int64_t value = 0;
  if (numbered) {
    if (!record.sequence) return;
    value = *record.sequence;
  } else {
    // The same bytes again before any other frame are the same event.
    if (event_ == 0 || record.bytes != last_bytes_) {
      last_bytes_ = record.bytes;
      ++event_;
    }
    value = event_;
  }
  Add({record.tick, value, record.line, AnswerKind(record), std::nullopt});
}

void AttemptTimeline::Add(AttemptPoint point) {
  if (!origin_) origin_ = point.tick;
  // Room first, so that a repeat joins an attempt still kept.
  if (points_.size() == capacity_) DropOldest();
  const std::int64_t serial = first_serial_ + static_cast<std::int64_t>(points_.size());
  Slot& slot = SlotOf(point.value);
  if (slot.count > 0 && At(slot.first).value == point.value) {
    point.first_tick = At(slot.first).tick;
    next_[static_cast<std::size_t>(slot.last - first_serial_)] = serial;
    slot.last = serial;
    ++slot.count;
  } else {
    slot = {serial, serial, 1};
  }
  points_.push_back(point);
  next_.push_back(-1);
  ++version_;
}

void AttemptTimeline::DropOldest() {
  Slot& slot = SlotOf(points_.front().value);
  if (slot.first == first_serial_) {
    if (--slot.count == 0) {
      slot = {};
    } else {
      slot.first = next_.front();
    }
  }
  points_.pop_front();
  next_.pop_front();
  ++first_serial_;
}

void AttemptTimeline::ClearPoints() {
  if (points_.empty() && event_ == 0) return;
  points_.clear();
  next_.clear();
  first_serial_ = 0;
  std::fill(slots_.begin(), slots_.end(), Slot{});
  last_bytes_.clear();
  event_ = 0;
  ++version_;
}

void AttemptTimeline::OutageBegan(int number, std::uint32_t start_tick, std::uint32_t duration_ms) {
  const auto same = std::find_if(bands_.begin(), bands_.end(), [number](const OutageBand& band) {
    return band.number == number;
  });
  if (same != bands_.end()) {
    *same = {number, start_tick, duration_ms};
  } else {
    bands_.push_back({number, start_tick, duration_ms});
    if (bands_.size() > kTimelineBands) bands_.pop_front();
    if (!origin_) origin_ = start_tick;
  }
  ++version_;
}

void AttemptTimeline::Reset() {
  ClearPoints();
  bands_.clear();
  origin_.reset();
  ++version_;
}

}  // namespace v7400
