// Plays the receiver under load: sends SIA event frames to a target over UDP or a serial device
// and checks that every answer is the exact ACK for its frame.
//
//   load-gen udp <host> <port> <local-port> [options]
//   load-gen serial <device> [options]
// options: --mode stop|window|paced  --count N  --window W  --rate FRAMES_PER_S
//          --seconds S (stop sending after S seconds)  --timeout-ms MS  --idle-abort-ms MS
//          --line LL  --json
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "links.h"
#include "sia_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;
using loadgen::Link;

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
  bool json = false;
};

struct Result {
  long sent = 0;
  long answered = 0;  // the exact ACK, in time
  long wrong = 0;     // an answer for an outstanding frame that is not its ACK
  long unexpected = 0;  // answers for no outstanding frame: late, repeated or garbage
  long timed_out = 0;
  long not_sent = 0;  // left when the target stopped answering altogether
  double seconds = 0;
  std::vector<double> latencies_us;
};

struct Pending {
  std::string sequence;
  Clock::time_point sent_at;
};

double Micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

class Exchange {
 public:
  Exchange(Link& link, bool stream, const Options& options)
      : link_(link), stream_(stream), options_(options) {}

  Result Run();

 private:
  long Window() const {
    return options_.mode == Mode::kWindow ? options_.window
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
  loadgen::SiaStream answers_;
  std::deque<Pending> order_;  // send order, answered entries removed lazily
  std::unordered_map<std::string, Clock::time_point> outstanding_;
  Clock::time_point start_;
  Clock::time_point last_answer_;
  long timeouts_since_answer_ = 0;
};

Result Exchange::Run() {
  start_ = last_answer_ = Clock::now();
  while (MoreToSend() || !outstanding_.empty()) {
    SendDue();
    if (loadgen::WaitReadable(link_, WaitMs())) Receive();
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
    const std::string sequence = loadgen::SequenceText(result_.sent + 1);
    if (outstanding_.count(sequence) != 0) break;  // its namesake is still unanswered
    batch.push_back(loadgen::EventFrame(sequence, options_.line));
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
    until = std::min(until, order_.front().sent_at + std::chrono::milliseconds(options_.timeout_ms));
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
  const auto sequence = loadgen::SequenceOf(answer);
  const auto found = sequence ? outstanding_.find(*sequence) : outstanding_.end();
  if (found == outstanding_.end()) {
    ++result_.unexpected;
    return;
  }
  if (answer == loadgen::AckFor(loadgen::EventFrame(*sequence, options_.line))) {
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

const char* ModeName(Mode mode) {
  return mode == Mode::kWindow ? "window" : mode == Mode::kPaced ? "paced" : "stop-and-wait";
}

void Print(const Options& options, Result& result) {
  const loadgen::LatencySummary latency = loadgen::Summarise(result.latencies_us);
  const double rate = result.seconds > 0 ? static_cast<double>(result.answered) / result.seconds : 0;
  const long lost = result.timed_out + result.wrong + result.not_sent;
  if (options.json) {
    std::printf(
        "{\"mode\":\"%s\",\"sent\":%ld,\"answered\":%ld,\"wrong\":%ld,\"unexpected\":%ld,"
        "\"timed_out\":%ld,\"not_sent\":%ld,\"lost\":%ld,\"seconds\":%.3f,\"frames_per_s\":%.1f,"
        "\"p50_us\":%.1f,\"p99_us\":%.1f,\"max_us\":%.1f}\n",
        ModeName(options.mode), result.sent, result.answered, result.wrong, result.unexpected,
        result.timed_out, result.not_sent, lost, result.seconds, rate, latency.p50_us,
        latency.p99_us, latency.max_us);
    return;
  }
  std::printf("%s: %ld sent, %ld answered, %ld lost (%ld timed out, %ld wrong, %ld not sent), "
              "%ld unexpected\n%.0f frames/s over %.3f s; latency p50 %.1f us, p99 %.1f us, "
              "max %.1f us\n",
              ModeName(options.mode), result.sent, result.answered, lost, result.timed_out,
              result.wrong, result.not_sent, result.unexpected, rate, result.seconds,
              latency.p50_us, latency.p99_us, latency.max_us);
}

bool ParseOption(const std::vector<std::string>& args, std::size_t& i, Options& options) {
  const std::string& name = args[i];
  if (name == "--json") return options.json = true;
  if (i + 1 >= args.size()) return false;
  const std::string& value = args[++i];
  if (name == "--mode") {
    options.mode = value == "window" ? Mode::kWindow : value == "paced" ? Mode::kPaced
                                                                        : Mode::kStopAndWait;
    return value == "window" || value == "paced" || value == "stop";
  }
  if (name == "--count") options.count = std::atol(value.c_str());
  else if (name == "--window") options.window = std::atol(value.c_str());
  else if (name == "--rate") options.rate = std::atof(value.c_str());
  else if (name == "--seconds") options.seconds = std::atof(value.c_str());
  else if (name == "--timeout-ms") options.timeout_ms = std::atoi(value.c_str());
  else if (name == "--idle-abort-ms") options.idle_abort_ms = std::atoi(value.c_str());
  else if (name == "--line") options.line = value;
  else return false;
  return options.count >= 0 && options.window > 0 && options.rate > 0 && options.line.size() == 2;
}

int Usage() {
  std::fprintf(stderr,
               "usage: load-gen udp <host> <port> <local-port> [options]\n"
               "       load-gen serial <device> [options]\n"
               "options: --mode stop|window|paced --count N --window W --rate N\n"
               "         --seconds S --timeout-ms MS --idle-abort-ms MS --line LL --json\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool udp = args.size() >= 4 && args[0] == "udp";
  const bool serial = args.size() >= 2 && args[0] == "serial";
  if (!udp && !serial) return Usage();
  Options options;
  for (std::size_t i = udp ? 4 : 2; i < args.size(); ++i) {
    if (!ParseOption(args, i, options)) return Usage();
  }
  try {
    std::unique_ptr<Link> link;
    if (udp) link = std::make_unique<loadgen::UdpLink>(args[1], args[2], std::atoi(argv[4]));
    else link = std::make_unique<loadgen::SerialLink>(args[1]);
    Result result = Exchange(*link, serial, options).Run();
    Print(options, result);
    return result.answered == result.sent && result.not_sent == 0 ? 0 : 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "load-gen: %s\n", e.what());
    return 2;
  }
}
