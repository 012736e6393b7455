#include "emu_runner.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>

namespace v7400::emu {
namespace {

double Millis(EmuRunner::Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

EmuRunner::EmuRunner(const EmuOptions& options, EmuLink& link, const std::atomic<bool>& stop)
    : options_(options), link_(link), stop_(stop), events_(options), replies_(options) {}

bool EmuRunner::EventsLeft() const { return options_.count == 0 || generated_ < options_.count; }

void EmuRunner::Transmit(InFlight& flight, Clock::time_point now) {
  // A retry goes out intact: the receiver repeats the frame, not the fault.
  if (flight.attempts > 0 && flight.frame.spoiled) {
    flight.frame.bytes = flight.frame.intact;
    flight.frame.spoiled = false;
  }
  link_.Send(flight.frame.bytes);
  ++stats_.sent;
  ++flight.attempts;
  flight.sent_ms.push_back(Millis(now - start_));
  flight.sent_at = now;
  flight.deadline = now + std::chrono::milliseconds(options_.timeout_ms);
}

void EmuRunner::SendNextIfDue(Clock::time_point now) {
  if (in_flight_ || now < start_ || now < next_due_) return;
  InFlight flight;
  if (replies_.HasReport()) {
    const PendingReport report = replies_.TakeReport();
    flight.frame = events_.Report(report.line, report.data);
  } else if (EventsLeft()) {
    flight.frame = events_.Next();
    ++generated_;
  } else {
    return;
  }
  // Reports keep to the rate as events do: a recycling cycle would otherwise run flat out.
  if (options_.rate > 0) {
    ++paced_;
    next_due_ = start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                             static_cast<double>(paced_) / options_.rate));
  }
  ++stats_.events;
  in_flight_ = std::move(flight);
  Transmit(*in_flight_, now);
}

void EmuRunner::OnTimeout(Clock::time_point now) {
  if (in_flight_->frame.expect_silence) {
    ++stats_.silent_ok;
    Finish("silent");
    return;
  }
  ++stats_.timed_out;
  if (in_flight_->attempts > options_.retries) {
    ++stats_.lost;
    Finish("gave up");
    return;
  }
  Transmit(*in_flight_, now);
}

void EmuRunner::OnAnswer(const std::string& frame, Clock::time_point now) {
  // A second ACK of a retried frame is late, unless it is also what the frame now in flight
  // waits for: every "4100" ACK is the same byte, so it cannot be told apart.
  const bool awaited = in_flight_ && frame == events_.ExpectedAck(in_flight_->frame);
  if (!last_ack_.empty() && frame == last_ack_ && !awaited) {
    ++stats_.late;
    return;
  }
  if (!in_flight_) {
    ++stats_.unexpected;
    return;
  }
  InFlight& flight = *in_flight_;
  if (!flight.frame.expect_silence && frame == events_.ExpectedAck(flight.frame)) {
    ++stats_.acked;
    stats_.latencies_ms.push_back(Millis(now - flight.sent_at));
    last_ack_ = flight.attempts > 1 ? frame : std::string();
    Finish("acked");
  } else if (!flight.frame.expect_silence && frame == events_.ExpectedNack(flight.frame)) {
    ++stats_.nacked;
    if (flight.attempts > options_.retries) {
      ++stats_.lost;
      Finish("gave up");
    } else {
      Transmit(flight, now);
    }
  } else {
    ++stats_.unexpected;
  }
}

void EmuRunner::Finish(const char* outcome) {
  if (stats_.attempts.size() < kListedEvents) {
    stats_.attempts.push_back({in_flight_->frame.line, in_flight_->frame.sequence,
                               std::move(in_flight_->sent_ms), outcome});
  }
  in_flight_.reset();
}

void EmuRunner::OnFrame(const std::string& frame, Clock::time_point now) {
  const Incoming in = Classify(frame, options_.format);
  if (in.kind == IncomingKind::kCommand) {
    const std::string acceptance = replies_.OnCommand(in);
    if (!acceptance.empty()) {
      link_.Send(acceptance);
      ++stats_.accepted;
    }
    stats_.commands = replies_.CommandsByKind();
  } else {
    OnAnswer(frame, now);
  }
}

int EmuRunner::PollMillis(Clock::time_point now) const {
  Clock::time_point wake = now + std::chrono::milliseconds(200);
  if (in_flight_) wake = std::min(wake, in_flight_->deadline);
  if (!in_flight_ && (EventsLeft() || replies_.HasReport())) wake = std::min(wake, next_due_);
  return std::max(
      0, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wake - now).count()));
}

void EmuRunner::ShowProgress(Clock::time_point now) {
  if (!options_.progress || now - last_progress_ < std::chrono::milliseconds(200)) return;
  last_progress_ = now;
  stats_.elapsed_s = std::chrono::duration<double>(now - start_).count();
  std::fputs(ProgressLine(stats_).c_str(), stderr);
  std::fflush(stderr);
}

EmuStats EmuRunner::Run() {
  // Time counts from the first event, after the start delay.
  start_ = next_due_ = last_progress_ =
      Clock::now() + std::chrono::milliseconds(options_.start_delay_ms);
  std::optional<Clock::time_point> linger_until;
  while (!stop_) {
    Clock::time_point now = Clock::now();
    SendNextIfDue(now);
    const bool done = !in_flight_ && !EventsLeft() && !replies_.HasReport();
    if (done) {
      if (!linger_until) stats_.elapsed_s = std::chrono::duration<double>(now - start_).count();
      if (!linger_until) linger_until = now + std::chrono::milliseconds(options_.linger_ms);
      if (now >= *linger_until) break;
    }
    pollfd p{link_.Fd(), POLLIN, 0};
    const int wait =
        done ? std::min<int>(
                   200,
                   static_cast<int>(
                       std::chrono::ceil<std::chrono::milliseconds>(*linger_until - now).count()))
             : PollMillis(now);
    poll(&p, 1, wait);
    now = Clock::now();
    for (const std::string& frame : link_.ReadFrames()) OnFrame(frame, now);
    if (in_flight_ && now >= in_flight_->deadline) OnTimeout(now);
    ShowProgress(now);
  }
  if (!linger_until)
    stats_.elapsed_s = std::chrono::duration<double>(Clock::now() - start_).count();
  if (options_.progress) std::fputs("\n", stderr);
  return stats_;
}

}  // namespace v7400::emu
