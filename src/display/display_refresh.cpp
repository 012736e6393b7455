#include "display/display_refresh.h"

namespace v7400 {

std::optional<std::uint32_t> RefreshPacer::Changed(std::uint32_t now_ms) {
  if (scheduled_) return std::nullopt;
  scheduled_ = true;
  if (!last_refresh_) return 0u;
  // Unsigned difference: the tick wraps around at 2^32.
  const std::uint32_t since = now_ms - *last_refresh_;
  return since >= period_ms_ ? 0u : period_ms_ - since;
}

void RefreshPacer::Refreshed(std::uint32_t now_ms) {
  last_refresh_ = now_ms;
  scheduled_ = false;
}

}  // namespace v7400
