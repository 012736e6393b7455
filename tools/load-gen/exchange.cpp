#include "exchange.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace loadgen {

namespace {

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

}  // namespace

Result Exchange::Run() {
  start_ = last_answer_ = Clock::now();
  while (MoreToSend() || !outstanding_.empty()) {
    SendDue();
    if (WaitReadable(link_, WaitMs())) Receive();
    Expire();
    // Deaf: frames go unanswered and nothing has come back for a long while.
    const bool idle =
        Clock::now() - last_answer_ > std::chrono::milliseconds(options_.idle_abort_ms);
    if (idle && timeouts_since_answer_ > 0) {
      result_.timed_out += static_cast<long>(outstanding_.size());
      result_.not_sent = options_.count - result_.sent;
      break;
    }
  }
  result_.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  return std::move(result_);
}

void Exchange::SendDue() {
  const auto now = Clock::now();
  std::vector<std::string> batch;
  while (MoreToSend() && static_cast<long>(outstanding_.size()) < Window() &&
         DueTime(result_.sent) <= now) {
    const std::string sequence = SequenceText(result_.sent + 1);
    if (outstanding_.count(sequence) != 0) break;  // its namesake is still unanswered
    batch.push_back(EventFrame(sequence, options_.line));
    outstanding_.emplace(sequence, now);
    order_.push_back({sequence, now});
    ++result_.sent;
  }
  if (!batch.empty() && !link_.SendAll(batch)) throw std::runtime_error("the link refused a frame");
}

int Exchange::WaitMs() const {
  const auto now = Clock::now();
  auto until = now + std::chrono::milliseconds(50);
  if (MoreToSend() && static_cast<long>(outstanding_.size()) < Window()) {
    until = std::min(until, DueTime(result_.sent));
  }
  if (!order_.empty()) {
    until =
        std::min(until, order_.front().sent_at + std::chrono::milliseconds(options_.timeout_ms));
  }
  if (until <= now) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(until - now).count());
}

void Exchange::Receive() {
  for (std::string& chunk : link_.ReadAvailable()) {
    if (!stream_) {
      Match(chunk);
      continue;
    }
    answers_.Append(chunk);
    while (auto frame = answers_.Next()) Match(*frame);
  }
}

void Exchange::Match(const std::string& answer) {
  const auto now = Clock::now();
  const auto sequence = SequenceOf(answer);
  const auto found = sequence ? outstanding_.find(*sequence) : outstanding_.end();
  if (found == outstanding_.end()) {
    ++result_.unexpected;
    return;
  }
  if (answer == AckFor(EventFrame(*sequence, options_.line))) {
    ++result_.answered;
    result_.latencies_us.push_back(Micros(now - found->second));
    last_answer_ = now;
    timeouts_since_answer_ = 0;
  } else {
    ++result_.wrong;
  }
  outstanding_.erase(found);
}

void Exchange::Expire() {
  const auto limit = Clock::now() - std::chrono::milliseconds(options_.timeout_ms);
  while (!order_.empty()) {
    const Pending& oldest = order_.front();
    const auto found = outstanding_.find(oldest.sequence);
    const bool live = found != outstanding_.end() && found->second == oldest.sent_at;
    if (live && oldest.sent_at > limit) break;
    if (live) {
      ++result_.timed_out;
      ++timeouts_since_answer_;
      outstanding_.erase(found);
    }
    order_.pop_front();
  }
}

}  // namespace loadgen
