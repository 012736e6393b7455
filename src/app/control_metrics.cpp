#include "app/control_metrics.h"

#include "core/fixed_text.h"
#include "display/traffic_csv.h"

namespace v7400 {

namespace {

std::string LineLabel(int line) {
  if (line == 0) return "none";
  return std::string(1, static_cast<char>('0' + line / 10)) + static_cast<char>('0' + line % 10);
}

// A label value with backslash, quote and line end escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return out;
}

class Exposition {
 public:
  void Family(const char* name, const char* type, const char* help) {
    text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  }
  void Sample(const std::string& name, const std::string& labels, const std::string& value) {
    text_ += name + (labels.empty() ? "" : "{" + labels + "}") + " " + value + "\n";
  }
  void Sample(const std::string& name, const std::string& labels, std::int64_t value) {
    Sample(name, labels, std::to_string(value));
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

void Frames(Exposition& out, const TrafficMetrics& traffic) {
  out.Family("v7400_frames_total", "counter",
             "Frames received and sent, by direction, verdict (the answer really sent) and line.");
  for (std::size_t v = 0; v < kVerdictKinds; ++v) {
    const auto verdict = static_cast<FrameVerdict>(v);
    for (int line = 0; line <= kLineCount; ++line) {
      if (const std::int64_t count = traffic.In(verdict, line); count != 0) {
        out.Sample("v7400_frames_total",
                   std::string("direction=\"in\",verdict=\"") + VerdictName(verdict) +
                       "\",line=\"" + LineLabel(line) + "\"",
                   count);
      }
    }
  }
  for (int line = 0; line <= kLineCount; ++line) {
    if (const std::int64_t count = traffic.Out(line); count != 0) {
      out.Sample("v7400_frames_total",
                 "direction=\"out\",verdict=\"sent\",line=\"" + LineLabel(line) + "\"", count);
    }
  }
}

void Receiver(Exposition& out, const LedgerReport& ledger) {
  const RetryFigures& total = ledger.total;
  out.Family("v7400_events_total", "counter", "Events the receiver sent (first attempts).");
  out.Sample("v7400_events_total", "", total.events);
  out.Family("v7400_repeats_total", "counter",
             "Repeats of an event, by the answer to the attempt before: after_ack, after_nack, "
             "after_fault (a missing or spoiled answer).");
  out.Sample("v7400_repeats_total", "kind=\"after_ack\"", total.after_ack);
  out.Sample("v7400_repeats_total", "kind=\"after_nack\"", total.after_nack);
  out.Sample("v7400_repeats_total", "kind=\"after_fault\"", total.after_fault);
  out.Family("v7400_given_up_events", "gauge",
             "Events never delivered although the receiver went on to newer ones.");
  out.Sample("v7400_given_up_events", "", total.given_up);
  out.Family("v7400_lost_sequence_numbers", "gauge", "Sequence numbers that never arrived.");
  out.Sample("v7400_lost_sequence_numbers", "", total.lost);
  out.Family("v7400_retry_interval_seconds", "histogram",
             "Time from an attempt to the next of the same event, by repeat (4: the 4th and "
             "later).");
  for (std::size_t order = 0; order < kRepeatOrders; ++order) {
    const IntervalSpread& spread = total.intervals[order];
    const std::string repeat = "repeat=\"" + std::to_string(order + 1) + "\"";
    for (const std::uint32_t bound : kRetryBoundsMs) {
      out.Sample("v7400_retry_interval_seconds_bucket",
                 repeat + ",le=\"" + ShortestText(bound / 1000.0) + "\"", spread.CountAtMost(bound));
    }
    out.Sample("v7400_retry_interval_seconds_bucket", repeat + ",le=\"+Inf\"", spread.Count());
    out.Sample("v7400_retry_interval_seconds_sum", repeat,
               ShortestText(static_cast<double>(spread.SumMs()) / 1000.0));
    out.Sample("v7400_retry_interval_seconds_count", repeat, spread.Count());
  }
}

void AnswerTimesFamily(Exposition& out, const AnswerTimes& answers) {
  out.Family("v7400_answer_duration_seconds", "histogram",
             "The program's own time from a frame's record to its plain answer handed to the "
             "link (faulted and late answers not timed).");
  std::int64_t seen = 0;
  for (std::size_t i = 0; i < kAnswerTimeBoundsNs.size(); ++i) {
    seen += answers.buckets[i];
    out.Sample("v7400_answer_duration_seconds_bucket",
               "le=\"" + ShortestText(static_cast<double>(kAnswerTimeBoundsNs[i]) / 1e9) + "\"", seen);
  }
  out.Sample("v7400_answer_duration_seconds_bucket", "le=\"+Inf\"", answers.count);
  out.Sample("v7400_answer_duration_seconds_sum", "",
             ShortestText(static_cast<double>(answers.sum_ns) / 1e9));
  out.Sample("v7400_answer_duration_seconds_count", "", answers.count);
}

void Faults(Exposition& out, const MetricsFigures& figures) {
  out.Family("v7400_outage_active", "gauge", "1 while an outage silences the answers.");
  out.Sample("v7400_outage_active", "", figures.outage ? 1 : 0);
  out.Family("v7400_outages_started_total", "counter", "Outages begun.");
  out.Sample("v7400_outages_started_total", "", figures.outages_started);
  out.Family("v7400_fault_rules_active", "gauge", "Answer-fault rules acting.");
  out.Sample("v7400_fault_rules_active", "", static_cast<std::int64_t>(figures.rules.size()));
  out.Family("v7400_fault_rule", "gauge", "Each rule acting, in order; always 1.");
  for (std::size_t i = 0; i < figures.rules.size(); ++i) {
    out.Sample("v7400_fault_rule",
               "index=\"" + std::to_string(i + 1) + "\",rule=\"" +
                   Escaped(ToString(figures.rules[i])) + "\"",
               1);
  }
}

}  // namespace

std::string MetricsText(const MetricsFigures& figures) {
  Exposition out;
  Frames(out, figures.traffic);
  Receiver(out, figures.ledger);
  AnswerTimesFamily(out, figures.traffic.Answers());
  Faults(out, figures);
  return out.Take();
}

}  // namespace v7400
