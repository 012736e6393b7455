// What the emulator counts, and its report: for people as text, for machines as JSON, and a
// one-line progress display while it runs.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace v7400::emu {

// One event's sends, in milliseconds from the start, and how it ended: "acked", "gave up"
// (after the last retry) or "silent" (an "AAAA" event, never answered).
struct EventAttempts {
  std::string line;
  std::string sequence;
  std::vector<double> sent_ms;
  std::string outcome;
};

// The attempts listed in the report; a longer run counts on but lists no more.
inline constexpr std::size_t kListedEvents = 100000;

struct EmuStats {
  long long events = 0;  // event frames, each counted once however often it was sent
  long long sent = 0;    // frames put on the link, retries included
  long long acked = 0;
  long long nacked = 0;
  long long timed_out = 0;   // waits that ended without an answer
  long long lost = 0;        // events given up after the last retry
  long long silent_ok = 0;   // "AAAA" events that stayed unanswered, as they must
  long long unexpected = 0;  // answers that were not the exact ACK or NACK
  long long late = 0;        // a second ACK for an event already answered, after a retry
  long long accepted = 0;    // "AAAA" acceptances sent for commands
  std::map<std::string, long long> commands;
  std::vector<double> latencies_ms;  // send to ACK
  std::vector<EventAttempts> attempts;
  double elapsed_s = 0;

  long long CommandsTotal() const;
  // True when every event got the answer it should.
  bool Clean() const { return lost == 0 && unexpected == 0; }
};

struct LatencySummary {
  double p50 = 0;
  double p99 = 0;
  double max = 0;
};

// Nearest-rank percentiles; all zero without samples.
LatencySummary Summarize(std::vector<double> samples);

std::string TextReport(const EmuStats& stats);
std::string JsonReport(const EmuStats& stats);
std::string ProgressLine(const EmuStats& stats);

}  // namespace v7400::emu
