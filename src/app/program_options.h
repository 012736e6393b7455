// The program's options, each declared once: its name, its value's name and help text for
// --help, where it works, and how its value reaches the run. The Qt parser is set up from the
// same rows and hands back what was given; the reading and every check are here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/run_options.h"

namespace v7400 {

// Where an option works: beside the window too, only in the run without one (what ends the
// run, its commands, its progress line and the answer mode, which the window has controls for),
// or only with the window.
enum class OptionScope { kBoth, kHeadlessOnly, kWindowOnly };

// An option as given: its last value, and all of them for a repeatable one.
struct GivenOption {
  std::string value;
  std::vector<std::string> values;
};

// What the options collect before the checks that take several of them together.
struct OptionReading {
  RunOptions options;
  LinkOptionTexts link;
  std::vector<std::string> fault_rules;
  std::vector<std::string> outages;
  std::vector<std::string> expectations;
  std::vector<std::string> command_kinds;
  std::vector<std::string> command_lines;
  std::optional<std::string> seed;
  std::optional<std::string> scenario;
  std::optional<std::string> control;
  std::optional<std::string> control_token;
  bool user_dir = false;
  bool junit_suite = false;
};

struct OptionRow {
  const char* name;
  const char* value_name;  // nullptr: a switch
  const char* help;        // nullptr: not listed (the PORT of "--udp HOST PORT")
  OptionScope scope;
  // Takes the option given into `reading`; the refusal, or empty.
  std::string (*read)(const GivenOption& given, OptionReading& reading);
};

// Every option in the order --help lists them.
std::span<const OptionRow> ProgramOptions();

// The options given, in table order; `given[i]` is set when ProgramOptions()[i] was given.
using GivenOptions = std::vector<std::optional<GivenOption>>;

// Reads and checks the options given and the arguments that are no option; the text of the
// first refusal, or empty.
std::string ReadProgramOptions(const GivenOptions& given,
                               const std::vector<std::string>& positional, OptionReading& reading);

}  // namespace v7400
