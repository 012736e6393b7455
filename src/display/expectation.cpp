#include "display/expectation.h"

#include <algorithm>

#include "core/duration_text.h"
#include "core/fixed_text.h"
#include "core/parse_whole.h"

namespace v7400 {

namespace {

enum class Kind { kTime, kCount, kTruth };

struct FigureName {
  const char* name;
  Figure figure;
  Kind kind;
  bool per_line;  // judged on one line with @line=NN
  int indices;    // how many NAME:N take: 0 none, -1 any (outages)
};

constexpr FigureName kFigures[] = {
    {"first-repeat", Figure::kFirstRepeat, Kind::kTime, true, 0},
    {"retry-interval", Figure::kRetryInterval, Kind::kTime, true, static_cast<int>(kRepeatOrders)},
    {"attempts", Figure::kAttempts, Kind::kCount, true, 0},
    {"repeats-after-ack", Figure::kRepeatsAfterAck, Kind::kCount, true, 0},
    {"given-up", Figure::kGivenUp, Kind::kCount, true, 0},
    {"lost", Figure::kLost, Kind::kCount, true, 0},
    {"nacked-own", Figure::kNackedOwn, Kind::kCount, false, 0},
    {"dropped", Figure::kDropped, Kind::kCount, false, 0},
    {"events", Figure::kEvents, Kind::kCount, true, 0},
    {"outage-recovery", Figure::kOutageRecovery, Kind::kTime, false, -1},
    {"outage-first-after", Figure::kOutageFirstAfter, Kind::kTime, false, -1},
    {"outage-in-order", Figure::kOutageInOrder, Kind::kTruth, false, -1},
    {"outage-whole", Figure::kOutageWhole, Kind::kTruth, false, -1},
};

const FigureName& NameOf(Figure figure) {
  return *std::find_if(std::begin(kFigures), std::end(kFigures),
                       [figure](const FigureName& f) { return f.figure == figure; });
}

std::string KnownNames() {
  std::string names;
  for (const FigureName& f : kFigures) names += std::string(names.empty() ? "" : ", ") + f.name;
  return names;
}

// Takes "@line=NN" out of `text`: the line, 0 without one, nullopt when it is wrong.
std::optional<int> TakeLine(std::string& text, std::string& error) {
  const std::size_t at = text.find('@');
  if (at == std::string::npos) return 0;
  constexpr std::string_view kLine = "@line=";
  if (text.compare(at, kLine.size(), kLine) != 0) {
    error = "after @ only line=NN may follow";
    return std::nullopt;
  }
  std::size_t end = at + kLine.size();
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  const auto line =
      ParseWhole<int>(std::string_view(text).substr(at + kLine.size(), end - at - kLine.size()));
  if (!line || *line < 1 || *line > kLineCount) {
    error = "@line= takes a line from 01 to 32";
    return std::nullopt;
  }
  text.erase(at, end - at);
  return line;
}

std::optional<double> Value(std::string_view text, Kind kind, std::string_view unit,
                            std::string& error) {
  switch (kind) {
    case Kind::kTime:
      if (const auto ms = DurationMs(text, unit.empty() ? "ms" : unit)) return ms;
      error = "a time is a number of ms or s, such as 2500ms or 2.5s";
      return std::nullopt;
    case Kind::kCount:
      if (const auto count = ParseWhole<int>(text); count && *count >= 0) return *count;
      error = "a count is a whole number from 0";
      return std::nullopt;
    case Kind::kTruth:
      if (text == "true" || text == "false") return text == "true" ? 1 : 0;
      error = "takes true or false";
      return std::nullopt;
  }
  return std::nullopt;
}

// The operator at the start of `text` and its length.
std::pair<Comparison, std::size_t> OperatorAt(std::string_view text) {
  if (text.starts_with("<=")) return {Comparison::kAtMost, 2};
  if (text.starts_with(">=")) return {Comparison::kAtLeast, 2};
  if (text.starts_with("<")) return {Comparison::kBelow, 1};
  if (text.starts_with(">")) return {Comparison::kAbove, 1};
  return {Comparison::kEqual, 1};
}

bool ReadName(std::string_view name, Expectation& e, std::string& error) {
  const std::size_t colon = name.find(':');
  const std::string_view base = name.substr(0, colon);
  const auto* f = std::find_if(std::begin(kFigures), std::end(kFigures),
                               [base](const FigureName& n) { return base == n.name; });
  if (f == std::end(kFigures)) {
    error = "unknown figure \"" + std::string(base) + "\" (known: " + KnownNames() + ")";
    return false;
  }
  e.figure = f->figure;
  if (colon == std::string_view::npos) return true;
  const auto index = ParseWhole<int>(name.substr(colon + 1));
  const bool outages = f->indices < 0;
  if (f->indices == 0) {
    error = std::string(f->name) + " takes no :N";
  } else if (!index || *index < 1 || (!outages && *index > f->indices)) {
    error = outages ? std::string(f->name) + ":K takes an outage number from 1"
                    : std::string(f->name) + ":N takes 1 to 4 (4: the 4th repeat and later)";
  } else {
    e.index = *index;
    return true;
  }
  return false;
}

bool ReadBound(std::string_view value, Expectation& e, std::string& error) {
  const Kind kind = NameOf(e.figure).kind;
  if (kind == Kind::kTruth && e.comparison != Comparison::kEqual) {
    error = std::string(NameOf(e.figure).name) + " takes only =true or =false";
    return false;
  }
  const std::size_t dots = value.find("..");
  if (dots == std::string_view::npos || e.comparison != Comparison::kEqual || kind == Kind::kTruth) {
    const auto bound = Value(value, kind, {}, error);
    if (bound) e.low = e.high = *bound;
    return bound.has_value();
  }
  const std::string_view low_text = value.substr(0, dots);
  const std::string_view high_text = value.substr(dots + 2);
  const auto low = Value(low_text, kind, DurationUnit(high_text), error);
  const auto high = low ? Value(high_text, kind, DurationUnit(low_text), error) : std::nullopt;
  if (!high) return false;
  if (*low > *high) {
    error = "the range's low end is above its high end";
    return false;
  }
  e.comparison = Comparison::kWithin;
  e.low = *low;
  e.high = *high;
  return true;
}

bool Holds(const Expectation& e, double value) {
  switch (e.comparison) {
    case Comparison::kEqual:
      return value == e.low;
    case Comparison::kAtMost:
      return value <= e.low;
    case Comparison::kAtLeast:
      return value >= e.low;
    case Comparison::kBelow:
      return value < e.low;
    case Comparison::kAbove:
      return value > e.low;
    case Comparison::kWithin:
      return value >= e.low && value <= e.high;
  }
  return false;
}

// The figures judged, each with how it reads; a judgement needs at least one, and each known.
struct Measured {
  std::optional<double> value;  // unknown: fails
  std::string text;
};

std::string Ms(double ms) { return FixedText(ms, 0) + " ms"; }

std::vector<Measured> SpreadMeasured(const IntervalSpread& spread) {
  if (spread.Count() == 0) return {};
  const std::string over = " over " + std::to_string(spread.Count()) +
                           (spread.Count() == 1 ? " repeat" : " repeats");
  return {{spread.Min(), Ms(spread.Min()) + " (min)"},
          {spread.Max(), Ms(spread.Max()) + " (max)" + over}};
}

std::vector<Measured> OutageMeasured(const Expectation& e, const LedgerReport& report) {
  std::vector<Measured> measured;
  for (std::size_t i = 0; i < report.outages.size(); ++i) {
    if (e.index != 0 && static_cast<std::size_t>(e.index) != i + 1) continue;
    const OutageFigures& o = report.outages[i];
    const std::string of = " (outage " + std::to_string(i + 1) + ")";
    switch (e.figure) {
      case Figure::kOutageRecovery:
        measured.push_back(o.recovery_ms < 0 ? Measured{{}, "never recovered" + of}
                                             : Measured{o.recovery_ms, Ms(o.recovery_ms) + of});
        break;
      case Figure::kOutageFirstAfter:
        measured.push_back(o.first_after_ms < 0
                               ? Measured{{}, "no frame after it" + of}
                               : Measured{o.first_after_ms, Ms(o.first_after_ms) + of});
        break;
      case Figure::kOutageInOrder:
        measured.push_back(!o.in_order ? Measured{{}, "not known" + of}
                                       : Measured{*o.in_order ? 1 : 0,
                                                  (*o.in_order ? "true" : "false") + of});
        break;
      default:
        measured.push_back({o.whole ? 1 : 0, (o.whole ? "true" : "false") + of});
    }
  }
  return measured;
}

Measured Count(std::int64_t count) {
  return {static_cast<double>(count), std::to_string(count)};
}

std::vector<Measured> MeasuredFor(const Expectation& e, const LedgerReport& report,
                                  const AnswerCounts& answers) {
  const RetryFigures& f =
      e.line == 0 ? report.total : report.lines[static_cast<std::size_t>(e.line) - 1];
  switch (e.figure) {
    case Figure::kFirstRepeat:
      return SpreadMeasured(f.intervals[0]);
    case Figure::kRetryInterval: {
      if (e.index != 0) return SpreadMeasured(f.intervals[static_cast<std::size_t>(e.index) - 1]);
      IntervalSpread all;
      for (const IntervalSpread& spread : f.intervals) all.Merge(spread);
      return SpreadMeasured(all);
    }
    case Figure::kAttempts:
      return {Count(f.most_attempts)};
    case Figure::kRepeatsAfterAck:
      return {Count(f.after_ack)};
    case Figure::kGivenUp:
      return {Count(f.given_up)};
    case Figure::kLost:
      if (!report.numbered) return {{{}, "not known without sequence numbers"}};
      return {Count(f.lost)};
    case Figure::kNackedOwn:
      return {Count(answers.nacked_own)};
    case Figure::kDropped:
      return {Count(answers.dropped)};
    case Figure::kEvents:
      return {Count(f.events)};
    default:
      return OutageMeasured(e, report);
  }
}

// Why nothing could be measured.
std::string NothingMeasured(const Expectation& e, const LedgerReport& report) {
  if (NameOf(e.figure).indices >= 0) return "no repeat";
  if (report.outages.empty()) return "no outage took place";
  return "outage " + std::to_string(e.index) + " did not take place";
}

}  // namespace

std::optional<Expectation> ParseExpectation(std::string_view text, std::string& error) {
  Expectation e;
  e.text = std::string(text);
  std::string compact;
  for (const char c : text) {
    if (c != ' ' && c != '\t') compact += c;
  }
  const auto line = TakeLine(compact, error);
  if (!line) return std::nullopt;
  e.line = *line;
  const std::size_t op = compact.find_first_of("<>=");
  if (op == std::string::npos || op == 0) {
    error = "an expectation is NAME OP VALUE, OP one of = <= >= < >, or NAME=LOW..HIGH";
    return std::nullopt;
  }
  if (!ReadName(std::string_view(compact).substr(0, op), e, error)) return std::nullopt;
  if (e.line != 0 && !NameOf(e.figure).per_line) {
    error = std::string(NameOf(e.figure).name) + " is not judged per line";
    return std::nullopt;
  }
  const auto [comparison, length] = OperatorAt(std::string_view(compact).substr(op));
  e.comparison = comparison;
  if (!ReadBound(std::string_view(compact).substr(op + length), e, error)) return std::nullopt;
  return e;
}

std::string ExpectationFormatProblem(const Expectation& e, AutomationFormat format) {
  if (format != AutomationFormat::k4100) return {};
  if (e.figure == Figure::kLost || e.figure == Figure::kOutageInOrder) {
    return std::string(NameOf(e.figure).name) +
           " cannot be measured in the 4100 format, which has no sequence numbers";
  }
  if (e.line != 0) return "the 4100 format has no lines to judge one of";
  return {};
}

ExpectationResult Judge(const Expectation& e, const LedgerReport& report,
                        const AnswerCounts& answers) {
  const std::vector<Measured> measured = MeasuredFor(e, report, answers);
  ExpectationResult result{e.text, !measured.empty(), {}};
  for (const Measured& m : measured) {
    result.passed = result.passed && m.value && Holds(e, *m.value);
    result.measured += (result.measured.empty() ? "" : ", ") + m.text;
  }
  if (measured.empty()) result.measured = NothingMeasured(e, report);
  return result;
}

bool RunJudgement::ExpectationFailed() const {
  return std::any_of(expectations.begin(), expectations.end(),
                     [](const ExpectationResult& r) { return !r.passed; });
}

RunJudgement JudgeRun(const LedgerReport& report, const AnswerCounts& answers,
                      const std::vector<Expectation>& expectations) {
  RunJudgement judgement;
  judgement.cases = RetransmissionVerdicts(report, answers);
  judgement.receiver_failed = AnyFailed(judgement.cases);
  for (const Expectation& e : expectations) {
    const ExpectationResult& result = judgement.expectations.emplace_back(Judge(e, report, answers));
    VerdictCase& c = judgement.cases.emplace_back(VerdictCase{e.text, "expectation", "", ""});
    if (!result.passed) c.message = e.text + ": measured " + result.measured;
  }
  return judgement;
}

std::string ExpectationsText(const std::vector<ExpectationResult>& results) {
  if (results.empty()) return {};
  const auto passed = std::count_if(results.begin(), results.end(),
                                    [](const ExpectationResult& r) { return r.passed; });
  std::string text = "expectations: " + std::to_string(passed) + " of " +
                     std::to_string(results.size()) + " passed\n";
  for (const ExpectationResult& r : results) {
    text += std::string(r.passed ? "  passed " : "  FAILED ") + r.text + ": measured " +
            r.measured + "\n";
  }
  return text;
}

Json ExpectationsJson(const std::vector<ExpectationResult>& results) {
  Json list = Json::array();
  for (const ExpectationResult& r : results) {
    list.push_back({{"expect", r.text}, {"passed", r.passed}, {"measured", r.measured}});
  }
  return list;
}

std::string ExpectationsNote(const std::vector<ExpectationResult>& results) {
  std::string failing;
  std::size_t met = 0;
  for (const ExpectationResult& r : results) {
    if (r.passed) {
      ++met;
    } else {
      failing += (failing.empty() ? "; not met: " : ", ") + r.text + " (" + r.measured + ")";
    }
  }
  return "expectations met " + std::to_string(met) + " of " + std::to_string(results.size()) +
         failing;
}

}  // namespace v7400
