// What the command line asks of one run: where the settings live, the link, the format, the
// files and the answer faults, and for a run without a window its end condition and the
// commands to send. Plain values; app/program_options.h reads them, and the checks below turn
// each text into a value or a one-line refusal.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/control_options.h"
#include "app/error_log.h"
#include "app/fault_options.h"
#include "core/simulator_state.h"
#include "display/traffic_csv.h"
#include "transport/link_options.h"
#include "display/traffic_pcap.h"

namespace v7400 {

// The about box's version.
inline constexpr char kProgramVersion[] = "3.00";

// The live progress line: only at a terminal, always (--progress), or never (--quiet).
enum class ProgressMode { kAtTerminal, kOn, kOff };

struct RunOptions {
  std::string settings_dir;  // empty: the working directory
  std::string csv_path;
  std::string pcap_path;
  bool pcap_wire = false;  // a second capture interface with the datagrams as on the wire
  bool headless = false;
  std::optional<AutomationFormat> format;
  std::string log_path;
  std::string summary_json_path;
  std::optional<long long> count;
  std::optional<double> seconds;
  bool strict = false;
  std::vector<TCommand> commands;
  std::optional<GivenLink> link;  // --udp or --serial: no settings file for this run
  ProgressMode progress = ProgressMode::kAtTerminal;
  bool csv_ignored_full = false;  // --csv-ignored full
  FaultOptions faults;
  std::optional<ControlOptions> control;  // --control: the live control listens
};

// The longest --seconds: what a millisecond timer can count (about 24 days).
inline constexpr double kMaxRunSeconds = 2000000;

// Each check returns the value, or sets `error` to what is wrong with the text.
std::optional<AutomationFormat> ParseFormatName(const std::string& text, std::string& error);
std::optional<long long> ParseFrameCount(const std::string& text, std::string& error);
std::optional<double> ParseRunSeconds(const std::string& text, std::string& error);
// "--csv-ignored": "summary" (false) or "full" (true).
std::optional<bool> ParseCsvIgnored(const std::string& text, std::string& error);
// "--ack": "auto" is what a run without a window does anyway; "manual" needs a person.
bool CheckAckMode(const std::string& text, std::string& error);

// A command the window's single send offers: "date", "time", "stop-audio", "dtmf:DIGITS",
// a high-level code ("CMD01" ... "CMD0E06") or "CMD08" (remote programming). `line` is 1 to 32.
std::optional<TCommand> ParseCommandRequest(const std::string& kind, const std::string& line,
                                            std::string& error);

// The names `--command` takes, for the help text.
std::string CommandKindNames();

// Why `format` cannot carry a --command, a --fault (also a scenario's) or measure an --expect,
// or empty. The one check of the options against the format, with --format or the stored one.
std::string FormatRefusal(const RunOptions& options, AutomationFormat format);

// Empty when the files the run writes can be outputs: each a regular file, /dev/null or not there
// yet, no two the same file. Otherwise the one line that says which and why.
std::string OutputPathsProblem(const RunOptions& options);

// Opens the --csv file, if one was named, before anything is answered; rows that stop reaching
// it later are reported once on standard error and in "error.log". False after printing why
// it cannot be written.
bool OpenCsvOption(const RunOptions& options, TrafficCsv& csv, const ErrorLog& error_log);
// The same for the --pcap capture.
bool OpenPcapOption(const RunOptions& options, TrafficPcap& pcap, const ErrorLog& error_log);

}  // namespace v7400
