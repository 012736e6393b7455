#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "core/scheduler.h"
#include "fakes/fake_clock.h"

namespace v7400::testing {

// Work runs when the test moves the fake clock on.
class FakeScheduler : public Scheduler {
 public:
  explicit FakeScheduler(FakeClock& clock) : clock_(clock) {}
  void After(int delay_ms, std::function<void()> task) override {
    due_.emplace(clock_.tick + static_cast<std::uint32_t>(delay_ms), std::move(task));
  }
  void Advance(std::uint32_t ms) {
    const std::uint32_t end = clock_.tick + ms;
    while (!due_.empty() && due_.begin()->first <= end) {
      auto next = due_.extract(due_.begin());
      clock_.tick = next.key();
      next.mapped()();
    }
    clock_.tick = end;
  }
  std::size_t Pending() const { return due_.size(); }

 private:
  FakeClock& clock_;
  std::multimap<std::uint32_t, std::function<void()>> due_;
};

}  // namespace v7400::testing
