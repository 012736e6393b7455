#include "app/program_options.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "app/scenario_file.h"

namespace v7400 {

namespace {

template <std::string RunOptions::*kField>
std::string Text(const GivenOption& given, OptionReading& reading) {
  reading.options.*kField = given.value;
  return {};
}

template <bool RunOptions::*kField>
std::string Switch(const GivenOption&, OptionReading& reading) {
  reading.options.*kField = true;
  return {};
}

template <std::optional<std::string> LinkOptionTexts::*kField>
std::string Link(const GivenOption& given, OptionReading& reading) {
  reading.link.*kField = given.value;
  return {};
}

template <std::optional<std::string> OptionReading::*kField>
std::string Kept(const GivenOption& given, OptionReading& reading) {
  reading.*kField = given.value;
  return {};
}

template <std::vector<std::string> OptionReading::*kField>
std::string All(const GivenOption& given, OptionReading& reading) {
  reading.*kField = given.values;
  return {};
}

std::string ReadUserDir(const GivenOption&, OptionReading& reading) {
  reading.user_dir = true;
  return {};
}

std::string ReadCsvIgnored(const GivenOption& given, OptionReading& reading) {
  std::string error;
  const std::optional<bool> full = ParseCsvIgnored(given.value, error);
  if (!full) return "--csv-ignored: " + error;
  reading.options.csv_ignored_full = *full;
  return {};
}

std::string ReadFormat(const GivenOption& given, OptionReading& reading) {
  std::string error;
  reading.options.format = ParseFormatName(given.value, error);
  return reading.options.format ? std::string() : "--format: " + error;
}

std::string ReadAck(const GivenOption& given, OptionReading&) {
  std::string error;
  return CheckAckMode(given.value, error) ? std::string() : "--ack: " + error;
}

std::string ReadCount(const GivenOption& given, OptionReading& reading) {
  std::string error;
  reading.options.count = ParseFrameCount(given.value, error);
  return reading.options.count ? std::string() : "--count: " + error;
}

std::string ReadSeconds(const GivenOption& given, OptionReading& reading) {
  std::string error;
  reading.options.seconds = ParseRunSeconds(given.value, error);
  return reading.options.seconds ? std::string() : "--seconds: " + error;
}

std::string ReadProgress(const GivenOption&, OptionReading& reading) {
  reading.options.progress = ProgressMode::kOn;
  return {};
}

// After --progress in the table, so both given is seen here.
std::string ReadQuiet(const GivenOption&, OptionReading& reading) {
  if (reading.options.progress == ProgressMode::kOn) {
    return "--progress and --quiet contradict each other; give one";
  }
  reading.options.progress = ProgressMode::kOff;
  return {};
}

std::string ReadJunit(const GivenOption& given, OptionReading& reading) {
  reading.options.faults.junit_path = given.value;
  return {};
}

// After --junit in the table, so its file is known here.
std::string ReadJunitSuite(const GivenOption& given, OptionReading& reading) {
  reading.junit_suite = true;
  reading.options.faults.junit_suite = given.value;
  if (given.value.empty()) return "--junit-suite: the name is empty";
  if (reading.options.faults.junit_path.empty()) return "--junit-suite needs --junit";
  return {};
}

std::string ReadDebugPage(const GivenOption&, OptionReading& reading) {
  reading.options.faults.debug_page = true;
  return {};
}

constexpr OptionRow kOptionRows[] = {
    {"settings-dir", "DIR", "The folder that holds \"APSsets.sys\" (default: the working folder).",
     OptionScope::kBoth, &Text<&RunOptions::settings_dir>},
    {"user-dir", nullptr,
     "Works in the per-user folder $XDG_DATA_HOME/V7400 (~/.local/share/V7400), made on first "
     "use: it holds \"APSsets.sys\". The desktop menu starts the program so.",
     OptionScope::kBoth, &ReadUserDir},
    {"csv", "FILE", "Writes every frame in and out to FILE as CSV (also beside the window).",
     OptionScope::kBoth, &Text<&RunOptions::csv_path>},
    {"udp", "HOST PORT",
     "The link is UDP to the receiver at HOST (an IPv4 or IPv6 address) and PORT; with the "
     "options below, it takes the place of \"APSsets.sys\" for this run.",
     OptionScope::kBoth, &Link<&LinkOptionTexts::udp_host>},
    {"udp-port", "PORT", nullptr, OptionScope::kBoth, &Link<&LinkOptionTexts::udp_port>},
    {"local-port", "P", "With --udp: the UDP port the simulator listens on (default 10000).",
     OptionScope::kBoth, &Link<&LinkOptionTexts::local_port>},
    {"local-address", "A", "With --udp: the local address for an IPv6 link.", OptionScope::kBoth,
     &Link<&LinkOptionTexts::local_address>},
    {"key", "KEYSTRING",
     "With --udp: AES on, with this key string (32, 48 or 64 hex digits, as typed).",
     OptionScope::kBoth, &Link<&LinkOptionTexts::key>},
    {"serial", "DEVICE", "The link is the serial device DEVICE (a path such as /dev/ttyUSB0).",
     OptionScope::kBoth, &Link<&LinkOptionTexts::serial_device>},
    {"baud", "N", "With --serial: the bit rate (default 9600).", OptionScope::kBoth,
     &Link<&LinkOptionTexts::baud>},
    {"data-bits", "N", "With --serial: 7 or 8 (default 8).", OptionScope::kBoth,
     &Link<&LinkOptionTexts::data_bits>},
    {"parity", "P", "With --serial: none, odd, even, mark or space (default none).",
     OptionScope::kBoth, &Link<&LinkOptionTexts::parity>},
    {"stop-bits", "N", "With --serial: 1 or 2 (default 1).", OptionScope::kBoth,
     &Link<&LinkOptionTexts::stop_bits>},
    {"flow", "F", "With --serial: none, hardware, xon or both (default none).", OptionScope::kBoth,
     &Link<&LinkOptionTexts::flow>},
    {"csv-ignored", "MODE",
     "summary (default): an ignored datagram's row keeps the first 64 bytes of bytes_hex and "
     "its size; full: all of them.",
     OptionScope::kBoth, &ReadCsvIgnored},
    {"pcap", "FILE",
     "Writes every frame in and out to FILE as a pcapng capture for Wireshark (also beside "
     "the window).",
     OptionScope::kBoth, &Text<&RunOptions::pcap_path>},
    {"pcap-wire", nullptr,
     "With --pcap: a second interface holds the UDP datagrams as on the wire.", OptionScope::kBoth,
     &Switch<&RunOptions::pcap_wire>},
    {"headless", nullptr, "Runs without a window and without a display.", OptionScope::kBoth,
     &Switch<&RunOptions::headless>},
    {"format", "NAME",
     "The automation format, sia or 4100 (default: the stored preference); beside the window "
     "it sets the Format choice for this run.",
     OptionScope::kBoth, &ReadFormat},
    {"ack", "MODE", "auto: answers every frame; manual is refused (it needs the window).",
     OptionScope::kHeadlessOnly, &ReadAck},
    {"log", "FILE",
     "Writes the traffic log to FILE, as the window's \"Log\" does (also beside the "
     "window).",
     OptionScope::kBoth, &Text<&RunOptions::log_path>},
    {"count", "N",
     "Ends the run after N frames received, not counting the receiver's feedbacks to the "
     "commands sent (and once these have settled).",
     OptionScope::kHeadlessOnly, &ReadCount},
    {"seconds", "S", "Ends the run after S seconds.", OptionScope::kHeadlessOnly, &ReadSeconds},
    {"summary-json", "FILE",
     "Writes the summary to FILE as JSON (also beside the window, as it closes).",
     OptionScope::kBoth, &Text<&RunOptions::summary_json_path>},
    {"strict", nullptr,
     "Exit status 1 when the receiver failed: an event given up, a sequence number lost, an "
     "outage not delivered whole and in order, a frame NACKed for its own checksum or "
     "dropped. A fault made on purpose never fails the run.",
     OptionScope::kBoth, &Switch<&RunOptions::strict>},
    {"command", "KIND",
     "Sends a command once the link is open; repeatable, sent in order, each with its own "
     "--line: date, time, stop-audio, dtmf:DIGITS, CMD01 to CMD0E06, or CMD08 (remote "
     "programming).",
     OptionScope::kHeadlessOnly, &All<&OptionReading::command_kinds>},
    {"line", "NN", "The line (1 to 32) of the --command before it, date, time and stop-audio too.",
     OptionScope::kHeadlessOnly, &All<&OptionReading::command_lines>},
    {"progress", nullptr,
     "Shows the live progress line on standard error even when it is no terminal.",
     OptionScope::kHeadlessOnly, &ReadProgress},
    {"quiet", nullptr, "Shows no progress line.", OptionScope::kHeadlessOnly, &ReadQuiet},
    {"fault", "RULE",
     "Answers wrongly on purpose (repeatable; the first rule that matches a frame acts): "
     "FAULT[:SELECTOR...], FAULT one of nack, drop, delay=MS (or delay=uniform:LOW..HIGH, "
     "delay=lognormal:MEDIAN:SIGMA, delay=MS~JITTER, drawn per answer), duplicate, bad-crc, "
     "wrong-sequence[=NNNN], split, garbage=N; SELECTOR one of every=N, first=N, after=N, "
     "line=NN[,NN..], sequence=NNNN, p=0..1. Example: nack:every=5.",
     OptionScope::kBoth, &All<&OptionReading::fault_rules>},
    {"outage", "SECONDS",
     "SECONDS[@after=N]: answers nothing for SECONDS, beginning after N frames (default 0), "
     "as if switched off; frames are still received and recorded. Repeatable.",
     OptionScope::kBoth, &All<&OptionReading::outages>},
    {"seed", "S",
     "Seeds the random draws of p=, garbage= and the delay distributions, so a run can be "
     "repeated exactly.",
     OptionScope::kBoth, &Kept<&OptionReading::seed>},
    {"expect", "EXPR",
     "Judges the receiver by a figure of the report: NAME OP VALUE, OP one of =, <=, >=, <, >, "
     "or NAME=LOW..HIGH; times in ms or s; NAME[:N][@line=NN] one of first-repeat, "
     "retry-interval, attempts, repeats-after-ack, given-up, lost, nacked-own, dropped, "
     "events, outage-recovery, outage-first-after, outage-in-order, outage-whole. "
     "Repeatable; one failing gives exit status 1. Example: first-repeat=2500..3500ms.",
     OptionScope::kBoth, &All<&OptionReading::expectations>},
    {"scenario", "FILE",
     "Runs the test described in the TOML file FILE: its name, format, seed, link, timed "
     "phases of faults and outages, and expectations; the options given beside it add to "
     "the file's and take the place of its link.",
     OptionScope::kBoth, &Kept<&OptionReading::scenario>},
    {"junit", "FILE",
     "Writes the verdicts on the receiver to FILE as JUnit XML: the answers, per line nothing "
     "lost and nothing given up, each outage delivered whole and in order (also beside the "
     "window, as it closes).",
     OptionScope::kBoth, &ReadJunit},
    {"junit-suite", "NAME", "With --junit: the name of the test suite and class (default v7400).",
     OptionScope::kBoth, &ReadJunitSuite},
    {"debug-page", nullptr,
     "Shows the \"Debug testing\" page of the window, with its answer faults.",
     OptionScope::kWindowOnly, &ReadDebugPage},
    {"control", "PORT",
     "Listens for the live control over HTTP on [ADDRESS:]PORT (default address 127.0.0.1; "
     "[::1]:PORT for IPv6; port 0: any free one, said at start): status, faults, outages, "
     "report, events and Prometheus metrics.",
     OptionScope::kBoth, &Kept<&OptionReading::control>},
    {"control-token", "KEY",
     "With --control: every request must bring \"Authorization: Bearer KEY\"; needed for "
     "an address other than loopback.",
     OptionScope::kBoth, &Kept<&OptionReading::control_token>},
};

bool IsGiven(const GivenOptions& given, std::string_view name) {
  const auto row = std::ranges::find(kOptionRows, name, &OptionRow::name);
  const auto index = static_cast<std::size_t>(std::distance(std::begin(kOptionRows), row));
  return index < given.size() && given[index].has_value();
}

// An option given where it does not work: without --headless, or with it.
std::string ScopeRefusal(const GivenOptions& given) {
  const bool headless = IsGiven(given, "headless");
  for (std::size_t i = 0; i < std::min(given.size(), std::size(kOptionRows)); ++i) {
    if (!given[i]) continue;
    const OptionRow& row = kOptionRows[i];
    if (row.scope == OptionScope::kHeadlessOnly && !headless) {
      return "--" + std::string(row.name) + " works only with --headless";
    }
    if (row.scope == OptionScope::kWindowOnly && headless) {
      return "--" + std::string(row.name) + " needs the window";
    }
  }
  return {};
}

// Each --command with the --line given after it, in order.
std::string ReadCommands(OptionReading& reading) {
  if (reading.command_kinds.size() != reading.command_lines.size()) {
    return "each --command needs one --line";
  }
  std::string error;
  for (std::size_t i = 0; i < reading.command_kinds.size(); ++i) {
    const auto command =
        ParseCommandRequest(reading.command_kinds[i], reading.command_lines[i], error);
    if (!command) return "--command: " + error;
    reading.options.commands.push_back(*command);
  }
  return {};
}

// A scenario file adds to the options given beside it.
std::string ReadScenario(OptionReading& reading) {
  if (!reading.scenario) return {};
  std::string error;
  const auto file = ReadScenarioFile(*reading.scenario, error);
  if (!file) return "--scenario " + error;
  error = MergeScenario(*file, reading.options, reading.junit_suite);
  return error.empty() ? std::string() : "--scenario " + *reading.scenario + ": " + error;
}

// The checks that take several options together, in the order their refusals come.
std::string CheckTogether(OptionReading& reading) {
  RunOptions& options = reading.options;
  if (reading.user_dir && !options.settings_dir.empty()) {
    return "--user-dir and --settings-dir both name the settings folder; give one";
  }
  if (options.pcap_wire && options.pcap_path.empty()) return "--pcap-wire works only with --pcap";
  std::string refusal =
      ReadFaultOptions(reading.fault_rules, reading.outages, reading.seed, options.faults);
  if (refusal.empty()) refusal = ReadExpectations(reading.expectations, options.faults);
  if (refusal.empty()) refusal = ReadCommands(reading);
  if (!refusal.empty()) return refusal;
  options.link = ParseLinkOptions(reading.link, refusal);
  if (refusal.empty()) refusal = ReadScenario(reading);
  if (refusal.empty() && options.format) refusal = FormatRefusal(options, *options.format);
  if (refusal.empty()) {
    refusal = ReadControlOptions(reading.control, reading.control_token, options.control);
  }
  return refusal;
}

}  // namespace

std::span<const OptionRow> ProgramOptions() { return kOptionRows; }

std::string ReadProgramOptions(const GivenOptions& given,
                               const std::vector<std::string>& positional, OptionReading& reading) {
  if (std::string refusal = ScopeRefusal(given); !refusal.empty()) return refusal;
  for (std::size_t i = 0; i < std::min(given.size(), std::size(kOptionRows)); ++i) {
    if (!given[i]) continue;
    if (std::string refusal = kOptionRows[i].read(*given[i], reading); !refusal.empty()) {
      return refusal;
    }
  }
  if (std::string refusal = CheckTogether(reading); !refusal.empty()) return refusal;
  if (!positional.empty()) return "unexpected argument '" + positional.front() + "'";
  return OutputPathsProblem(reading.options);
}

}  // namespace v7400
