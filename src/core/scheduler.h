// Work to run a while from now, on the same thread as everything else: a late answer is
// scheduled, never waited for. Qt timers in the program, a hand-driven queue in tests.
#pragma once

#include <functional>

namespace v7400 {

class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Runs `task` once, `delay_ms` milliseconds from now.
  virtual void After(int delay_ms, std::function<void()> task) = 0;
};

}  // namespace v7400
