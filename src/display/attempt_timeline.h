// The receiver's most recent attempts, one point each, and the outages among them, for the
// behaviour window's timeline. One observer of the frame records; its memory stays bounded:
// the newest points and bands are kept, the oldest dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/frame_observer.h"

namespace v7400 {

inline constexpr std::size_t kTimelinePoints = 5000;
inline constexpr std::size_t kTimelineBands = 100;

// What an attempt's answer was to the receiver: a correct ACK, a NACK, nothing at all, or
// bytes that were no correct ACK (bad checksum, wrong sequence, split datagram, garbage).
enum class AttemptAnswer { kAck, kNack, kMissing, kSpoiled };

AttemptAnswer AnswerKind(const FrameReport& record);

struct AttemptPoint {
  std::uint32_t tick = 0;
  std::int64_t value = 0;  // the sequence number, or the "4100" event
  int line = 0;
  AttemptAnswer answer = AttemptAnswer::kMissing;
  // A repeat: the tick of the earliest attempt at the same event still kept then.
  std::optional<std::uint32_t> first_tick;
};

struct OutageBand {
  int number = 0;
  std::uint32_t start_tick = 0;
  std::uint32_t duration_ms = 0;
};

class AttemptTimeline : public FrameObserver {
 public:
  // `capacity`: the points kept, at most kTimelinePoints.
  explicit AttemptTimeline(std::size_t capacity = kTimelinePoints);

  void OnFrame(const FrameReport& record) override;
  // An outage began; told again with its new length when it is ended early.
  void OutageBegan(int number, std::uint32_t start_tick, std::uint32_t duration_ms);
  void Reset();

  const std::deque<AttemptPoint>& Points() const { return points_; }
  const std::deque<OutageBand>& Bands() const { return bands_; }
  // False while the points are "4100" events, which have no sequence numbers.
  bool Numbered() const { return numbered_; }
  // The tick of the first point or band since the start or the last Reset.
  std::optional<std::uint32_t> Origin() const { return origin_; }
  // Changes with every change, so a view can tell when it has nothing to redraw.
  std::uint64_t Version() const { return version_; }

 private:
  // The points kept with one value: the first and last of them, by serial, and how many.
  struct Slot {
    std::int64_t first = -1;
    std::int64_t last = -1;
    int count = 0;
  };
  // Kept values map one to one onto slots: sequence numbers are 1..9999, and the "4100"
  // events kept span fewer than kSlots numbers.
  static constexpr std::size_t kSlots = 10000;

  void Add(AttemptPoint point);
  void DropOldest();
  void ClearPoints();
  Slot& SlotOf(std::int64_t value) { return slots_[static_cast<std::size_t>(value) % kSlots]; }
  const AttemptPoint& At(std::int64_t serial) const {
    return points_[static_cast<std::size_t>(serial - first_serial_)];
  }

  std::size_t capacity_;
  std::deque<AttemptPoint> points_;
  std::deque<std::int64_t> next_;  // per point: the serial of the next one with its value, or -1
  std::int64_t first_serial_ = 0;  // of points_.front()
  std::vector<Slot> slots_;
  std::deque<OutageBand> bands_;
  bool numbered_ = true;
  // "4100": an event is a frame's bytes, repeated until another frame comes.
  std::string last_bytes_;
  std::int64_t event_ = 0;
  std::optional<std::uint32_t> origin_;
  std::uint64_t version_ = 0;
};

}  // namespace v7400
