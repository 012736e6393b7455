#include "protocol/fault_rule.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "core/fixed_text.h"
#include "core/parse_whole.h"

namespace v7400 {

namespace {

struct KindName {
  FaultKind kind;
  std::string_view name;
};

constexpr KindName kKindNames[] = {
    {FaultKind::kNack, "nack"},      {FaultKind::kDrop, "drop"},
    {FaultKind::kDelay, "delay"},    {FaultKind::kDuplicate, "duplicate"},
    {FaultKind::kBadCrc, "bad-crc"}, {FaultKind::kWrongSequence, "wrong-sequence"},
    {FaultKind::kSplit, "split"},    {FaultKind::kGarbage, "garbage"},
};

std::string_view KindText(FaultKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return "?";
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// A whole number in [low, high], else an error naming `what`.
std::optional<int> Bounded(std::string_view text, std::string_view what, long long low,
                           long long high, std::string& error) {
  const auto value = ParseWhole<long long>(text, low, high);
  if (!value) {
    error = std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
            std::to_string(high) + ", not \"" + std::string(text) + "\"";
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

bool IsSequence(std::string_view text) {
  if (text.size() != 4) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Milliseconds from `low` to 60000; `what` names them in the error.
std::optional<int> DelayMs(std::string_view text, std::string_view what, int low,
                           std::string& error) {
  const auto ms = ParseWhole<long long>(text);
  if (ms && *ms > kMaxFaultDelayMs) {
    error = "a delay over 60 s (60000 ms) is not allowed";
    return std::nullopt;
  }
  return Bounded(text, what, low, kMaxFaultDelayMs, error);
}

// "uniform:LOW..HIGH".
bool ParseUniform(const std::vector<std::string_view>& parts, FaultRule& rule, std::string& error) {
  const std::size_t dots = parts.size() == 2 ? parts[1].find("..") : std::string_view::npos;
  if (dots == std::string_view::npos) {
    error = "uniform needs LOW..HIGH, as in delay=uniform:200..800";
    return false;
  }
  const auto low = DelayMs(parts[1].substr(0, dots), "uniform LOW", 0, error);
  if (!low) return false;
  const auto high = DelayMs(parts[1].substr(dots + 2), "uniform HIGH", 0, error);
  if (!high) return false;
  if (*low > *high) {
    error = "uniform needs LOW <= HIGH, not " + std::string(parts[1]);
    return false;
  }
  rule.delay = DelayShape::kUniform;
  rule.amount = *low;
  rule.delay_high = *high;
  return true;
}

// "lognormal:MEDIAN:SIGMA".
bool ParseLognormal(const std::vector<std::string_view>& parts, FaultRule& rule,
                    std::string& error) {
  if (parts.size() != 3) {
    error = "lognormal needs MEDIAN:SIGMA, as in delay=lognormal:300:0.5";
    return false;
  }
  const auto median = DelayMs(parts[1], "lognormal MEDIAN", 1, error);
  if (!median) return false;
  const std::string_view text = parts[2];
  const auto sigma = ParseWhole<double>(text, 0);
  if (!sigma) {
    error = "lognormal SIGMA must be a number from 0 up, not \"" + std::string(text) + "\"";
    return false;
  }
  rule.delay = DelayShape::kLognormal;
  rule.amount = *median;
  rule.sigma = *sigma;
  return true;
}

// "MS", "MS~JITTER", or a distribution with the parts that follow it ("uniform:200..800").
bool ParseDelay(std::string_view value, FaultRule& rule, std::string& error) {
  const std::vector<std::string_view> parts = Split(value, ':');
  if (parts[0] == "uniform") return ParseUniform(parts, rule, error);
  if (parts[0] == "lognormal") return ParseLognormal(parts, rule, error);
  const std::size_t tilde = value.find('~');
  const auto ms = DelayMs(value.substr(0, tilde), "delay", 0, error);
  if (!ms) return false;
  rule.amount = *ms;
  if (tilde == std::string_view::npos) return true;
  const auto jitter = Bounded(value.substr(tilde + 1), "jitter", 0, kMaxFaultDelayMs, error);
  if (!jitter) return false;
  rule.delay = DelayShape::kJitter;
  rule.jitter = *jitter;
  return true;
}

bool ParseFault(std::string_view name, std::optional<std::string_view> value, FaultRule& rule,
                std::string& error) {
  const KindName* found = nullptr;
  for (const KindName& entry : kKindNames) {
    if (entry.name == name) found = &entry;
  }
  if (found == nullptr) {
    error = "unknown fault \"" + std::string(name) + "\" (known: " + kKnownFaults + ")";
    return false;
  }
  rule.kind = found->kind;
  const bool wants_value = rule.kind == FaultKind::kDelay || rule.kind == FaultKind::kGarbage;
  if (wants_value && !value) {
    error = std::string(name) + " needs a value (" + std::string(name) + "=N)";
    return false;
  }
  if (value && !wants_value && rule.kind != FaultKind::kWrongSequence) {
    error = std::string(name) + " takes no value";
    return false;
  }
  if (rule.kind == FaultKind::kDelay) return ParseDelay(*value, rule, error);
  if (rule.kind == FaultKind::kGarbage) {
    const auto checked = Bounded(*value, "garbage", 1, kMaxGarbageBytes, error);
    if (!checked) return false;
    rule.amount = *checked;
  } else if (rule.kind == FaultKind::kWrongSequence) {
    rule.sequence = value ? std::string(*value) : kDefaultWrongSequence;
    if (!IsSequence(rule.sequence)) {
      error = "wrong-sequence must be four digits, not \"" + rule.sequence + "\"";
      return false;
    }
  }
  return true;
}

bool ParseLines(std::string_view value, FaultRule& rule, std::string& error) {
  for (const std::string_view part : Split(value, ',')) {
    const auto line = Bounded(part, "line", 1, kLineCount, error);
    if (!line) return false;
    rule.lines.push_back(*line);
  }
  return true;
}

bool ParseProbability(std::string_view value, FaultRule& rule, std::string& error) {
  const auto p = ParseWhole<double>(value, 0, 1);
  if (!p) {
    error = "p must be a probability from 0 to 1, not \"" + std::string(value) + "\"";
    return false;
  }
  rule.p = *p;
  return true;
}

bool ParseSelector(std::string_view name, std::string_view value, FaultRule& rule,
                   std::string& error) {
  const auto set_once = [&](auto& field, auto parsed) {
    if (field) {
      error = "selector " + std::string(name) + " given twice";
      return false;
    }
    if (!parsed) return false;
    field = *parsed;
    return true;
  };
  if (name == "every") return set_once(rule.every, Bounded(value, name, 1, 1000000000, error));
  if (name == "first") return set_once(rule.first, Bounded(value, name, 1, 1000000000, error));
  if (name == "after") return set_once(rule.after, Bounded(value, name, 0, 1000000000, error));
  if (name == "sequence") {
    if (!IsSequence(value)) {
      error = "sequence must be four digits, not \"" + std::string(value) + "\"";
      return false;
    }
    return set_once(rule.only_sequence, std::optional<std::string>(std::string(value)));
  }
  if (name == "line") {
    if (!rule.lines.empty()) {
      error = "selector line given twice";
      return false;
    }
    return ParseLines(value, rule, error);
  }
  if (name == "p") {
    if (rule.p) {
      error = "selector p given twice";
      return false;
    }
    return ParseProbability(value, rule, error);
  }
  error = "unknown selector \"" + std::string(name) +
          "\" (known: every=N, first=N, after=N, line=NN[,NN..], sequence=NNNN, p=0..1)";
  return false;
}

// "name=value" as its name and value, "name" as its name alone.
std::pair<std::string_view, std::optional<std::string_view>> NameAndValue(std::string_view part) {
  const std::size_t equals = part.find('=');
  if (equals == std::string_view::npos) return {part, std::nullopt};
  return {part.substr(0, equals), part.substr(equals + 1)};
}

// How many parts after the fault's its delay distribution takes.
std::size_t DistributionParts(std::string_view fault) {
  if (fault == "delay=uniform") return 1;
  if (fault == "delay=lognormal") return 2;
  return 0;
}

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string DelayText(const FaultRule& rule) {
  const std::string ms = std::to_string(rule.amount);
  switch (rule.delay) {
    case DelayShape::kFixed:
      break;
    case DelayShape::kUniform:
      return "uniform:" + ms + ".." + std::to_string(rule.delay_high);
    case DelayShape::kLognormal:
      return "lognormal:" + ms + ":" + ShortestText(rule.sigma);
    case DelayShape::kJitter:
      return ms + "~" + std::to_string(rule.jitter);
  }
  return ms;
}

}  // namespace

std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error) {
  if (text.empty()) {
    error = "empty rule";
    return std::nullopt;
  }
  const std::vector<std::string_view> parts = Split(text, ':');
  // A delay's distribution takes the parts after the fault's as well: "delay=uniform:200..800".
  const std::size_t taken = std::min(parts.size(), 1 + DistributionParts(parts[0]));
  const std::string_view last = parts[taken - 1];
  const auto [name, value] = NameAndValue(
      text.substr(0, static_cast<std::size_t>(last.data() + last.size() - text.data())));
  FaultRule rule;
  if (!ParseFault(name, value, rule, error)) return std::nullopt;
  for (std::size_t i = taken; i < parts.size(); ++i) {
    const auto [selector, selected] = NameAndValue(parts[i]);
    if (!selected) {
      error = "selector \"" + std::string(selector) + "\" needs a value (name=value)";
      return std::nullopt;
    }
    if (!ParseSelector(selector, *selected, rule, error)) return std::nullopt;
  }
  return rule;
}

std::string ToString(const FaultRule& rule) {
  std::string text(KindText(rule.kind));
  if (rule.kind == FaultKind::kDelay) text += "=" + DelayText(rule);
  if (rule.kind == FaultKind::kGarbage) text += "=" + std::to_string(rule.amount);
  if (rule.kind == FaultKind::kWrongSequence && rule.sequence != kDefaultWrongSequence) {
    text += "=" + rule.sequence;
  }
  if (rule.every) text += ":every=" + std::to_string(*rule.every);
  if (rule.first) text += ":first=" + std::to_string(*rule.first);
  if (rule.after) text += ":after=" + std::to_string(*rule.after);
  if (!rule.lines.empty()) {
    text += ":line=";
    for (std::size_t i = 0; i < rule.lines.size(); ++i) {
      text += (i == 0 ? "" : ",") + TwoDigits(rule.lines[i]);
    }
  }
  if (rule.only_sequence) text += ":sequence=" + *rule.only_sequence;
  if (rule.p) text += ":p=" + ShortestText(*rule.p);
  return text;
}

std::string Describe(const FaultRule& rule) {
  std::string text = ToString(rule);
  for (char& c : text) {
    if (c == ':' || c == '=') c = ' ';
  }
  return text;
}

std::string FormatProblem(const FaultRule& rule, AutomationFormat format) {
  if (format != AutomationFormat::k4100) return {};
  switch (rule.kind) {
    case FaultKind::kBadCrc:
    case FaultKind::kWrongSequence:
    case FaultKind::kSplit:
      return std::string(KindText(rule.kind)) +
             " cannot act on the \"4100\" format, whose answer is the single byte 06";
    default:
      break;
  }
  if (rule.only_sequence) return "the \"4100\" format has no sequence numbers to select";
  if (!rule.lines.empty()) return "the \"4100\" format has no line numbers to select";
  return {};
}

std::optional<OutagePlan> ParseOutage(std::string_view text, std::string& error) {
  OutagePlan outage;
  const std::size_t at = text.find('@');
  const std::string_view seconds = text.substr(0, at);
  const auto value = ParseWhole<double>(seconds, 0, kMaxOutageSeconds);
  if (!value || *value == 0) {
    error = "the outage must last more than 0 and at most 86400 seconds, not \"" +
            std::string(seconds) + "\"";
    return std::nullopt;
  }
  outage.seconds = *value;
  if (at == std::string_view::npos) return outage;
  const std::string_view tail = text.substr(at + 1);
  if (tail.substr(0, 6) != "after=") {
    error = "after the @ comes after=N, not \"" + std::string(tail) + "\"";
    return std::nullopt;
  }
  const auto after = Bounded(tail.substr(6), "after", 0, 1000000000, error);
  if (!after) return std::nullopt;
  outage.after = *after;
  return outage;
}

std::string ToString(const OutagePlan& outage) {
  std::string text = ShortestText(outage.seconds);
  if (outage.after != 0) text += "@after=" + std::to_string(outage.after);
  return text;
}

std::optional<std::uint64_t> ParseSeed(std::string_view text, std::string& error) {
  const auto seed = ParseWhole<std::uint64_t>(text);
  if (!seed) error = "the seed must be a whole number from 0 to 18446744073709551615";
  return seed;
}

}  // namespace v7400
