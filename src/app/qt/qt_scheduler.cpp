#include "app/qt/qt_scheduler.h"

namespace v7400 {

QtScheduler::QtScheduler(const ErrorLog& error_log, std::string component, const Clock& clock)
    : error_log_(error_log), component_(std::move(component)), queue_(clock) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { RunDue(); });
}

bool QtScheduler::After(int delay_ms, std::function<void()> task) {
  const bool kept = queue_.Push(delay_ms, [this, task = std::move(task)] {
    Guarded(error_log_, component_, task);
  });
  if (kept) Arm();
  return kept;
}

std::size_t QtScheduler::RunAllNow() {
  timer_.stop();
  return queue_.RunAll();
}

void QtScheduler::Arm() {
  const std::optional<int> wait = queue_.MsToNext();
  if (!wait) {
    timer_.stop();
    return;
  }
  if (!timer_.isActive() || timer_.remainingTime() > *wait) timer_.start(*wait);
}

void QtScheduler::RunDue() {
  queue_.RunDue(kBatch);
  Arm();
}

}  // namespace v7400
