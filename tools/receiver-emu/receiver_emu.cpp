// receiver-emu: plays the receiver's side of the link against the simulator. Sends events,
// checks each answer byte for byte, answers the simulator's commands, and reports counts,
// ACK latency and throughput. Run with --help for the arguments.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
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

// The simulator finds COMn's device in its preference file, group [Ports]; COM8 is the name
// least likely to stand for a real port already.
void PrintPortPreference(const std::string& device) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::string file = (config != nullptr && *config != '\0')
                               ? std::string(config)
                               : std::string(home != nullptr ? home : "~") + "/.config";
  std::fprintf(stderr,
               "receiver-emu: to reach it as COM8, put this line under [Ports] in %s/Corvane/"
               "V7400.conf, then start the simulator and choose COM8 in Settings:\n"
               "COM8=%s\n",
               file.c_str(), device.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace v7400::emu;
  const ParseResult parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (!parsed.version.empty()) {
    std::printf("%s\n", parsed.version.c_str());
    return 0;
  }
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "receiver-emu: %s; try --help\n", parsed.error.c_str());
    return kBadArguments;
  }
  // The form of a key string that line 14 of "APSsets.sys" holds, for settings written by hand.
  if (!parsed.masked_key.empty()) {
    std::printf("%s\n", v7400::MaskKeyString(parsed.masked_key).c_str());
    return 0;
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
    std::fflush(stdout);
    PrintPortPreference(link->DeviceName());
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
