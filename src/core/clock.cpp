#include "core/clock.h"

#include <chrono>
#include <ctime>

namespace v7400 {

LocalTime SystemClock::Now() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
      1000000;
  if (seconds != cached_second_) {
    std::tm parts{};
    localtime_r(&seconds, &parts);
    cached_ = LocalTime{parts.tm_year + 1900,
                        parts.tm_mon + 1,
                        parts.tm_mday,
                        parts.tm_hour,
                        parts.tm_min,
                        parts.tm_sec,
                        0,
                        static_cast<int>(parts.tm_gmtoff / 60)};
    cached_second_ = seconds;
  }
  LocalTime time = cached_;
  time.millisecond = static_cast<int>(us / 1000);
  time.microsecond = static_cast<int>(us % 1000);
  return time;
}

std::uint32_t SystemClock::TickMs() const {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace v7400
