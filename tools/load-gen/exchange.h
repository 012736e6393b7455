// One run of the receiver's side of the exchange: frames out on a link, each answer matched to
// the frame it names and checked byte for byte against that frame's ACK.
#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "links.h"
#include "sia_exchange.h"

namespace loadgen {

using Clock = std::chrono::steady_clock;

enum class Mode { kStopAndWait, kWindow, kPaced };

struct Options {
  Mode mode = Mode::kStopAndWait;
  long count = 10000;
  long window = 32;
  double rate = 1000;
  double seconds = 0;  // 0: no time limit
  int timeout_ms = 1000;
  int idle_abort_ms = 3000;
  std::string line = "05";
};

struct Result {
  long sent = 0;
  long answered = 0;    // the exact ACK, in time
  long wrong = 0;       // an answer for an outstanding frame that is not its ACK
  long unexpected = 0;  // answers for no outstanding frame: late, repeated or garbage
  long timed_out = 0;
  long not_sent = 0;  // left when the target stopped answering altogether
  double seconds = 0;
  std::vector<double> latencies_us;

  long Lost() const { return timed_out + wrong + not_sent; }
};

struct Pending {
  std::string sequence;
  Clock::time_point sent_at;
};

class Exchange {
 public:
  Exchange(Link& link, bool stream, const Options& options)
      : link_(link), stream_(stream), options_(options) {}

  Result Run();

 private:
  long Window() const {
    return options_.mode == Mode::kWindow  ? options_.window
           : options_.mode == Mode::kPaced ? 1L << 30
                                           : 1;
  }
  Clock::time_point DueTime(long index) const {
    if (options_.mode != Mode::kPaced) return start_;
    return start_ + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(index) / options_.rate));
  }
  bool MoreToSend() const {
    return result_.sent < options_.count &&
           (options_.seconds <= 0 ||
            Clock::now() - start_ < std::chrono::duration<double>(options_.seconds));
  }
  void SendDue();
  void Receive();
  void Match(const std::string& answer);
  void Expire();
  int WaitMs() const;

  Link& link_;
  bool stream_;
  const Options& options_;
  Result result_;
  SiaStream answers_;
  std::deque<Pending> order_;  // send order, answered entries removed lazily
  std::unordered_map<std::string, Clock::time_point> outstanding_;
  Clock::time_point start_;
  Clock::time_point last_answer_;
  long timeouts_since_answer_ = 0;
};

}  // namespace loadgen
