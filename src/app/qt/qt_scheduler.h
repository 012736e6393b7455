// Scheduled work on Qt's precise single-shot timers. The timers belong to this object, so work
// still pending when it goes is never run; an exception from the work goes to "error.log".
#pragma once

#include <QObject>
#include <QTimer>
#include <string>

#include "app/error_log.h"
#include "core/scheduler.h"

namespace v7400 {

class QtScheduler : public Scheduler {
 public:
  // `component`: the design name "error.log" blames for a failure of the work.
  QtScheduler(const ErrorLog& error_log, std::string component)
      : error_log_(error_log), component_(std::move(component)) {}

  void After(int delay_ms, std::function<void()> task) override {
    QTimer::singleShot(delay_ms, Qt::PreciseTimer, &context_,
                       [this, task = std::move(task)] { Guarded(error_log_, component_, task); });
  }

 private:
  const ErrorLog& error_log_;
  std::string component_;
  QObject context_;
};

}  // namespace v7400
