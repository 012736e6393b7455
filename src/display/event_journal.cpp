#include "display/event_journal.h"

#include "display/traffic_csv.h"

namespace v7400 {

EventJournal::EventJournal(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

void EventJournal::Reset() {
  events_.clear();
  by_position_.clear();
  numbering_ = SequenceLine();
  last_bytes_.clear();
  // Ids go on growing, so a reader's `after` never skips the events of the fresh start.
}

JournalEvent& EventJournal::EventFor(const FrameReport& report) {
  std::int64_t position = 0;
  if (report.sequence) {
    position = numbering_.Place(*report.sequence);
    const auto found = by_position_.find(position);
    if (found != by_position_.end()) return events_[found->second - events_.front().id];
  } else if (!events_.empty() && !events_.back().sequence && report.bytes == last_bytes_) {
    return events_.back();
  }
  last_bytes_ = report.bytes;
  if (events_.size() == capacity_) {
    if (events_.front().sequence) by_position_.erase(events_.front().position);
    events_.pop_front();
  }
  JournalEvent& event = events_.emplace_back();
  event.id = next_id_++;
  event.sequence = report.sequence;
  event.position = position;
  event.line = report.line;
  if (report.sequence) by_position_[position] = event.id;
  return event;
}

void EventJournal::OnFrame(const FrameReport& report) {
  if (report.direction != FrameDirection::kIn || report.verdict == FrameVerdict::kIgnored ||
      report.verdict == FrameVerdict::kDropped) {
    return;
  }
  // The events the ledger follows: numbered SIA frames ("AAAA" and bad numbers are none), and
  // every "4100" frame.
  if (report.format == AutomationFormat::kSia && !report.sequence) return;
  JournalEvent& event = EventFor(report);
  ++event.attempts;
  event.delivered = event.delivered || report.answer.delivered;
  if (event.listed.size() < kJournalAttempts) {
    event.listed.push_back({report.tick, report.time, report.verdict, report.answer.delivered,
                            report.answer.rule, report.answer.outage});
  }
}

std::vector<const JournalEvent*> EventJournal::Events(std::optional<std::uint64_t> after,
                                                      std::size_t limit) const {
  std::vector<const JournalEvent*> chosen;
  if (events_.empty() || limit == 0) return chosen;
  std::size_t first = 0;
  if (after) {
    const std::uint64_t oldest = events_.front().id;
    first = *after < oldest ? 0 : static_cast<std::size_t>(*after - oldest + 1);
  } else if (events_.size() > limit) {
    first = events_.size() - limit;
  }
  for (std::size_t i = first; i < events_.size() && chosen.size() < limit; ++i) {
    chosen.push_back(&events_[i]);
  }
  return chosen;
}

Json JournalJson(const EventJournal& journal, const std::vector<const JournalEvent*>& events) {
  Json list = Json::array();
  for (const JournalEvent* event : events) {
    Json attempts = Json::array();
    for (const JournalAttempt& attempt : event->listed) {
      Json one = {{"tick_ms", attempt.tick},
                  {"time", IsoTime(attempt.time)},
                  {"answer", VerdictName(attempt.answer)},
                  {"delivered", attempt.delivered}};
      if (attempt.rule != 0) one["rule"] = attempt.rule;
      if (attempt.outage != 0) one["outage"] = attempt.outage;
      attempts.push_back(std::move(one));
    }
    list.push_back({{"id", event->id},
                    {"sequence", event->sequence ? Json(*event->sequence) : Json(nullptr)},
                    {"line", event->line},
                    {"attempts", event->attempts},
                    {"delivered", event->delivered},
                    {"listed", std::move(attempts)}});
  }
  return {{"last_id", journal.LastId()}, {"events", std::move(list)}};
}

}  // namespace v7400
