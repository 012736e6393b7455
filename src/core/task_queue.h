// Work due a while from now, in one queue ordered by due time: however much waits, one timer
// serves it, the earliest first, and equal times in the order they were given. Bounded, so a
// flood of late answers cannot take the memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/clock.h"

namespace v7400 {

class TaskQueue {
 public:
  static constexpr std::size_t kLimit = 100000;

  explicit TaskQueue(const Clock& clock, std::size_t limit = kLimit)
      : clock_(clock), limit_(limit) {}

  // Keeps `task` for `delay_ms` from now; false, keeping nothing, when the queue is full.
  bool Push(int delay_ms, std::function<void()> task);
  bool Full() const { return heap_.size() >= limit_; }
  std::size_t Size() const { return heap_.size(); }
  // Milliseconds until the earliest task is due (0 when it is), nothing when none waits.
  std::optional<int> MsToNext() const;
  // Runs the tasks due now, at most `limit` of them; how many ran.
  std::size_t RunDue(std::size_t limit);
  // Runs every task still waiting, in order, at once; how many ran.
  std::size_t RunAll();

 private:
  struct Entry {
    std::int64_t due = 0;
    std::uint64_t order = 0;
    std::function<void()> task;
  };
  std::int64_t Now() const;
  std::function<void()> PopFront();

  const Clock& clock_;
  std::size_t limit_;
  std::vector<Entry> heap_;
  std::uint64_t next_order_ = 0;
  // The tick carried on past its wrap at 2^32.
  mutable std::int64_t now_ = 0;
  mutable std::uint32_t last_tick_ = 0;
  mutable bool started_ = false;
};

}  // namespace v7400
