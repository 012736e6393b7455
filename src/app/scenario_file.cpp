#include "app/scenario_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <iterator>
// toml++ 3.3 asserts on some malformed keys ("[= ...") that its parser then refuses properly;
// a file a person wrote wrongly must get its one-line refusal, not an abort.
#define TOML_ASSERT(expr) static_assert(true)
#include <toml++/toml.h>

#include "app/run_options.h"
#include "core/duration_text.h"
#include "core/shown_text.h"

namespace v7400 {

namespace {

constexpr char kTopKeys[] = "name, format, seed, count, seconds, link, phase, expect";
constexpr char kPhaseKeys[] = "name, at, after_frames, for, frames, faults, outage";
// The longest time a phase can begin after or last: what the run can (about 24 days).
constexpr double kMaxPhaseMs = kMaxRunSeconds * 1000;

// Reads one file, keeping the first thing wrong with it and where.
class Reader {
 public:
  explicit Reader(std::string path) : path_(std::move(path)) {}

  bool Top(const toml::table& table, ScenarioFile& file);
  const std::string& Error() const { return error_; }
  bool Fail(const toml::source_region& where, const std::string& what) {
    error_ = Place(where.begin) + what;
    return false;
  }
  std::string Place(const toml::source_position& at) const {
    return path_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": ";
  }

 private:
  bool Text(const toml::node& node, const std::string& key, std::string& text);
  bool Whole(const toml::node& node, const std::string& key, long long low, long long& value);
  bool Duration(const toml::node& node, const std::string& key, std::uint32_t& ms);
  bool Link(const toml::node& node, ScenarioFile& file);
  bool Phase(const toml::node& node, PhasePlan& phase);
  bool PhaseKey(const std::string& key, const toml::node& value, PhasePlan& phase);
  bool Faults(const toml::node& node, PhasePlan& phase);
  bool Expect(const toml::node& node, ScenarioFile& file);
  bool Expression(const toml::node& node, ScenarioFile& file);
  bool Order(const ScenarioFile& file, const std::vector<toml::source_region>& places);

  std::string path_;
  std::string error_;
};

bool Reader::Text(const toml::node& node, const std::string& key, std::string& text) {
  if (const auto* string = node.as_string()) {
    text = string->get();
    return true;
  }
  if (const auto* integer = node.as_integer()) {
    text = std::to_string(integer->get());
    return true;
  }
  return Fail(node.source(), key + " takes a text or a number");
}

bool Reader::Whole(const toml::node& node, const std::string& key, long long low,
                   long long& value) {
  const auto* integer = node.as_integer();
  if (integer == nullptr || integer->get() < low) {
    return Fail(node.source(), key + " takes a whole number from " + std::to_string(low));
  }
  value = integer->get();
  return true;
}

bool Reader::Duration(const toml::node& node, const std::string& key, std::uint32_t& ms) {
  const auto* string = node.as_string();
  const std::string text = string == nullptr ? std::string() : string->get();
  const auto value = DurationUnit(text).empty() ? std::nullopt : DurationMs(text);
  if (!value || *value > kMaxPhaseMs) {
    return Fail(node.source(), key + " takes a time with its unit, such as \"30s\" or \"500ms\"");
  }
  ms = static_cast<std::uint32_t>(std::llround(*value));
  return true;
}

bool Reader::Link(const toml::node& node, ScenarioFile& file) {
  const auto* table = node.as_table();
  if (table == nullptr) return Fail(node.source(), "link is a table: [link]");
  LinkOptionTexts link;
  const std::map<std::string, std::optional<std::string>*> keys = {
      {"udp", &link.udp_host},       {"port", &link.udp_port},
      {"local-port", &link.local_port}, {"local-address", &link.local_address},
      {"key", &link.key},            {"serial", &link.serial_device},
      {"baud", &link.baud},          {"data-bits", &link.data_bits},
      {"parity", &link.parity},      {"stop-bits", &link.stop_bits},
      {"flow", &link.flow}};
  for (const auto& [key, value] : *table) {
    const auto slot = keys.find(std::string(key.str()));
    if (slot == keys.end()) {
      return Fail(key.source(), "unknown key \"" + std::string(key.str()) +
                                    "\" in [link] (known: udp, port, local-port, local-address, "
                                    "key, serial, baud, data-bits, parity, stop-bits, flow)");
    }
    std::string text;
    if (!Text(value, slot->first, text)) return false;
    *slot->second = text;
  }
  std::string error;
  ParseLinkOptions(link, error);
  if (!error.empty()) return Fail(node.source(), error);
  file.link = link;
  return true;
}

bool Reader::Faults(const toml::node& node, PhasePlan& phase) {
  const auto* array = node.as_array();
  if (array == nullptr) return Fail(node.source(), "faults is a list of rules: [\"nack:every=5\"]");
  for (const toml::node& item : *array) {
    const auto* text = item.as_string();
    if (text == nullptr) return Fail(item.source(), "a fault rule is a text such as \"drop:p=0.1\"");
    std::string error;
    const auto rule = ParseFaultRule(text->get(), error);
    if (!rule) return Fail(item.source(), "fault '" + ShownText(text->get(), 80) + "': " + error);
    phase.faults.push_back(*rule);
  }
  return true;
}

bool Reader::PhaseKey(const std::string& key, const toml::node& value, PhasePlan& phase) {
  long long count = 0;
  std::uint32_t ms = 0;
  if (key == "name") return Text(value, key, phase.name);
  if (key == "at") return Duration(value, key, ms) && (phase.at_ms = ms);
  if (key == "for") return Duration(value, key, ms) && (phase.for_ms = ms);
  if (key == "after_frames") return Whole(value, key, 0, count) && (phase.after_frames = count);
  if (key == "frames") return Whole(value, key, 1, count) && (phase.frames = count);
  if (key == "faults") return Faults(value, phase);
  if (key == "outage") {
    if (!value.is_boolean()) return Fail(value.source(), "outage takes true or false");
    phase.outage = value.as_boolean()->get();
    return true;
  }
  return Fail(value.source(),
              "unknown key \"" + key + "\" in [[phase]] (known: " + kPhaseKeys + ")");
}

bool Reader::Phase(const toml::node& node, PhasePlan& phase) {
  const auto* table = node.as_table();
  if (table == nullptr) return Fail(node.source(), "each phase is a table: [[phase]]");
  for (const auto& [key, value] : *table) {
    if (!PhaseKey(std::string(key.str()), value, phase)) return false;
  }
  if (phase.at_ms && phase.after_frames) {
    return Fail(node.source(), "a phase begins at a time or after_frames, not both");
  }
  if (phase.for_ms && phase.frames) {
    return Fail(node.source(), "a phase lasts for a time or a number of frames, not both");
  }
  return true;
}

bool Reader::Expression(const toml::node& node, ScenarioFile& file) {
  const auto* text = node.as_string();
  if (text == nullptr) return Fail(node.source(), "an expectation is a text such as \"lost=0\"");
  std::string error;
  const auto expectation = ParseExpectation(text->get(), error);
  if (!expectation) {
    return Fail(node.source(), "expectation '" + ShownText(text->get(), 80) + "': " + error);
  }
  file.expectations.push_back(*expectation);
  return true;
}

// `expect = ["lost=0", ...]`, or [[expect]] tables with `check = "lost=0"`.
bool Reader::Expect(const toml::node& node, ScenarioFile& file) {
  const auto* array = node.as_array();
  if (array == nullptr) return Fail(node.source(), "expect is a list: [[expect]] or [\"...\"]");
  for (const toml::node& item : *array) {
    const auto* table = item.as_table();
    if (table == nullptr) {
      if (!Expression(item, file)) return false;
      continue;
    }
    for (const auto& [key, value] : *table) {
      if (key.str() != "check") {
        return Fail(key.source(), "unknown key \"" + std::string(key.str()) +
                                      "\" in [[expect]] (known: check)");
      }
      if (!Expression(value, file)) return false;
    }
  }
  return true;
}

// Phases follow one another: times in order, and each has a start or the one before an end.
bool Reader::Order(const ScenarioFile& file, const std::vector<toml::source_region>& places) {
  std::optional<std::uint32_t> last_at;
  for (std::size_t i = 0; i < file.phases.size(); ++i) {
    const PhasePlan& phase = file.phases[i];
    const std::string name = "phase " + std::to_string(i + 1);
    if (phase.at_ms && last_at && *phase.at_ms < *last_at) {
      return Fail(places[i], name + " begins before the phase ahead of it");
    }
    if (phase.at_ms) last_at = phase.at_ms;
    const PhasePlan* before = i == 0 ? nullptr : &file.phases[i - 1];
    if (before != nullptr && !phase.at_ms && !phase.after_frames && !before->for_ms &&
        !before->frames) {
      return Fail(places[i], name + " has no start (at or after_frames) and phase " +
                                 std::to_string(i) + " no end (for or frames)");
    }
  }
  return true;
}

bool Reader::Top(const toml::table& table, ScenarioFile& file) {
  std::vector<toml::source_region> places;
  for (const auto& [key_name, value] : table) {
    const std::string key(key_name.str());
    std::string text;
    std::string error;
    long long count = 0;
    if (key == "name") {
      if (!Text(value, key, file.name)) return false;
    } else if (key == "format") {
      if (!Text(value, key, text)) return false;
      if (!(file.format = ParseFormatName(text, error))) return Fail(value.source(), error);
    } else if (key == "seed") {
      if (!Text(value, key, text)) return false;
      if (!(file.seed = ParseSeed(text, error))) return Fail(value.source(), error);
    } else if (key == "count") {
      if (!Whole(value, key, 1, count)) return false;
      file.count = count;
    } else if (key == "seconds") {
      const auto number = value.value<double>();
      if (!number || !(*number > 0 && *number <= kMaxRunSeconds)) {
        return Fail(value.source(), "seconds takes a number of seconds above 0");
      }
      file.seconds = *number;
    } else if (key == "link") {
      if (!Link(value, file)) return false;
    } else if (key == "phase") {
      const auto* array = value.as_array();
      if (array == nullptr) return Fail(value.source(), "phases are tables: [[phase]]");
      for (const toml::node& item : *array) {
        if (!Phase(item, file.phases.emplace_back())) return false;
        places.push_back(item.source());
      }
    } else if (key == "expect") {
      if (!Expect(value, file)) return false;
    } else {
      return Fail(key_name.source(), "unknown key \"" + key + "\" (known: " + kTopKeys + ")");
    }
  }
  return Order(file, places);
}

// Where a byte beyond ASCII stands outside a text or a comment, which TOML never allows there;
// toml++ 3.3 reaches undefined behaviour classifying some of them, so they are refused first.
// The text must be valid TOML with those bytes made ASCII, so that its texts are where they seem.
std::optional<toml::source_position> StrayNonAscii(std::string_view text) {
  std::string_view closing;  // what ends the text or comment under way
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view rest = text.substr(i);
    if (closing.empty()) {
      for (const std::string_view opening : {"\"\"\"", "'''", "\"", "'", "#"}) {
        if (!rest.starts_with(opening)) continue;
        closing = opening == "#" ? "\n" : opening;
        i += opening.size() - 1;
        break;
      }
      if (closing.empty() && static_cast<unsigned char>(text[i]) >= 0x80) {
        const std::size_t line_start = text.rfind('\n', i) + 1;  // 0 on the first line
        const auto line = std::count(text.begin(), text.begin() + static_cast<long>(i), '\n');
        return toml::source_position{static_cast<toml::source_index>(line + 1),
                                     static_cast<toml::source_index>(i - line_start + 1)};
      }
    } else if (closing.starts_with("\"") && text[i] == '\\') {
      ++i;  // an escaped character
    } else if (rest.starts_with(closing)) {
      i += closing.size() - 1;
      closing = {};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ScenarioFile> ParseScenario(std::string_view text, const std::string& path,
                                          std::string& error) {
  Reader reader(path);
  ScenarioFile file;
  try {
    std::string ascii(text);
    std::replace_if(
        ascii.begin(), ascii.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; },
        'x');
    [[maybe_unused]] const toml::table checked = toml::parse(ascii, path);
    if (const auto stray = StrayNonAscii(text)) {
      error = reader.Place(*stray) + "a character beyond ASCII outside a text or a comment";
      return std::nullopt;
    }
    const toml::table table = toml::parse(text, path);
    if (reader.Top(table, file)) return file;
    error = reader.Error();
  } catch (const toml::parse_error& problem) {
    error = reader.Place(problem.source().begin) + std::string(problem.description());
  }
  return std::nullopt;
}

std::optional<ScenarioFile> ReadScenarioFile(const std::string& path, std::string& error) {
  std::error_code code;
  if (!std::filesystem::is_regular_file(path, code)) {
    error = path + ": no such file";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad()) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  return ParseScenario(text, path, error);
}

std::string MergeScenario(const ScenarioFile& file, RunOptions& options, bool suite_given) {
  if (!options.format) options.format = file.format;
  if (!options.faults.seed) options.faults.seed = file.seed;
  if (!options.count) options.count = file.count;
  if (!options.seconds) options.seconds = file.seconds;
  if (!suite_given && !file.name.empty()) options.faults.junit_suite = file.name;
  options.faults.phases = file.phases;
  options.faults.expectations.insert(options.faults.expectations.begin(),
                                     file.expectations.begin(), file.expectations.end());
  if (options.link || !file.link) return {};
  std::string error;
  options.link = ParseLinkOptions(*file.link, error);
  return error;
}

}  // namespace v7400
