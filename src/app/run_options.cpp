#include "app/run_options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <utility>

#include "commands/command_page.h"
#include "commands/command_run.h"
#include "commands/number_text.h"
#include "core/output_file.h"
#include "core/parse_whole.h"

namespace v7400 {

namespace {

std::string Upper(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool IsHighLevelCode(const std::string& code) {
  for (int i = 0; i < static_cast<int>(kHighLevelCommandItems.size()); ++i) {
    if (HighLevelCode(i) == code) return true;
  }
  return false;
}

constexpr char kDtmfPrefix[] = "dtmf:";

}  // namespace

std::optional<AutomationFormat> ParseFormatName(const std::string& text, std::string& error) {
  const std::string name = Upper(text);
  if (name == "SIA") return AutomationFormat::kSia;
  if (name == "4100") return AutomationFormat::k4100;
  error = "unknown format '" + text + "' (sia or 4100)";
  return std::nullopt;
}

std::optional<long long> ParseFrameCount(const std::string& text, std::string& error) {
  const auto value = ParseWhole<long long>(text, 1);
  if (!value) error = "'" + text + "' is not a frame count of 1 or more";
  return value;
}

std::optional<double> ParseRunSeconds(const std::string& text, std::string& error) {
  const auto value = ParseWhole<double>(text, 0, kMaxRunSeconds);
  if (!value || *value == 0) {
    error = "'" + text + "' is not a number of seconds from above 0 to " +
            std::to_string(static_cast<int>(kMaxRunSeconds));
    return std::nullopt;
  }
  return value;
}

std::string FormatRefusal(const RunOptions& options, AutomationFormat format) {
  for (const TCommand& command : options.commands) {
    if (!CarriedInFormat(command, format)) {
      return "--command " + CommandName(command) +
             ": the 4100 format has no such command (date, time and stop-audio only)";
    }
  }
  return FaultFormatProblem(options.faults, format);
}

std::optional<bool> ParseCsvIgnored(const std::string& text, std::string& error) {
  const std::string mode = Upper(text);
  if (mode == "SUMMARY" || mode == "FULL") return mode == "FULL";
  error = "unknown choice '" + text + "' (summary or full)";
  return std::nullopt;
}

bool CheckAckMode(const std::string& text, std::string& error) {
  const std::string mode = Upper(text);
  if (mode == "AUTO") return true;
  if (mode == "MANUAL") {
    error = "manual ACK needs a person at the window; --headless acknowledges automatically";
  } else {
    error = "unknown ACK mode '" + text + "' (auto)";
  }
  return false;
}

std::optional<TCommand> ParseCommandRequest(const std::string& kind, const std::string& line,
                                            std::string& error) {
  const std::optional<int> number = IntegerOf(line);
  if (!number || *number < 1 || *number > 32) {
    error = "line '" + line + "' is not a line from 1 to 32";
    return std::nullopt;
  }
  TCommand command{CommandKind::SetDate, TwoDigits(*number), ""};
  const std::string name = Upper(kind);
  if (name == "DATE") return command;
  if (name == "TIME") return command.Kind = CommandKind::SetTime, command;
  if (name == "STOP-AUDIO") return command.Kind = CommandKind::StopTwoWayAudio, command;
  if (name == "CMD08") {
    command.Kind = CommandKind::RemoteProgram;
    command.Text = name;
    return command;
  }
  if (IsHighLevelCode(name)) {
    command.Kind = CommandKind::HighLevel;
    command.Text = name;
    return command;
  }
  if (name.starts_with(Upper(kDtmfPrefix))) {
    command.Kind = CommandKind::DtmfSequence;
    command.Text = kind.substr(sizeof kDtmfPrefix - 1);
    const bool allowed = !command.Text.empty() && std::ranges::all_of(command.Text, [](char c) {
      return c != '\b' && DtmfKeyAccepted(c);
    });
    if (allowed) return command;
    error = "DTMF digits '" + command.Text + "' may hold only 0-9 A B C D W * # ! ,";
    return std::nullopt;
  }
  error = "unknown command kind '" + kind + "' (" + CommandKindNames() + ")";
  return std::nullopt;
}

std::string CommandKindNames() {
  std::string names = "date, time, stop-audio, dtmf:DIGITS, CMD08";
  for (int i = 0; i < static_cast<int>(kHighLevelCommandItems.size()); ++i) {
    names += ", " + HighLevelCode(i);
  }
  return names;
}

std::string OutputPathsProblem(const RunOptions& options) {
  const std::pair<const char*, const std::string*> outputs[] = {
      {"--csv", &options.csv_path},
      {"--log", &options.log_path},
      {"--summary-json", &options.summary_json_path},
      {"--junit", &options.faults.junit_path},
      {"--pcap", &options.pcap_path},
  };
  for (std::size_t i = 0; i < std::size(outputs); ++i) {
    const auto& [flag, path] = outputs[i];
    if (path->empty()) continue;
    if (const std::string problem = OutputPathProblem(*path); !problem.empty()) {
      return std::string(flag) + ": cannot write \"" + *path + "\": " + problem;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (!outputs[j].second->empty() && SameOutputFile(*outputs[j].second, *path)) {
        return std::string(outputs[j].first) + " and " + flag + " name the same file \"" + *path +
               "\"";
      }
    }
  }
  return {};
}

bool OpenCsvOption(const RunOptions& options, TrafficCsv& csv, const ErrorLog& error_log) {
  if (options.csv_path.empty()) return true;
  std::string error;
  if (!csv.Open(options.csv_path, error)) {
    std::fprintf(stderr, "v7400: --csv: %s\n", error.c_str());
    return false;
  }
  csv.SetIgnoredInFull(options.csv_ignored_full);
  csv.SetFailureHandler([&error_log](const std::string& message) {
    std::fprintf(stderr, "v7400: %s\n", message.c_str());
    error_log.AppException("csv", message);
  });
  return true;
}

bool OpenPcapOption(const RunOptions& options, TrafficPcap& pcap, const ErrorLog& error_log) {
  if (options.pcap_path.empty()) return true;
  std::string error;
  if (!pcap.Open(options.pcap_path, options.pcap_wire, error)) {
    std::fprintf(stderr, "v7400: --pcap: %s\n", error.c_str());
    return false;
  }
  pcap.SetFailureHandler([&error_log](const std::string& message) {
    std::fprintf(stderr, "v7400: %s\n", message.c_str());
    error_log.AppException("pcap", message);
  });
  return true;
}

}  // namespace v7400
