// The receiver's recent events one by one, each with its attempts: when it came, the answer it
// really got and whether that delivered it. Bounded: the newest kLedgerWindow events, each with
// its first kJournalAttempts attempts listed and the rest counted. Every event gets an id that
// grows, so a reader polling asks only for the events after the last id it saw.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/frame_observer.h"
#include "core/json_text.h"
#include "core/sequence_number.h"

namespace v7400 {

inline constexpr std::size_t kJournalAttempts = 32;

struct JournalAttempt {
  std::uint32_t tick = 0;
  LocalTime time;
  FrameVerdict answer = FrameVerdict::kNone;
  bool delivered = false;
  int rule = 0;
  int outage = 0;
};

struct JournalEvent {
  std::uint64_t id = 0;
  std::optional<int> sequence;  // none in "4100"
  std::int64_t position = 0;
  int line = 0;
  int attempts = 0;        // exact; the first kJournalAttempts are listed
  bool delivered = false;  // by any of them
  std::vector<JournalAttempt> listed;
};

class EventJournal : public FrameObserver {
 public:
  explicit EventJournal(std::size_t capacity);
  void OnFrame(const FrameReport& report) override;
  void Reset();

  // The events with an id above `after`, oldest first, at most `limit` of them; without
  // `after` the newest `limit`.
  std::vector<const JournalEvent*> Events(std::optional<std::uint64_t> after,
                                          std::size_t limit) const;
  std::uint64_t LastId() const { return next_id_ - 1; }
  const std::deque<JournalEvent>& All() const { return events_; }

 private:
  JournalEvent& EventFor(const FrameReport& report);

  std::size_t capacity_;
  std::deque<JournalEvent> events_;  // ids ascending, no gaps
  // SIA: an event's place in the link's numbering, wrap-aware, as the ledger counts it.
  SequenceLine numbering_;
  std::unordered_map<std::int64_t, std::uint64_t> by_position_;
  std::string last_bytes_;  // "4100": the same bytes again before another frame, the same event
  std::uint64_t next_id_ = 1;
};

Json JournalJson(const EventJournal& journal, const std::vector<const JournalEvent*>& events);

}  // namespace v7400
