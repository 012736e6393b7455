// What the load tool and the bare responder share: the SIA event frames it sends, the exact
// ACK each one must get, cutting a byte stream into SIA frames, and latency figures.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loadgen {

// Sequence numbers 0001..9999 in turn; "0000" (NACK) and "AAAA" (never answered) are avoided.
std::string SequenceText(long index);

// An SIA event frame with the given sequence, receiver "01" and line.
std::string EventFrame(const std::string& sequence, const std::string& line);

// The ACK an automation computer gives to `frame`: its sequence, receiver and line fields
// under an empty data block. Empty when the frame is too short to carry them.
std::string AckFor(std::string_view frame);

// The sequence field of a frame or ACK, when it is long enough to hold one.
std::optional<std::string> SequenceOf(std::string_view frame);

// Cuts a byte stream into SIA frames by their declared length. Bytes that cannot start or
// finish a frame are skipped and counted, so one bad byte never stalls the stream.
class SiaStream {
 public:
  void Append(std::string_view bytes) { buffer_.append(bytes); }
  std::optional<std::string> Next();
  std::size_t Skipped() const { return skipped_; }

 private:
  std::string buffer_;
  std::size_t start_ = 0;
  std::size_t skipped_ = 0;
};

struct LatencySummary {
  double p50_us = 0;
  double p99_us = 0;
  double max_us = 0;
};

// Nearest-rank percentiles; all zero for no samples. Reorders `samples_us`.
LatencySummary Summarise(std::vector<double>& samples_us);

}  // namespace loadgen
