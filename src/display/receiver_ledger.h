// Every event's fate: how the receiver under test sent each event, how often and how soon it
// repeated it, whether an answer reached it, and what became of the events an outage silenced.
// One observer of the frame records; the README's definitions of event, attempt, delivered,
// repeat, given up and lost are what it measures. Memory stays bounded: the events still open
// and a window of the most recent sequence numbers, the rest as counts.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/frame_observer.h"
#include "core/sequence_number.h"
#include "core/simulator_state.h"
#include "display/interval_spread.h"

namespace v7400 {

// The 1st, 2nd, 3rd repeat of an event, and the 4th and later.
inline constexpr std::size_t kRepeatOrders = 4;
// Sequence numbers followed behind the newest one; an older frame is counted, not followed.
inline constexpr std::int64_t kLedgerWindow = 4000;
// Lists of sequence numbers name at most this many; their counts are exact.
inline constexpr std::size_t kListedLimit = 100;
// The events of one outage followed one by one; the ones beyond are counted only.
inline constexpr std::size_t kSilencedListed = 100000;

struct RetryFigures {
  std::int64_t events = 0;
  std::int64_t attempts = 0;
  std::int64_t delivered = 0;
  std::int64_t after_ack = 0;
  std::int64_t after_nack = 0;
  std::int64_t after_fault = 0;  // after a missing or spoiled answer
  // The time from each attempt to the next, by repeat: [0] the first repeat.
  std::array<IntervalSpread, kRepeatOrders> intervals{};
  int most_attempts = 0;  // until delivered
  std::int64_t given_up = 0;
  std::vector<int> given_up_sequences;
  std::int64_t lost = 0;
  std::vector<int> lost_sequences;
  // SIA frames whose sequence field is no number from 0001 to 9999 (not "AAAA"): not followed.
  std::int64_t not_numbered = 0;
  std::int64_t Repeats() const { return after_ack + after_nack + after_fault; }
};

struct OutageFigures {
  int number = 0;  // 1-based, as the faults number it
  std::uint32_t start_tick = 0;
  std::uint32_t duration_ms = 0;
  std::int64_t during = 0;  // attempts whose answers it silenced
  std::int64_t after = 0;   // attempts from its end until the next outage began
  std::int64_t first_after_ms = -1;
  std::int64_t silenced = 0;     // events it silenced
  bool whole = true;             // each of them delivered after its end
  std::optional<bool> in_order;  // in ascending order of delivery; unknown without numbers
  std::optional<std::vector<int>> never_came;  // what it silenced, and the gaps around it
  std::int64_t recovery_ms = -1;  // its end to the delivery of the last event it silenced
  bool Passed() const { return whole && in_order.value_or(true); }
};

struct LedgerReport {
  bool numbered = true;  // false for "4100": no sequence numbers, so nothing lost or in order
  std::array<RetryFigures, kLineCount> lines{};
  RetryFigures total;
  std::vector<OutageFigures> outages;
  std::int64_t beyond_window = 0;  // frames too far behind the newest to follow
};

// The attempt a frame in was, for the CSV: 0 when it is no event.
struct AttemptNote {
  int attempt = 0;
  std::optional<std::uint32_t> interval_ms;
};

// The ledger's own records, outside its class so that each is complete where it is held.
namespace ledger {

inline constexpr std::size_t kNoLine = kLineCount;  // the total only: a "4100" frame
inline constexpr std::size_t kUnlisted = ~std::size_t{0};

struct Event {
  std::size_t line = kNoLine;
  int attempts = 0;
  int attempts_to_delivery = 0;
  std::uint32_t last_tick = 0;
  bool last_nack = false;
  std::optional<std::uint32_t> last_delivery;  // when the last attempt's answer delivered
  std::optional<std::uint32_t> delivered;      // the earliest delivery
  // The outages that silenced it: (outage index, its entry there or kUnlisted).
  std::vector<std::pair<std::size_t, std::size_t>> silenced_by;
};

struct Silenced {
  std::int64_t position = 0;
  std::optional<std::uint32_t> delivered;  // once the event is closed
  bool closed = false;
};

struct Outage {
  bool begun = false;
  OutageFigures figures;
  std::vector<Silenced> silenced;
};

// One number of the window: whether it arrived, and its event until that is closed.
struct Slot {
  bool arrived = false;
  std::size_t gap_line = kNoLine;  // the line of the frame that skipped it
  std::optional<Event> event;
};

}  // namespace ledger

class ReceiverLedger : public FrameObserver {
 public:
  void OnFrame(const FrameReport& record) override;
  // An outage began at `start_tick`; the frames it silences carry its number.
  void OutageBegan(int number, std::uint32_t start_tick, std::uint32_t duration_ms);
  // Every late answer still waiting went at `now`, as at the end of a run.
  void LateAnswersWent(std::uint32_t now);
  // The figures as they stand. A late answer still waiting counts as delivered at its time:
  // it goes then, or at once when the run ends (a late answer with no room is not recorded
  // as delivered at all).
  LedgerReport Report() const;
  // The attempt of the frame seen last.
  const AttemptNote& LastAttempt() const { return last_; }

 private:
  static constexpr std::size_t kNoLine = ledger::kNoLine;
  static constexpr std::size_t kUnlisted = ledger::kUnlisted;
  using Event = ledger::Event;
  using Silenced = ledger::Silenced;
  using Outage = ledger::Outage;
  using Slot = ledger::Slot;

  // The position of an event in, or nothing when it cannot be followed.
  std::optional<std::int64_t> Position(const FrameReport& record);
  void Attempt(std::int64_t position, std::size_t line, const FrameReport& record);
  void Repeat(Event& event, std::uint32_t tick);
  void BookOutages(Event& event, std::int64_t position, const FrameReport& record);
  // Marks `position` arrived, growing the window; what leaves it is closed.
  void Arrive(std::int64_t position, std::size_t line);
  void Close(std::int64_t position);
  Slot* SlotAt(std::int64_t position);
  const Event* OpenEvent(std::int64_t position) const;
  void CloseEvent(std::int64_t position, const Event& event);
  // Books an event's outcome: delivered, or given up when the receiver `gone_on` to newer ones.
  void Settle(RetryFigures& figures, std::int64_t position, const Event& event, bool gone_on) const;
  RetryFigures& Line(std::size_t line) { return lines_[line]; }
  OutageFigures Judge(const Outage& outage, const std::vector<std::int64_t>& lost) const;
  std::vector<std::int64_t> LostPositions() const;

  bool numbered_ = true;
  SequenceLine numbering_;
  std::deque<Slot> window_;  // positions base_ .. base_ + size - 1
  std::int64_t base_ = 0;
  std::deque<std::int64_t> lost_closed_;  // the most recent lost positions out of the window
  // "4100": an event is a frame's bytes, repeated until another frame comes.
  std::string last_bytes_;
  std::int64_t serial_ = 0;
  std::array<RetryFigures, kLineCount + 1> lines_{};
  std::vector<Outage> outages_;  // by number
  std::optional<std::size_t> latest_begun_;
  std::int64_t beyond_window_ = 0;
  AttemptNote last_;
};

}  // namespace v7400
