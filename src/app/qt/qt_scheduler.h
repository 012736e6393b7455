// Scheduled work on one queue served by one precise Qt timer, set to the earliest task. Each
// turn runs a bounded batch of the tasks due and leaves the rest to the next turn, so the event
// loop reads the sockets between batches however many are due. Work still waiting when this
// object goes is never run; an exception from the work goes to "error.log".
#pragma once

#include <QTimer>
#include <string>

#include "app/error_log.h"
#include "core/scheduler.h"
#include "core/task_queue.h"

namespace v7400 {

class QtScheduler : public Scheduler {
 public:
  // `component`: the design name "error.log" blames for a failure of the work.
  QtScheduler(const ErrorLog& error_log, std::string component, const Clock& clock);

  bool After(int delay_ms, std::function<void()> task) override;
  bool HasRoom() const override { return !queue_.Full(); }
  std::size_t RunAllNow() override;

 private:
  static constexpr std::size_t kBatch = 256;
  void Arm();
  void RunDue();

  const ErrorLog& error_log_;
  std::string component_;
  TaskQueue queue_;
  QTimer timer_;
};

}  // namespace v7400
