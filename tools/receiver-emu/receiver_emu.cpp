// receiver-emu: plays the receiver's side of the link against the simulator. Sends events,
// checks each answer byte for byte, answers the simulator's commands, and reports counts,
// ACK latency and throughput. Run with --help for the arguments.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "emu_link.h"
#include "emu_options.h"
#include "emu_runner.h"
#include "transport/key_string_mask.h"

namespace {

std::atomic<bool> g_stop{false};

void RequestStop(int) { g_stop = true; }

constexpr int kBadArguments = 2;
constexpr int kLinkFailed = 3;

}  // namespace

int main(int argc, char** argv) {
  using namespace v7400::emu;
  const ParseResult parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  // The form of a key string that line 14 of "APSsets.sys" holds, for settings written by hand.
  if (argc == 3 && std::string(argv[1]) == "--masked-key") {
    const ParseResult key = ParseOptions({"--udp", "localhost", "1", "--key", argv[2]});
    if (!key.options) {
      std::fprintf(stderr, "receiver-emu: %s\n", key.error.c_str());
      return kBadArguments;
    }
    std::printf("%s\n", v7400::MaskKeyString(argv[2]).c_str());
    return 0;
  }
  if (parsed.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (!parsed.options) {
    std::fprintf(stderr, "receiver-emu: %s\n%s", parsed.error.c_str(), UsageText().c_str());
    return kBadArguments;
  }
  const EmuOptions& options = *parsed.options;
  std::string error;
  const std::unique_ptr<EmuLink> link = OpenLink(options, error);
  if (!link) {
    std::fprintf(stderr, "receiver-emu: %s\n", error.c_str());
    return kLinkFailed;
  }
  // The pty's name is what the simulator needs, so it goes to standard output first.
  if (options.link == LinkKind::kPty) {
    std::printf("%s\n", link->DeviceName().c_str());
  } else if (!options.json) {
    std::fprintf(stderr, "receiver-emu: %s\n", link->Description().c_str());
  }
  std::fflush(stdout);
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGPIPE, SIG_IGN);

  EmuOptions run_options = options;
  // People at a terminal see live progress; scripts and --json get the report alone.
  run_options.progress = options.progress || (!options.json && isatty(STDERR_FILENO));
  EmuRunner runner(run_options, *link, g_stop);
  const EmuStats stats = runner.Run();
  std::fputs((options.json ? JsonReport(stats) : TextReport(stats)).c_str(), stdout);
  return stats.Clean() ? 0 : 1;
}
