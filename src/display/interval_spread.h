// Times in milliseconds, kept in bounded memory: counts per millisecond up to a minute and per
// second above it, so the minimum, median and maximum are exact to 1 ms up to 60 s however many
// there are.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>

namespace v7400 {

class IntervalSpread {
 public:
  void Add(std::uint32_t ms) {
    const std::uint32_t key = ms <= kExactUpToMs ? ms : (ms + 500) / 1000 * 1000;
    ++counts_[key];
    if (count_ == 0 || ms < min_) min_ = ms;
    if (count_ == 0 || ms > max_) max_ = ms;
    ++count_;
  }
  void Merge(const IntervalSpread& other) {
    if (other.count_ == 0) return;
    for (const auto& [key, count] : other.counts_) counts_[key] += count;
    min_ = count_ == 0 ? other.min_ : std::min(min_, other.min_);
    max_ = count_ == 0 ? other.max_ : std::max(max_, other.max_);
    count_ += other.count_;
  }
  std::int64_t Count() const { return count_; }
  std::uint32_t Min() const { return min_; }
  std::uint32_t Max() const { return max_; }
  // The middle value (of an even count, the upper of the two middle ones).
  std::uint32_t Median() const {
    std::int64_t seen = 0;
    for (const auto& [key, count] : counts_) {
      seen += count;
      if (seen > count_ / 2) return key;
    }
    return max_;
  }
  // How many were at most `ms`: a histogram's bucket (exact to 1 ms up to a minute).
  std::int64_t CountAtMost(std::uint32_t ms) const {
    std::int64_t seen = 0;
    for (auto it = counts_.begin(); it != counts_.end() && it->first <= ms; ++it)
      seen += it->second;
    return seen;
  }
  // Their sum in milliseconds, as exact as the keys.
  std::uint64_t SumMs() const {
    std::uint64_t sum = 0;
    for (const auto& [key, count] : counts_)
      sum += std::uint64_t{key} * static_cast<std::uint64_t>(count);
    return sum;
  }

 private:
  static constexpr std::uint32_t kExactUpToMs = 60000;
  std::map<std::uint32_t, std::int64_t> counts_;
  std::int64_t count_ = 0;
  std::uint32_t min_ = 0;
  std::uint32_t max_ = 0;
};

}  // namespace v7400
