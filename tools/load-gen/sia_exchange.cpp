#include "sia_exchange.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "codec/frame.h"

namespace loadgen {

namespace {

constexpr std::size_t kHeaderSize = 7;   // start byte, four CRC digits, two length digits
constexpr std::size_t kAddressEnd = 16;  // sequence, receiver and line end at position 16

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string SequenceText(long index) {
  char text[8];
  std::snprintf(text, sizeof text, "%04ld", (index - 1) % 9999 + 1);
  return text;
}

std::string EventFrame(const std::string& sequence, const std::string& line) {
  return v7400::WrapSiaBody("\t" + sequence + "01" + line + "[#1234|NBA05]");
}

std::string AckFor(std::string_view frame) {
  if (frame.size() < kAddressEnd) return {};
  return v7400::WrapSiaBody("\t" + std::string(frame.substr(8, 8)) + "[]");
}

std::optional<std::string> SequenceOf(std::string_view frame) {
  if (frame.size() < 12) return std::nullopt;
  return std::string(frame.substr(8, 4));
}

std::optional<std::string> SiaStream::Next() {
  for (;;) {
    const std::size_t start = buffer_.find(v7400::kSiaStart, start_);
    if (start == std::string::npos) {
      skipped_ += buffer_.size() - start_;
      buffer_.clear();
      start_ = 0;
      return std::nullopt;
    }
    skipped_ += start - start_;
    start_ = start;
    if (buffer_.size() - start_ < kHeaderSize) break;
    const int high = HexDigit(buffer_[start_ + 5]);
    const int low = HexDigit(buffer_[start_ + 6]);
    if (high < 0 || low < 0) {
      ++start_;
      ++skipped_;
      continue;
    }
    const std::size_t total = kHeaderSize + static_cast<std::size_t>(high * 16 + low) + 1;
    if (buffer_.size() - start_ < total) break;
    if (buffer_[start_ + total - 1] != v7400::kSiaEnd) {
      ++start_;
      ++skipped_;
      continue;
    }
    std::string frame = buffer_.substr(start_, total);
    start_ += total;
    return frame;
  }
  // Keep only the unfinished tail so the buffer does not grow with the stream.
  buffer_.erase(0, start_);
  start_ = 0;
  return std::nullopt;
}

LatencySummary Summarise(std::vector<double>& samples_us) {
  LatencySummary summary;
  if (samples_us.empty()) return summary;
  const auto rank = [&](double share) {
    const auto n = static_cast<double>(samples_us.size());
    const auto k = static_cast<std::size_t>(std::max(1.0, std::ceil(share * n))) - 1;
    std::nth_element(samples_us.begin(), samples_us.begin() + static_cast<long>(k),
                     samples_us.end());
    return samples_us[k];
  };
  summary.p50_us = rank(0.50);
  summary.p99_us = rank(0.99);
  summary.max_us = *std::max_element(samples_us.begin(), samples_us.end());
  return summary;
}

}  // namespace loadgen
