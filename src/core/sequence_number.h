// The receiver numbers its frames once for the whole link: 0001 to 9999, then 0001 again. Steps
// along that numbering are taken the short way round, so 9998 -> 0002 is a wrap of four, while
// 0108 -> 0011 is a step back (a late or resent frame), not a wrap of 9902.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace v7400 {

inline constexpr int kSequenceCycle = 9999;

// The number of a four-digit field "0001" to "9999"; nothing for "AAAA", "0000" or any other text.
inline std::optional<int> SequenceNumber(std::string_view field) {
  if (field.size() != 4) return std::nullopt;
  int value = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1) return std::nullopt;
  return value;
}

// The step from `from` to `to`, in (-kSequenceCycle / 2, kSequenceCycle / 2].
inline int SequenceStep(int from, int to) {
  int step = (to - from) % kSequenceCycle;
  if (step > kSequenceCycle / 2) step -= kSequenceCycle;
  if (step <= -(kSequenceCycle + 1) / 2) step += kSequenceCycle;
  return step;
}

// Sequence numbers laid out on an endless line: each number is placed the short way round from
// the newest one placed so far, so positions keep their order across every wrap.
class SequenceLine {
 public:
  // The position of `sequence` (1 to 9999); the first one placed is at its own number.
  std::int64_t Place(int sequence) {
    if (!newest_) {
      newest_ = sequence;
      return *newest_;
    }
    const std::int64_t position = *newest_ + SequenceStep(NumberAt(*newest_), sequence);
    if (position > *newest_) newest_ = position;
    return position;
  }
  std::optional<std::int64_t> Newest() const { return newest_; }
  // The sequence number at `position`.
  static int NumberAt(std::int64_t position) {
    const auto n =
        static_cast<int>(((position - 1) % kSequenceCycle + kSequenceCycle) % kSequenceCycle);
    return n + 1;
  }

 private:
  std::optional<std::int64_t> newest_;
};

}  // namespace v7400
