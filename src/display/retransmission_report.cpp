#include "display/retransmission_report.h"

#include <algorithm>

#include "core/fixed_text.h"

namespace v7400 {

namespace {

constexpr const char* kOrderNames[kRepeatOrders] = {"1st", "2nd", "3rd", "4th+"};

std::string Seq(int sequence) {
  std::string text = std::to_string(sequence);
  return std::string(text.size() < 4 ? 4 - text.size() : 0, '0') + text;
}

// "1 event", "2 events".
std::string Counted(std::int64_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string TwoDigits(std::size_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string Joined(const std::vector<int>& values) {
  std::string joined;
  for (const int value : values) joined += (joined.empty() ? "" : " ") + Seq(value);
  return joined;
}

// " 0004 0007", and " ..." when the count is more than the list names.
std::string Listed(const std::vector<int>& values, std::int64_t count) {
  if (values.empty()) return {};
  const bool more = count > static_cast<std::int64_t>(values.size());
  return " " + Joined(values) + (more ? " ..." : "");
}

Json SeqList(const std::vector<int>& values) {
  Json list = Json::array();
  for (const int value : values) list.push_back(Seq(value));
  return list;
}

std::string SpreadText(const IntervalSpread& s) {
  return std::to_string(s.Min()) + "/" + std::to_string(s.Median()) + "/" + std::to_string(s.Max());
}

Json SpreadJson(const IntervalSpread& s) {
  if (s.Count() == 0) return Json();
  return {{"min", s.Min()}, {"median", s.Median()}, {"max", s.Max()}};
}

std::string FiguresText(const RetryFigures& f, bool numbered) {
  std::string text = "events " + std::to_string(f.events) + ", attempts " +
                     std::to_string(f.attempts) + ", delivered " + std::to_string(f.delivered) +
                     "; repeats after ACK " + std::to_string(f.after_ack) + ", after NACK " +
                     std::to_string(f.after_nack) + ", after a missing or faulted answer " +
                     std::to_string(f.after_fault);
  std::string intervals;
  for (std::size_t i = 0; i < kRepeatOrders; ++i) {
    if (f.intervals[i].Count() == 0) continue;
    intervals += std::string(intervals.empty() ? "" : ", ") + kOrderNames[i] + " " +
                 SpreadText(f.intervals[i]);
  }
  if (!intervals.empty()) text += "; retry intervals " + intervals + " ms (min/median/max)";
  text += "; most attempts " + std::to_string(f.most_attempts) + "; given up " +
          std::to_string(f.given_up) + Listed(f.given_up_sequences, f.given_up);
  text += numbered ? "; lost " + std::to_string(f.lost) + Listed(f.lost_sequences, f.lost)
                   : "; lost: not known without sequence numbers";
  if (f.not_numbered > 0) text += "; not numbered " + std::to_string(f.not_numbered);
  return text;
}

Json FiguresJson(const RetryFigures& f, bool numbered) {
  Json intervals = Json::array();
  for (std::size_t i = 0; i < kRepeatOrders; ++i) {
    if (f.intervals[i].Count() == 0) continue;
    Json spread = {{"repeat", i + 1}, {"count", f.intervals[i].Count()}};
    spread.update(SpreadJson(f.intervals[i]));
    intervals.push_back(spread);
  }
  return {{"repeats_after_ack", f.after_ack},
          {"repeats_after_nack", f.after_nack},
          {"repeats_after_fault", f.after_fault},
          {"first_repeat_ms", SpreadJson(f.intervals[0])},
          {"retry_intervals_ms", intervals},
          {"most_attempts", f.most_attempts},
          {"given_up", f.given_up},
          {"given_up_sequences", SeqList(f.given_up_sequences)},
          {"lost", numbered ? Json(f.lost) : Json()},
          {"lost_sequences", numbered ? SeqList(f.lost_sequences) : Json()},
          {"not_numbered", f.not_numbered},
          {"events", f.events},
          {"attempts", f.attempts},
          {"delivered", f.delivered}};
}

std::string OutageText(std::size_t index, const OutageFigures& o) {
  std::string text =
      "outage " + std::to_string(index + 1) + " (" + std::to_string(o.duration_ms) +
      " ms): frames during " + std::to_string(o.during) + ", after " + std::to_string(o.after) +
      ", first after " +
      (o.first_after_ms < 0 ? std::string("none") : std::to_string(o.first_after_ms) + " ms") +
      ", events silenced " + std::to_string(o.silenced) + ", delivered whole " +
      (o.whole ? "yes" : "no");
  if (o.in_order) {
    text += std::string(", in order ") + (*o.in_order ? "yes" : "no") + ", never came " +
            (o.never_came->empty() ? std::string("none") : Joined(*o.never_came));
  } else {
    text += ", order: not known without sequence numbers";
  }
  if (o.recovery_ms >= 0) text += ", recovery " + std::to_string(o.recovery_ms) + " ms";
  return text + "\n";
}

std::string XmlEscaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '&':
        escaped += "&amp;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        // XML 1.0 has no place for the other control characters.
        escaped += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' ? '?' : c;
    }
  }
  return escaped;
}

std::string TestCase(const VerdictCase& c, const std::string& suite) {
  std::string xml =
      "  <testcase classname=\"" + XmlEscaped(suite) + "\" name=\"" + XmlEscaped(c.name) + "\"";
  if (!c.Failed()) return xml + "/>\n";
  return xml + ">\n    <failure type=\"" + XmlEscaped(c.type) + "\" message=\"" +
         XmlEscaped(c.message) + "\">" + XmlEscaped(c.body) + "</failure>\n  </testcase>\n";
}

VerdictCase AnswersCase(const AnswerCounts& a) {
  VerdictCase c{"answers", "answers", "", ""};
  if (a.nacked_own == 0 && a.dropped == 0) return c;
  c.message = std::to_string(a.nacked_own) + " of " + std::to_string(a.received) +
              " frames NACKed for their own checksum, " + std::to_string(a.dropped) +
              " dropped; expected none";
  for (const std::string& s : a.sequences) c.body += (c.body.empty() ? "" : " ") + s;
  return c;
}

void LineCases(std::vector<VerdictCase>& cases, const std::string& prefix, const RetryFigures& f,
               bool numbered) {
  if (numbered) {
    VerdictCase lost{prefix + "nothing lost", "lost", "", ""};
    if (f.lost > 0) {
      lost.message = Counted(f.lost, "sequence number") + " lost; expected none";
      lost.body = Joined(f.lost_sequences);
    }
    cases.push_back(lost);
  }
  VerdictCase given_up{prefix + "nothing given up", "given-up", "", ""};
  if (f.given_up > 0) {
    given_up.message = Counted(f.given_up, "event") + " given up; expected none";
    given_up.body = numbered ? Joined(f.given_up_sequences) : std::string();
  }
  cases.push_back(given_up);
}

VerdictCase OutageCase(std::size_t index, const OutageFigures& o) {
  VerdictCase c{"outage " + std::to_string(index + 1) + ": delivered whole and in order", "outage",
                "", ""};
  if (o.Passed()) return c;
  std::string measured;
  if (!o.whole) measured = "not every event it silenced was delivered after it";
  if (!o.in_order.value_or(true)) {
    measured += std::string(measured.empty() ? "" : ", and ") + "delivered out of order";
  }
  c.message = measured + " (" + std::to_string(o.silenced) +
              " events silenced); expected every one, in ascending order";
  if (o.never_came) c.body = Joined(*o.never_came);
  return c;
}

}  // namespace

std::string RetransmissionText(const LedgerReport& report) {
  std::string text = "retransmissions: " + FiguresText(report.total, report.numbered) + "\n";
  for (std::size_t i = 0; i < kLineCount; ++i) {
    if (report.lines[i].events == 0 && report.lines[i].not_numbered == 0) continue;
    text += "  line " + TwoDigits(i + 1) + ": " + FiguresText(report.lines[i], true) + "\n";
  }
  if (report.beyond_window > 0) {
    text +=
        "  frames too far behind the newest to follow: " + std::to_string(report.beyond_window) +
        "\n";
  }
  for (std::size_t i = 0; i < report.outages.size(); ++i) text += OutageText(i, report.outages[i]);
  return text;
}

Json RetransmissionJson(const LedgerReport& report) {
  Json json = FiguresJson(report.total, report.numbered);
  json["beyond_window"] = report.beyond_window;
  json["lines"] = Json::array();
  for (std::size_t i = 0; i < kLineCount; ++i) {
    if (report.lines[i].events == 0) continue;
    Json line = {{"line", i + 1}};
    line.update(FiguresJson(report.lines[i], true));
    json["lines"].push_back(line);
  }
  json["outages"] = Json::array();
  for (const OutageFigures& o : report.outages) {
    json["outages"].push_back(
        Json{{"duration_ms", o.duration_ms},
             {"frames_during", o.during},
             {"frames_after", o.after},
             {"first_after_ms", o.first_after_ms < 0 ? Json() : Json(o.first_after_ms)},
             {"in_order", o.in_order ? Json(*o.in_order) : Json()},
             {"never_came", o.never_came ? SeqList(*o.never_came) : Json()},
             {"events_silenced", o.silenced},
             {"whole", o.whole},
             {"recovery_ms", o.recovery_ms < 0 ? Json() : Json(o.recovery_ms)}});
  }
  return json;
}

std::vector<VerdictCase> RetransmissionVerdicts(const LedgerReport& report,
                                                const AnswerCounts& answers) {
  std::vector<VerdictCase> cases{AnswersCase(answers)};
  bool lines = false;
  for (std::size_t i = 0; i < kLineCount; ++i) {
    if (report.lines[i].events == 0) continue;
    lines = true;
    LineCases(cases, "line " + TwoDigits(i + 1) + ": ", report.lines[i], true);
  }
  // Events without a line ("4100" frames) are judged as a whole.
  if (!lines && report.total.events > 0) LineCases(cases, "", report.total, report.numbered);
  for (std::size_t i = 0; i < report.outages.size(); ++i) {
    cases.push_back(OutageCase(i, report.outages[i]));
  }
  return cases;
}

std::string RetransmissionJUnit(const std::vector<VerdictCase>& cases, const std::string& suite,
                                double seconds) {
  const auto failures =
      std::count_if(cases.begin(), cases.end(), [](const VerdictCase& c) { return c.Failed(); });
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"" +
                    XmlEscaped(suite) + "\" tests=\"" + std::to_string(cases.size()) +
                    "\" failures=\"" + std::to_string(failures) + "\" errors=\"0\" time=\"" +
                    FixedText(seconds, 3) + "\">\n";
  for (const VerdictCase& c : cases) xml += TestCase(c, suite);
  return xml + "</testsuite>\n";
}

bool AnyFailed(const std::vector<VerdictCase>& cases) {
  return std::any_of(cases.begin(), cases.end(), [](const VerdictCase& c) { return c.Failed(); });
}

}  // namespace v7400
