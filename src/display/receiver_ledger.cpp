#include "display/receiver_ledger.h"

#include <algorithm>

namespace v7400 {

namespace {

// Ticks wrap at 2^32: compared by their difference.
bool NotAfter(std::uint32_t tick, std::uint32_t now) {
  return static_cast<std::int32_t>(now - tick) >= 0;
}

void List(std::vector<int>& list, int number) {
  if (list.size() < kListedLimit) list.push_back(number);
}

void Merge(RetryFigures& into, const RetryFigures& from) {
  into.events += from.events;
  into.attempts += from.attempts;
  into.delivered += from.delivered;
  into.after_ack += from.after_ack;
  into.after_nack += from.after_nack;
  into.after_fault += from.after_fault;
  for (std::size_t i = 0; i < kRepeatOrders; ++i) into.intervals[i].Merge(from.intervals[i]);
  into.most_attempts = std::max(into.most_attempts, from.most_attempts);
  into.given_up += from.given_up;
  into.lost += from.lost;
  into.not_numbered += from.not_numbered;
  for (const int n : from.given_up_sequences) List(into.given_up_sequences, n);
  for (const int n : from.lost_sequences) List(into.lost_sequences, n);
}

}  // namespace

void ReceiverLedger::OnFrame(const FrameReport& record) {
  last_ = {};
  if (record.direction != FrameDirection::kIn || record.verdict == FrameVerdict::kIgnored ||
      record.verdict == FrameVerdict::kDropped) {
    return;
  }
  const std::size_t line = record.line > 0 ? static_cast<std::size_t>(record.line - 1) : kNoLine;
  const std::optional<std::int64_t> position = Position(record);
  if (position) {
    Attempt(*position, line, record);
  } else if (numbered_ && !record.sequence && record.sequence_field != "AAAA") {
    ++Line(line).not_numbered;
  }
}

std::optional<std::int64_t> ReceiverLedger::Position(const FrameReport& record) {
  numbered_ = record.format == AutomationFormat::kSia;
  if (!numbered_) {
    // The same bytes again before any other frame are the same event.
    if (serial_ == 0 || record.bytes != last_bytes_) {
      last_bytes_ = record.bytes;
      ++serial_;
    }
    return serial_;
  }
  if (!record.sequence) return std::nullopt;
  const std::int64_t position = numbering_.Place(*record.sequence);
  if (position <= *numbering_.Newest() - kLedgerWindow) {
    ++beyond_window_;
    return std::nullopt;
  }
  return position;
}

void ReceiverLedger::Attempt(std::int64_t position, std::size_t line, const FrameReport& record) {
  const std::uint32_t tick = record.tick;
  Slot* slot = SlotAt(position);
  if (slot == nullptr || !slot->event) {
    Arrive(position, line);
    slot = SlotAt(position);
    slot->event.emplace();
    slot->event->line = line;
    ++Line(line).events;
  } else {
    Repeat(*slot->event, tick);
  }
  Event& event = *slot->event;
  ++Line(event.line).attempts;
  ++event.attempts;
  // An attempt after the answer that delivered the event does not count towards it.
  if (!event.delivered || !NotAfter(*event.delivered, tick)) {
    event.attempts_to_delivery = event.attempts;
  }
  event.last_tick = tick;
  event.last_nack = record.verdict == FrameVerdict::kNack;
  event.last_delivery.reset();
  if (record.answer.delivered) {
    const std::uint32_t at = tick + record.answer.delay_ms;
    event.last_delivery = at;
    if (!event.delivered || static_cast<std::int32_t>(at - *event.delivered) < 0) {
      event.delivered = at;
    }
  }
  BookOutages(event, position, record);
  last_.attempt = event.attempts;
}

void ReceiverLedger::Repeat(Event& event, std::uint32_t tick) {
  // Booked to the line of the event repeated, by the answer to the attempt before.
  RetryFigures& figures = Line(event.line);
  if (event.last_delivery && NotAfter(*event.last_delivery, tick)) {
    ++figures.after_ack;
  } else if (event.last_nack) {
    ++figures.after_nack;
  } else {
    ++figures.after_fault;
  }
  const std::uint32_t interval = tick - event.last_tick;
  const std::size_t order = std::min<std::size_t>(event.attempts, kRepeatOrders) - 1;
  figures.intervals[order].Add(interval);
  last_.interval_ms = interval;
}

void ReceiverLedger::BookOutages(Event& event, std::int64_t position, const FrameReport& record) {
  const std::uint32_t tick = record.tick;
  if (record.answer.outage > 0) {
    const auto index = static_cast<std::size_t>(record.answer.outage - 1);
    if (index < outages_.size()) {
      Outage& outage = outages_[index];
      ++outage.figures.during;
      const bool booked = std::any_of(event.silenced_by.begin(), event.silenced_by.end(),
                                      [index](const auto& by) { return by.first == index; });
      if (!booked) {
        ++outage.figures.silenced;
        const bool listed = outage.silenced.size() < kSilencedListed;
        event.silenced_by.emplace_back(index, listed ? outage.silenced.size() : kUnlisted);
        if (listed) outage.silenced.push_back({position, std::nullopt, false});
      }
    }
  }
  // Frames after the outage begun last, once it is over.
  if (!latest_begun_) return;
  OutageFigures& last = outages_[*latest_begun_].figures;
  const std::uint32_t since = tick - last.start_tick;
  if (!NotAfter(last.start_tick, tick) || since < last.duration_ms) return;
  if (last.after == 0) last.first_after_ms = since - last.duration_ms;
  ++last.after;
}

void ReceiverLedger::Arrive(std::int64_t position, std::size_t line) {
  if (window_.empty()) {
    base_ = position;
    window_.push_back({true, kNoLine, std::nullopt});
    return;
  }
  while (position < base_) {  // older than the first one seen, still within the window
    window_.push_front({false, line, std::nullopt});
    --base_;
  }
  while (base_ + static_cast<std::int64_t>(window_.size()) <= position) {
    window_.push_back({false, line, std::nullopt});
  }
  window_[static_cast<std::size_t>(position - base_)].arrived = true;
  while (static_cast<std::int64_t>(window_.size()) > kLedgerWindow) Close(base_);
}

ReceiverLedger::Slot* ReceiverLedger::SlotAt(std::int64_t position) {
  if (position < base_ || position >= base_ + static_cast<std::int64_t>(window_.size())) {
    return nullptr;
  }
  return &window_[static_cast<std::size_t>(position - base_)];
}

const ReceiverLedger::Event* ReceiverLedger::OpenEvent(std::int64_t position) const {
  if (position < base_ || position >= base_ + static_cast<std::int64_t>(window_.size())) {
    return nullptr;
  }
  const std::optional<Event>& event = window_[static_cast<std::size_t>(position - base_)].event;
  return event ? &*event : nullptr;
}

void ReceiverLedger::Close(std::int64_t position) {
  const Slot slot = std::move(window_.front());
  window_.pop_front();
  ++base_;
  if (!slot.arrived) {
    RetryFigures& figures = Line(slot.gap_line);
    ++figures.lost;
    if (numbered_) List(figures.lost_sequences, SequenceLine::NumberAt(position));
    lost_closed_.push_back(position);
    if (lost_closed_.size() > kLedgerWindow) lost_closed_.pop_front();
    return;
  }
  if (slot.event) CloseEvent(position, *slot.event);
}

void ReceiverLedger::Settle(RetryFigures& figures, std::int64_t position, const Event& event,
                            bool gone_on) const {
  if (event.delivered) {
    ++figures.delivered;
    figures.most_attempts = std::max(figures.most_attempts, event.attempts_to_delivery);
  } else if (gone_on) {
    ++figures.given_up;
    if (numbered_) List(figures.given_up_sequences, SequenceLine::NumberAt(position));
  }
}

void ReceiverLedger::CloseEvent(std::int64_t position, const Event& event) {
  // Out of the window: the receiver has long gone on to newer events.
  Settle(Line(event.line), position, event, true);
  for (const auto& [outage, entry] : event.silenced_by) {
    if (entry != kUnlisted) outages_[outage].silenced[entry] = {position, event.delivered, true};
  }
}

void ReceiverLedger::OutageBegan(int number, std::uint32_t start_tick, std::uint32_t duration_ms) {
  if (number < 1) return;
  if (outages_.size() < static_cast<std::size_t>(number)) {
    outages_.resize(static_cast<std::size_t>(number));
  }
  const auto index = static_cast<std::size_t>(number) - 1;
  outages_[index].begun = true;
  outages_[index].figures.number = number;
  outages_[index].figures.start_tick = start_tick;
  outages_[index].figures.duration_ms = duration_ms;
  latest_begun_ = index;
}

void ReceiverLedger::LateAnswersWent(std::uint32_t now) {
  const auto went = [now](std::optional<std::uint32_t>& at) {
    if (at && !NotAfter(*at, now)) at = now;
  };
  for (Slot& slot : window_) {
    if (!slot.event) continue;
    went(slot.event->delivered);
    went(slot.event->last_delivery);
  }
}

LedgerReport ReceiverLedger::Report() const {
  LedgerReport report;
  report.numbered = numbered_;
  report.beyond_window = beyond_window_;
  std::array<RetryFigures, kLineCount + 1> lines = lines_;
  // Open events as if closed now: delivered, or given up when the receiver went on to newer.
  const std::int64_t newest = numbered_ ? numbering_.Newest().value_or(0) : serial_;
  for (std::size_t i = 0; i < window_.size(); ++i) {
    if (!window_[i].event) continue;
    const Event& event = *window_[i].event;
    const std::int64_t position = base_ + static_cast<std::int64_t>(i);
    Settle(lines[event.line], position, event, position < newest);
  }
  for (std::size_t i = 0; i < window_.size(); ++i) {
    if (window_[i].arrived) continue;
    RetryFigures& figures = lines[window_[i].gap_line];
    ++figures.lost;
    if (numbered_) {
      List(figures.lost_sequences, SequenceLine::NumberAt(base_ + static_cast<std::int64_t>(i)));
    }
  }
  for (std::size_t i = 0; i < kLineCount; ++i) report.lines[i] = lines[i];
  for (const RetryFigures& figures : lines) Merge(report.total, figures);
  const std::vector<std::int64_t> lost = LostPositions();
  for (const Outage& outage : outages_) {
    if (outage.begun) report.outages.push_back(Judge(outage, lost));
  }
  return report;
}

std::vector<std::int64_t> ReceiverLedger::LostPositions() const {
  std::vector<std::int64_t> lost(lost_closed_.begin(), lost_closed_.end());
  for (std::size_t i = 0; i < window_.size(); ++i) {
    if (!window_[i].arrived) lost.push_back(base_ + static_cast<std::int64_t>(i));
  }
  return lost;
}

OutageFigures ReceiverLedger::Judge(const Outage& outage,
                                    const std::vector<std::int64_t>& lost) const {
  OutageFigures figures = outage.figures;
  const std::uint32_t end = figures.start_tick + figures.duration_ms;
  std::vector<std::pair<std::uint32_t, std::int64_t>> deliveries;  // (tick since end, position)
  std::vector<std::int64_t> missing;
  for (const Silenced& s : outage.silenced) {
    std::optional<std::uint32_t> delivered = s.delivered;
    if (!s.closed) {
      if (const Event* event = OpenEvent(s.position)) delivered = event->delivered;
    }
    if (delivered && NotAfter(end, *delivered)) {
      deliveries.emplace_back(*delivered - end, s.position);
    } else {
      missing.push_back(s.position);
    }
  }
  figures.whole = missing.empty();
  std::stable_sort(deliveries.begin(), deliveries.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  if (figures.whole && !deliveries.empty()) figures.recovery_ms = deliveries.back().first;
  if (!numbered_) return figures;
  figures.in_order =
      std::is_sorted(deliveries.begin(), deliveries.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
  // The numbers skipped around what it silenced: between them, and next to either end.
  if (!outage.silenced.empty()) {
    const auto [low, high] = std::minmax_element(
        outage.silenced.begin(), outage.silenced.end(),
        [](const Silenced& a, const Silenced& b) { return a.position < b.position; });
    const auto is_lost = [&lost](std::int64_t p) {
      return std::find(lost.begin(), lost.end(), p) != lost.end();
    };
    for (const std::int64_t p : lost) {
      if (p > low->position && p < high->position) missing.push_back(p);
    }
    for (std::int64_t p = low->position - 1; is_lost(p); --p) missing.push_back(p);
    for (std::int64_t p = high->position + 1; is_lost(p); ++p) missing.push_back(p);
  }
  std::sort(missing.begin(), missing.end());
  std::vector<int> never_came;
  for (const std::int64_t p : missing) List(never_came, SequenceLine::NumberAt(p));
  figures.never_came = never_came;
  return figures;
}

}  // namespace v7400
