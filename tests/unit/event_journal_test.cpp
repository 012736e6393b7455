#include "display/event_journal.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

FrameReport Attempt(std::optional<int> sequence, bool delivered, std::string bytes = "x") {
  FrameReport report;
  report.format = sequence ? AutomationFormat::kSia : AutomationFormat::k4100;
  report.verdict = delivered ? FrameVerdict::kAck : FrameVerdict::kNack;
  report.sequence = sequence;
  report.bytes = std::move(bytes);
  report.answer.delivered = delivered;
  return report;
}

// Each frame in order, then what the journal holds: "id:sequence×attempts" oldest first.
TEST(EventJournalTest, BooksAttemptsToTheirEventWithinItsCapacity) {
  struct Row {
    const char* name;
    std::vector<FrameReport> frames;
    std::string held;
  };
  const Row rows[] = {
      {"a repeat joins its event",
       {Attempt(1, false), Attempt(2, true), Attempt(1, true)},
       "1:1x2 2:2x1"},
      {"the oldest goes beyond the capacity, and with it its number",
       {Attempt(1, true), Attempt(2, true), Attempt(3, true), Attempt(4, true), Attempt(1, true)},
       "3:3x1 4:4x1 5:1x1"},
      {"9999 then 0001 is the next number, not a late one",
       {Attempt(9998, true), Attempt(9999, true), Attempt(1, true), Attempt(9999, true)},
       "1:9998x1 2:9999x2 3:1x1"},
      {"4100: the same bytes again are the same event",
       {Attempt({}, false, "a"), Attempt({}, true, "a"), Attempt({}, true, "b"),
        Attempt({}, true, "a")},
       "1:-x2 2:-x1 3:-x1"},
  };
  for (const Row& row : rows) {
    EventJournal journal(3);
    for (const FrameReport& frame : row.frames) journal.OnFrame(frame);
    std::string held;
    for (const JournalEvent& event : journal.All()) {
      held += (held.empty() ? "" : " ") + std::to_string(event.id) + ":" +
              (event.sequence ? std::to_string(*event.sequence) : "-") + "x" +
              std::to_string(event.attempts);
    }
    EXPECT_EQ(held, row.held) << row.name;
  }
}

TEST(EventJournalTest, AfterAndLimitPickTheEventsAPollerAsksFor) {
  EventJournal journal(3);
  for (int sequence = 1; sequence <= 5; ++sequence) journal.OnFrame(Attempt(sequence, true));
  const auto ids = [&](std::optional<std::uint64_t> after, std::size_t limit) {
    std::string text;
    for (const JournalEvent* e : journal.Events(after, limit)) text += std::to_string(e->id);
    return text;
  };
  EXPECT_EQ(ids(std::nullopt, 2), "45");  // the newest
  EXPECT_EQ(ids(0, 2), "34");             // the oldest kept after 0
  EXPECT_EQ(ids(3, 10), "45");
  EXPECT_EQ(ids(5, 10), "");
  journal.Reset();
  journal.OnFrame(Attempt(1, true));
  EXPECT_EQ(ids(5, 10), "6");  // ids go on after a reset
}

}  // namespace
}  // namespace v7400
