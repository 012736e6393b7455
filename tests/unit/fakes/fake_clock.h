#pragma once

#include "core/clock.h"

namespace v7400::testing {

class FakeClock : public Clock {
 public:
  LocalTime Now() const override { return now; }
  std::uint32_t TickMs() const override { return tick; }

  LocalTime now{2012, 3, 15, 14, 5, 9, 0};
  std::uint32_t tick = 0;
};

}  // namespace v7400::testing
