// Plays the receiver under load: sends SIA event frames to a target over UDP or a serial device
// and checks that every answer is the exact ACK for its frame.
//
//   load-gen udp <host> <port> <local-port> [options]
//   load-gen serial <device> [options]
// options: --mode stop|window|paced  --count N  --window W  --rate FRAMES_PER_S
//          --seconds S (stop sending after S seconds)  --timeout-ms MS  --idle-abort-ms MS
//          --line LL  --json
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "exchange.h"
#include "links.h"
#include "sia_exchange.h"

namespace {

using loadgen::Link;
using loadgen::Mode;
using loadgen::Options;
using loadgen::Result;

const char* ModeName(Mode mode) {
  return mode == Mode::kWindow ? "window" : mode == Mode::kPaced ? "paced" : "stop-and-wait";
}

void Print(const Options& options, bool json, Result& result) {
  const loadgen::LatencySummary latency = loadgen::Summarise(result.latencies_us);
  const double rate =
      result.seconds > 0 ? static_cast<double>(result.answered) / result.seconds : 0;
  const long lost = result.Lost();
  if (json) {
    std::printf(
        "{\"mode\":\"%s\",\"sent\":%ld,\"answered\":%ld,\"wrong\":%ld,\"unexpected\":%ld,"
        "\"timed_out\":%ld,\"not_sent\":%ld,\"lost\":%ld,\"seconds\":%.3f,\"frames_per_s\":%.1f,"
        "\"p50_us\":%.1f,\"p99_us\":%.1f,\"max_us\":%.1f}\n",
        ModeName(options.mode), result.sent, result.answered, result.wrong, result.unexpected,
        result.timed_out, result.not_sent, lost, result.seconds, rate, latency.p50_us,
        latency.p99_us, latency.max_us);
    return;
  }
  std::printf(
      "%s: %ld sent, %ld answered, %ld lost (%ld timed out, %ld wrong, %ld not sent), "
      "%ld unexpected\n%.0f frames/s over %.3f s; latency p50 %.1f us, p99 %.1f us, "
      "max %.1f us\n",
      ModeName(options.mode), result.sent, result.answered, lost, result.timed_out, result.wrong,
      result.not_sent, result.unexpected, rate, result.seconds, latency.p50_us, latency.p99_us,
      latency.max_us);
}

bool ParseOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                 bool& json) {
  const std::string& name = args[i];
  if (name == "--json") return json = true;
  if (i + 1 >= args.size()) return false;
  const std::string& value = args[++i];
  if (name == "--mode") {
    options.mode = value == "window"  ? Mode::kWindow
                   : value == "paced" ? Mode::kPaced
                                      : Mode::kStopAndWait;
    return value == "window" || value == "paced" || value == "stop";
  }
  if (name == "--count")
    options.count = std::atol(value.c_str());
  else if (name == "--window")
    options.window = std::atol(value.c_str());
  else if (name == "--rate")
    options.rate = std::atof(value.c_str());
  else if (name == "--seconds")
    options.seconds = std::atof(value.c_str());
  else if (name == "--timeout-ms")
    options.timeout_ms = std::atoi(value.c_str());
  else if (name == "--idle-abort-ms")
    options.idle_abort_ms = std::atoi(value.c_str());
  else if (name == "--line")
    options.line = value;
  else
    return false;
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
  bool json = false;
  for (std::size_t i = udp ? 4 : 2; i < args.size(); ++i) {
    if (!ParseOption(args, i, options, json)) return Usage();
  }
  try {
    std::unique_ptr<Link> link;
    if (udp)
      link = std::make_unique<loadgen::UdpLink>(args[1], args[2], std::atoi(argv[4]));
    else
      link = std::make_unique<loadgen::SerialLink>(args[1]);
    Result result = loadgen::Exchange(*link, serial, options).Run();
    Print(options, json, result);
    return result.answered == result.sent && result.not_sent == 0 ? 0 : 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "load-gen: %s\n", e.what());
    return 2;
  }
}
