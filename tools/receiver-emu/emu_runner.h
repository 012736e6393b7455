// The receiver's send loop: one event in flight at a time, each waited for with a time-out and
// retried as a receiver does, while commands from the simulator are answered as they come.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>

#include "command_replies.h"
#include "emu_link.h"
#include "emu_stats.h"
#include "event_frames.h"

namespace v7400::emu {

class EmuRunner {
 public:
  using Clock = std::chrono::steady_clock;

  EmuRunner(const EmuOptions& options, EmuLink& link, const std::atomic<bool>& stop);

  // Runs until the count is sent and answered (and the linger time is over), or until stopped.
  EmuStats Run();

 private:
  struct InFlight {
    EventFrame frame;
    Clock::time_point sent_at;
    Clock::time_point deadline;
    int attempts = 0;
    std::vector<double> sent_ms;  // from the start, for the report
  };

  bool EventsLeft() const;
  void SendNextIfDue(Clock::time_point now);
  void Transmit(InFlight& flight, Clock::time_point now);
  void OnTimeout(Clock::time_point now);
  void OnFrame(const std::string& frame, Clock::time_point now);
  void OnAnswer(const std::string& frame, Clock::time_point now);
  int PollMillis(Clock::time_point now) const;
  void ShowProgress(Clock::time_point now);
  // The event in flight is done with: listed with its attempts, then let go.
  void Finish(const char* outcome);

  const EmuOptions& options_;
  EmuLink& link_;
  const std::atomic<bool>& stop_;
  EventSource events_;
  CommandReplies replies_;
  EmuStats stats_;
  std::optional<InFlight> in_flight_;
  std::string last_ack_;  // a repeat of it is a late answer to a retried event
  long long generated_ = 0;
  long long paced_ = 0;  // frames sent under --rate, events and reports
  Clock::time_point start_;
  Clock::time_point next_due_;
  Clock::time_point last_progress_;
};

}  // namespace v7400::emu
