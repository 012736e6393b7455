// When the windows catch up with the display stores. Entries are stored and logged the moment
// they arrive; the lists, the auto scroll and the status panels follow at most once per period,
// and at once after a quiet spell, so a flood costs a few dozen repaints a second while a trickle
// still shows each frame as it comes. Where catching up is slow (a slow machine, a remote
// display) the period stretches, so that repainting never takes more than a small share of the
// thread that answers the frames.
#pragma once

#include <cstdint>
#include <optional>

namespace v7400 {

inline constexpr std::uint32_t kDisplayRefreshMs = 33;
// Catching up may take one part in this many of the time. A frame that arrives while the window
// repaints waits for it, so this share is about the share of frames held up by painting: under
// one in a hundred keeps painting out of the 99th percentile of the answer time.
inline constexpr std::uint32_t kRefreshShare = 200;
inline constexpr std::uint32_t kSlowestRefreshMs = 1000;

class RefreshPacer {
 public:
  explicit RefreshPacer(std::uint32_t period_ms = kDisplayRefreshMs) : period_ms_(period_ms) {}

  // Something changed at `now_ms`: the delay after which to refresh, or nothing when a refresh
  // is already on its way.
  std::optional<std::uint32_t> Changed(std::uint32_t now_ms);
  // The windows caught up at `now_ms`.
  void Refreshed(std::uint32_t now_ms);
  // What the last refresh cost, bringing the windows up to date and repainting them.
  void Spent(std::uint32_t cost_us) { cost_us_ = cost_us; }

 private:
  std::uint32_t PeriodMs() const;

  std::uint32_t period_ms_;
  std::uint32_t cost_us_ = 0;
  std::optional<std::uint32_t> last_refresh_;
  bool scheduled_ = false;
};

}  // namespace v7400
