#include "display/display_refresh.h"

#include <algorithm>

namespace v7400 {

std::uint32_t RefreshPacer::PeriodMs() const {
  const std::uint64_t budget_ms = (std::uint64_t{cost_us_} * kRefreshShare + 999) / 1000;
  return static_cast<std::uint32_t>(
      std::clamp<std::uint64_t>(budget_ms, period_ms_, std::max(period_ms_, kSlowestRefreshMs)));
}

std::optional<std::uint32_t> RefreshPacer::Changed(std::uint32_t now_ms) {
  if (scheduled_) return std::nullopt;
  scheduled_ = true;
  if (!last_refresh_) return 0u;
  // Unsigned difference: the tick wraps around at 2^32.
  const std::uint32_t since = now_ms - *last_refresh_;
  const std::uint32_t period = PeriodMs();
  return since >= period ? 0u : period - since;
}

void RefreshPacer::Refreshed(std::uint32_t now_ms) {
  last_refresh_ = now_ms;
  scheduled_ = false;
}

}  // namespace v7400
