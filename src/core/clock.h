// Time of day, date and the millisecond tick, behind an interface so tests can fix the time.
#pragma once

#include <cstdint>

namespace v7400 {

struct LocalTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int utc_offset_minutes = 0;  // east of UTC
  // Within the millisecond, 0 to 999: the capture's time stamps; 0 from a clock without them.
  int microsecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
  // Milliseconds since some fixed moment; wraps around at 2^32.
  virtual std::uint32_t TickMs() const = 0;
};

// The machine's local time and a monotonic tick.
class SystemClock : public Clock {
 public:
  LocalTime Now() const override;
  std::uint32_t TickMs() const override;

 private:
  // Every frame is stamped: the calendar fields are worked out once per second.
  mutable std::int64_t cached_second_ = -1;
  mutable LocalTime cached_{};
};

}  // namespace v7400
