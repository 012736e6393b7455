#include "app/run_summary.h"

#include <cstdio>

#include "core/fixed_text.h"

namespace v7400 {

namespace {

std::string Fixed(double value) { return FixedText(value, 1); }

bool LineActive(const RunSummary& summary, std::size_t i) {
  const TLine& line = summary.lines[i];
  const LineTally& tally = summary.tally.lines[i];
  return line.EventsReceived != 0 || line.FeedbacksReceived != 0 || line.CommandsSent != 0 ||
         tally.repeats != 0 || tally.gaps != 0;
}

// "BA 3, FA 1" in key order; empty for no counts.
std::string CountsText(const std::map<std::string, std::int64_t>& counts) {
  std::string text;
  for (const auto& [key, count] : counts) {
    text += (text.empty() ? "" : ", ") + key + " " + std::to_string(count);
  }
  return text;
}

}  // namespace

RunSummary MakeRunSummary(const TrafficTally& tally, const SimulatorState& state, double seconds,
                          const std::vector<CommandOutcome>& commands) {
  RunSummary summary;
  summary.tally = tally;
  for (std::size_t i = 0; i < summary.lines.size(); ++i) {
    const TLine& line = state.LineTable[i];
    summary.lines[i].EventsReceived = line.EventsReceived;
    summary.lines[i].FeedbacksReceived = line.FeedbacksReceived;
    summary.lines[i].CommandsSent = line.CommandsSent;
  }
  summary.seconds = seconds;
  summary.commands = commands;
  return summary;
}

double FramesPerSecond(const RunSummary& summary) {
  return summary.seconds > 0 ? static_cast<double>(summary.tally.received) / summary.seconds : 0;
}

std::string SummaryText(const RunSummary& summary) {
  const TrafficTally& t = summary.tally;
  std::string text = "frames received " + std::to_string(t.received) + ", ACKed " +
                     std::to_string(t.acked) + ", NACKed " + std::to_string(t.nacked) +
                     ", not answered " + std::to_string(t.unanswered) + ", dropped " +
                     std::to_string(t.dropped) + "\n";
  text += "datagrams ignored " + std::to_string(t.ignored) + ", frames sent " +
          std::to_string(t.sent) + "\n";
  if (!t.causes.empty()) text += "likely causes: " + CountsText(t.causes) + "\n";
  text += Fixed(FramesPerSecond(summary)) + " frames/s over " + Fixed(summary.seconds) + " s\n";
  for (std::size_t i = 0; i < summary.lines.size(); ++i) {
    if (!LineActive(summary, i)) continue;
    char line[160];
    std::snprintf(line, sizeof line,
                  "line %02zu: events %d, feedbacks %d, repeats %lld, gaps %lld\n", i + 1,
                  summary.lines[i].EventsReceived, summary.lines[i].FeedbacksReceived,
                  static_cast<long long>(summary.tally.lines[i].repeats),
                  static_cast<long long>(summary.tally.lines[i].gaps));
    text += line;
    const std::string events = CountsText(summary.tally.lines[i].events);
    if (!events.empty()) text += "  event codes: " + events + "\n";
  }
  for (const CommandOutcome& outcome : summary.commands) {
    text += "command " + CommandName(outcome.command) + " line " + outcome.command.Line + ": " +
            OutcomeText(outcome) + "\n";
  }
  return text;
}

Json SummaryJson(const RunSummary& summary) {
  const TrafficTally& t = summary.tally;
  Json json = {{"received", t.received},
               {"acked", t.acked},
               {"nacked", t.nacked},
               {"not_answered", t.unanswered},
               {"dropped", t.dropped},
               {"ignored", t.ignored},
               {"sent", t.sent},
               {"seconds", Rounded(summary.seconds, 1)},
               {"frames_per_second", Rounded(FramesPerSecond(summary), 1)},
               {"likely_causes", Json(t.causes)},
               {"lines", Json::array()},
               {"commands", Json::array()}};
  for (std::size_t i = 0; i < summary.lines.size(); ++i) {
    if (!LineActive(summary, i)) continue;
    json["lines"].push_back(Json{{"line", i + 1},
                                 {"events", summary.lines[i].EventsReceived},
                                 {"feedbacks", summary.lines[i].FeedbacksReceived},
                                 {"repeats", summary.tally.lines[i].repeats},
                                 {"gaps", summary.tally.lines[i].gaps},
                                 {"event_codes", Json(summary.tally.lines[i].events)}});
  }
  for (const CommandOutcome& outcome : summary.commands) {
    json["commands"].push_back(Json{{"kind", CommandName(outcome.command)},
                                    {"line", outcome.command.Line},
                                    {"outcome", OutcomeText(outcome)}});
  }
  return json;
}

std::string ProgressLine(const TrafficTally& tally, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(tally.received) / seconds : 0;
  return "received " + std::to_string(tally.received) + "  ACK " + std::to_string(tally.acked) +
         "  NACK " + std::to_string(tally.nacked) + "  dropped " + std::to_string(tally.dropped) +
         "  ignored " + std::to_string(tally.ignored) + "  " + Fixed(rate) + " frames/s";
}

}  // namespace v7400
