// How the receiver under test resends: per line the repeats after each kind of answer, the time
// to the first repeat, the attempts a frame needed, the frames it gave up on and the sequence
// numbers it never sent; and for each outage how it delivered what it kept meanwhile. One more
// observer of the frames, fed with the time each one passed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/frame_observer.h"
#include "core/json_text.h"
#include "core/simulator_state.h"

namespace v7400 {

// True when a frame's reason names an answer fault or an outage: its answer was not the plain one.
bool IsFaultReason(std::string_view reason);

struct RetryFigures {
  std::int64_t after_ack = 0;
  std::int64_t after_nack = 0;
  std::int64_t after_fault = 0;  // after a missing or deliberately spoiled answer
  std::vector<std::uint32_t> first_repeat_ms;
  int most_attempts = 0;  // before a plain ACK
  std::int64_t given_up = 0;
  std::vector<int> given_up_sequences;
  std::vector<int> lost_sequences;  // skipped before a frame of the line, never seen since
  std::int64_t Repeats() const { return after_ack + after_nack + after_fault; }
};

struct OutageFigures {
  std::uint32_t start_tick = 0;
  std::uint32_t duration_ms = 0;
  std::int64_t during = 0;
  std::int64_t after = 0;
  std::int64_t first_after_ms = -1;  // -1: none came
  bool in_order = true;
  std::vector<int> missing;  // sequence numbers never seen
};

struct OutageWindow {
  std::uint32_t start_tick = 0;
  std::uint32_t duration_ms = 0;
};

class RetransmissionTracker {
 public:
  // A frame in or out, `tick` when it passed.
  void OnFrame(const FrameReport& report, std::uint32_t tick);
  // The outages so far, as the answer faults hold them, for the figures.
  std::vector<OutageFigures> Outages(const std::vector<OutageWindow>& windows) const;

  const std::array<RetryFigures, kLineCount>& Lines() const { return lines_; }
  RetryFigures Total() const;
  // NACKs the frames earned themselves, not by a fault.
  std::int64_t PlainNacks() const { return plain_nacks_; }

 private:
  struct Attempt {
    int line = 0;
    int sequence = 0;
    std::uint32_t tick = 0;
  };
  // The newest frame of the link and how it has fared so far.
  struct PendingFrame {
    int sequence = 0;  // 0: none yet
    std::size_t line_index = 0;
    std::uint32_t first_tick = 0;
    int attempts = 0;
    bool acked = false;
    bool repeated = false;
    FrameVerdict last_verdict = FrameVerdict::kNone;
    bool last_faulted = false;
  };

  std::array<RetryFigures, kLineCount> lines_{};
  PendingFrame pending_;
  // Takes `sequence` off the lost lists, true when it was there: it came late.
  bool ForgetLost(int sequence);

  std::vector<Attempt> attempts_;  // every SIA event in, in order, for the outage figures
  std::int64_t plain_nacks_ = 0;
};

// The section of the summary, as text lines and as the JSON summary's "retransmissions" object.
std::string RetransmissionText(const RetransmissionTracker& tracker,
                               const std::vector<OutageFigures>& outages);
Json RetransmissionJson(const RetransmissionTracker& tracker,
                        const std::vector<OutageFigures>& outages);
// JUnit XML: one test case for the answers (no frame NACKed for its checksum or dropped), one
// per line with traffic, one per outage.
std::string RetransmissionJUnit(const RetransmissionTracker& tracker,
                                const std::vector<OutageFigures>& outages, std::int64_t received,
                                std::int64_t dropped, double seconds);
// True when a sequence number was lost or an outage was delivered out of order or incomplete.
bool RetransmissionFailed(const RetransmissionTracker& tracker,
                          const std::vector<OutageFigures>& outages);

}  // namespace v7400
