// A number that is the whole of a text: no spaces, no leading '+', nothing after it, in range.
// Locale-free (std::from_chars); a '-' is taken only by signed and floating-point types.
#pragma once

#include <charconv>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace v7400 {

// The value of `text` when it is one number from `low` to `high` (both included); nothing for
// an empty text, trailing characters, a value that does not fit `T`, or one out of range
// (NaN too). `base` applies to integers only; floating point reads decimal, "1e3" included.
template <typename T>
std::optional<T> ParseWhole(std::string_view text, T low = std::numeric_limits<T>::lowest(),
                            T high = std::numeric_limits<T>::max(),
                            [[maybe_unused]] int base = 10) {
  static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>);
  const char* const first = text.data();
  const char* const last = text.data() + text.size();
  T value{};
  std::from_chars_result read{};
  if constexpr (std::is_floating_point_v<T>) {
    read = std::from_chars(first, last, value);
  } else {
    read = std::from_chars(first, last, value, base);
  }
  if (text.empty() || read.ec != std::errc() || read.ptr != last) return std::nullopt;
  if (!(value >= low && value <= high)) return std::nullopt;
  return value;
}

}  // namespace v7400
