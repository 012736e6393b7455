#include "core/task_queue.h"

#include <algorithm>

namespace v7400 {

namespace {

// The heap keeps the earliest (then the first given) on top.
bool Later(const auto& a, const auto& b) {
  return a.due != b.due ? a.due > b.due : a.order > b.order;
}

}  // namespace

std::int64_t TaskQueue::Now() const {
  const std::uint32_t tick = clock_.TickMs();
  if (!started_) {
    started_ = true;
    now_ = tick;
  } else {
    now_ += static_cast<std::int32_t>(tick - last_tick_);
  }
  last_tick_ = tick;
  return now_;
}

bool TaskQueue::Push(int delay_ms, std::function<void()> task) {
  if (Full()) return false;
  heap_.push_back({Now() + std::max(delay_ms, 0), next_order_++, std::move(task)});
  std::push_heap(heap_.begin(), heap_.end(), [](const Entry& a, const Entry& b) { return Later(a, b); });
  return true;
}

std::optional<int> TaskQueue::MsToNext() const {
  if (heap_.empty()) return std::nullopt;
  return static_cast<int>(std::max<std::int64_t>(heap_.front().due - Now(), 0));
}

std::function<void()> TaskQueue::PopFront() {
  std::pop_heap(heap_.begin(), heap_.end(), [](const Entry& a, const Entry& b) { return Later(a, b); });
  std::function<void()> task = std::move(heap_.back().task);
  heap_.pop_back();
  return task;
}

std::size_t TaskQueue::RunDue(std::size_t limit) {
  std::size_t ran = 0;
  const std::int64_t now = Now();
  while (ran < limit && !heap_.empty() && heap_.front().due <= now) {
    PopFront()();
    ++ran;
  }
  return ran;
}

std::size_t TaskQueue::RunAll() {
  std::size_t ran = 0;
  while (!heap_.empty()) {
    PopFront()();
    ++ran;
  }
  return ran;
}

}  // namespace v7400
