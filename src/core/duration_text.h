// Lengths of time as a person writes them: "2500ms", "2.5s", "30s". Locale-free.
#pragma once

#include <optional>
#include <string_view>

#include "core/parse_whole.h"

namespace v7400 {

// "ms" or "s" when `text` ends in one, else empty.
inline std::string_view DurationUnit(std::string_view text) {
  if (text.ends_with("ms")) return "ms";
  if (text.ends_with("s")) return "s";
  return {};
}

// Milliseconds, not negative; a number without a unit is taken in `unit` ("ms" or "s").
inline std::optional<double> DurationMs(std::string_view text, std::string_view unit = "ms") {
  const std::string_view own = DurationUnit(text);
  text.remove_suffix(own.size());
  const double scale = (own.empty() ? unit : own) == "s" ? 1000 : 1;
  const auto value = ParseWhole<double>(text, 0);
  if (!value) return std::nullopt;
  return *value * scale;
}

}  // namespace v7400
