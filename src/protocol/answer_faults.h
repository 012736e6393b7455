// Deliberately wrong, late or missing answers, for testing how a receiver copes with a faulty
// automation computer. The receive paths ask Choose for every frame they are about to answer;
// the first rule whose selectors hold decides the frame's fault, and an outage under way
// silences every answer. With no rule and no outage nothing is chosen and nothing changes.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/frame_observer.h"
#include "core/scheduler.h"
#include "display/display_sink.h"
#include "protocol/fault_rule.h"

namespace v7400 {

// The second piece of a split answer on the serial line follows this much later.
inline constexpr int kSplitGapMs = 50;

struct FaultChoice {
  int rule = 0;             // 1-based rule that acts, 0 none
  int outage = 0;           // 1-based outage the frame fell into, 0 none
  bool queue_full = false;  // a late answer refused: too many wait already
  // The frame's sequence field (SIA): a wrong-sequence answer's note names it.
  std::string sequence = {};
  bool Acts() const { return rule != 0 || outage != 0; }
};

inline constexpr char kLateQueueFullReason[] = "late-answer queue full";

// One write or datagram of an answer, `delay_ms` after the frame came.
struct AnswerPiece {
  int delay_ms = 0;
  std::string bytes;
  std::string note = {};  // the reason its out row gives: "delayed 523 ms"
  // The fault, and what the piece is, as the capture names it ("fault 2: split; piece 1 of 2",
  // "fault 3: wrong-sequence; answers 0042").
  std::string fault = {};
};

struct OutageSpell {
  OutagePlan plan;
  bool started = false;
  std::uint32_t start_tick = 0;
  std::optional<std::uint32_t> ended_after_ms = {};  // ended early, this long after its start
  std::string label = {};  // names it in reasons instead of its length
  std::uint32_t DurationMs() const {
    return ended_after_ms.value_or(static_cast<std::uint32_t>(std::llround(plan.seconds * 1000)));
  }
};

// What the receiver gets of an answer sent as `pieces` when `expected` is the correct ACK (empty
// when the frame earns none): a datagram that is that ACK, or on a `stream` the bytes so far
// beginning with it, delivers it, at the delay of the piece that completes it.
FrameAnswer AnswerOnWire(const std::string& expected, const std::vector<AnswerPiece>& pieces,
                         bool stream);

// The record of an answer sent as `sent` (nothing for a frame not answered), chosen by `choice`.
// It is deliberate when a fault or outage acted, or when a correct ACK was due but the bytes
// differ (a debug option spoiled them).
FrameAnswer RecordAnswer(const FaultChoice& choice, const std::string& expected,
                         const std::vector<AnswerPiece>& sent, bool stream);

// The line number of a frame's line field ("07"), 0 when it is none.
int FaultLineNumber(std::string_view line_field);
// The bytes of the pieces that go out with the frame, as its display entry shows them; the late
// ones get entries of their own when they go.
std::string PiecesNow(const std::vector<AnswerPiece>& pieces);

class AnswerFaults {
 public:
  AnswerFaults(const Clock& clock, Scheduler& scheduler) : clock_(clock), scheduler_(scheduler) {}

  // Replaces the rules and starts their counts and the random draws afresh from `seed`.
  void SetRules(std::vector<FaultRule> rules, std::uint64_t seed);
  const std::vector<FaultRule>& Rules() const { return rules_; }
  // Changes each time the rules are set.
  std::uint64_t RulesVersion() const { return rules_version_; }
  std::uint64_t Seed() const { return seed_; }
  void AddOutage(const OutagePlan& plan);
  // An outage from this moment on, as when the automation computer is switched off now; its
  // 1-based number. `label` names it in reasons ("outage 3: phase 2") instead of its length.
  int StartOutageNow(double seconds, std::string label = {});
  // Ends outage `number` now if it is still under way, as when the computer is switched on.
  void EndOutage(int number);
  const std::vector<OutageSpell>& Outages() const { return outages_; }
  // Told when an outage begins: its 1-based number, start tick and length; and again with its
  // new length when it is ended early.
  using OutageHandler = std::function<void(int number, std::uint32_t start, std::uint32_t ms)>;
  void SetOutageHandler(OutageHandler handler) { on_outage_ = std::move(handler); }

  // Called first for every frame chosen for, so that what acts on it can change just before.
  void SetBeforeChoose(std::function<void()> hook) { before_choose_ = std::move(hook); }

  // True while a rule is set, an outage is yet to end or a hook waits for frames; false costs
  // the receive paths nothing.
  bool Active() const;
  // True while an outage silences the answers.
  bool InOutage() const;
  // The outage silencing the answers longest from now: its 1-based number and milliseconds left.
  struct OutageLeft {
    int number = 0;
    std::uint32_t ms_left = 0;
  };
  std::optional<OutageLeft> RunningOutage() const;

  // A frame on `line` (0 when it has none) with `sequence` is about to be answered.
  FaultChoice Choose(int line, std::string_view sequence);
  // What goes on the wire instead of `answer` ("4100": the single byte; SIA: the ACK or NACK
  // frame), each piece with its note. `serial` spaces a split answer's pieces in time. A late
  // answer the queue has no room for is refused: nothing goes, and `choice` says so.
  std::vector<AnswerPiece> Shape(FaultChoice& choice, const std::string& answer, bool sia,
                                 bool serial);
  // The verdict the readers of the traffic see: what was really sent.
  FrameVerdict VerdictOf(const FaultChoice& choice, FrameVerdict chosen) const;
  // "fault 2: nack every 5", "outage 1: 3 s".
  std::string Reason(const FaultChoice& choice) const;

  // Sends each piece through `send`: at once, or scheduled when it is late (`late` set).
  void Send(std::vector<AnswerPiece> pieces,
            const std::function<void(const AnswerPiece& piece, bool late)>& send);
  // The end of a run: every late answer still waiting goes now; how many went.
  std::size_t SendLateNow() { return late_at_end_ += scheduler_.RunAllNow(); }
  // Late answers sent early because the run ended, and refused for want of room.
  std::int64_t LateSentAtEnd() const { return late_at_end_; }
  std::int64_t LateRefused() const { return late_refused_; }
  // Told the first time a late answer is refused, and again after room was found.
  void SetQueueFullHandler(std::function<void()> handler) { on_full_ = std::move(handler); }

 private:
  std::vector<AnswerPiece> ShapePieces(const FaultChoice& choice, const std::string& answer,
                                       bool sia, bool serial);
  void NamePieces(const FaultChoice& choice, std::vector<AnswerPiece>& pieces) const;
  bool Selects(FaultRule& rule, std::int64_t& seen, std::string_view sequence);
  bool Draw(double p) { return Fraction() < p; }
  // 53 random bits as a fraction in [0, 1): the same on every platform for the same seed.
  double Fraction() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }
  // A whole number drawn evenly from low..high, both included.
  int Uniform(int low, int high);
  // The milliseconds a delay rule gives this answer.
  int DelayMs(const FaultRule& rule);
  void StartDueOutages(std::uint32_t now);
  bool Running(std::size_t index, std::uint32_t now) const {
    return now - outages_[index].start_tick < outages_[index].DurationMs();
  }

  const Clock& clock_;
  Scheduler& scheduler_;
  std::vector<FaultRule> rules_;
  std::vector<std::int64_t> seen_;  // per rule: frames it has looked at
  std::vector<std::vector<std::size_t>> by_line_ =
      std::vector<std::vector<std::size_t>>(kLineCount + 1);
  std::vector<OutageSpell> outages_;
  // However many outages there are, a frame looks only at those due to begin next and those
  // under way: the planned ones by their frame count, latest first; the begun ones not yet over.
  std::vector<std::size_t> waiting_;
  bool waiting_sorted_ = true;
  std::vector<std::size_t> running_;
  std::int64_t frames_ = 0;  // frames chosen for so far
  std::uint64_t seed_ = 0;
  std::uint64_t rules_version_ = 0;
  std::mt19937_64 random_;
  OutageHandler on_outage_;
  std::function<void()> on_full_;
  std::function<void()> before_choose_;
  bool full_said_ = false;
  std::int64_t late_at_end_ = 0;
  std::int64_t late_refused_ = 0;
};

// A late answer's own display entry and traffic-log line, in the form of an answer given by hand,
// so the displays show what was sent when it was sent.
void ShowLateAnswer(DisplaySink& sink, const Clock& clock, const std::string& bytes,
                    bool blank_as_s);

}  // namespace v7400
