// Work to run a while from now, on the same thread as everything else: a late answer is
// scheduled, never waited for. One queue on a Qt timer in the program, a hand-driven queue in
// tests.
#pragma once

#include <cstddef>
#include <functional>

namespace v7400 {

class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Runs `task` once, `delay_ms` milliseconds from now; false, dropping it, when no room is left.
  virtual bool After(int delay_ms, std::function<void()> task) = 0;
  virtual bool HasRoom() const = 0;
  // Runs every task still waiting, at once, as the end of a run does; how many ran.
  virtual std::size_t RunAllNow() = 0;
};

}  // namespace v7400
