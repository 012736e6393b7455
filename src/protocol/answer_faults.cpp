#include "protocol/answer_faults.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "codec/frame.h"
#include "display/display_text.h"

namespace v7400 {

namespace {

// An SIA answer with another sequence number in its body, checksum made anew.
std::string WithSequence(const std::string& answer, std::string_view sequence) {
  if (answer.size() < 13) return answer;
  std::string body(SiaBody(answer));
  body.replace(1, 4, sequence);
  return WrapSiaBody(body);
}

std::string SecondsText(double seconds) {
  std::string text = ToString(OutagePlan{seconds, 0});
  return text + " s";
}

}  // namespace

FrameAnswer AnswerOnWire(const std::string& expected, const std::vector<AnswerPiece>& pieces,
                         bool stream) {
  FrameAnswer answer;
  answer.sent = std::any_of(pieces.begin(), pieces.end(),
                            [](const AnswerPiece& piece) { return !piece.bytes.empty(); });
  if (expected.empty()) return answer;
  std::vector<AnswerPiece> in_time = pieces;
  std::stable_sort(in_time.begin(), in_time.end(), [](const AnswerPiece& a, const AnswerPiece& b) {
    return a.delay_ms < b.delay_ms;
  });
  std::string so_far;
  for (const AnswerPiece& piece : in_time) {
    so_far = stream ? so_far + piece.bytes : piece.bytes;
    if (stream ? so_far.starts_with(expected) : so_far == expected) {
      answer.delivered = true;
      answer.delay_ms = static_cast<std::uint32_t>(std::max(piece.delay_ms, 0));
      return answer;
    }
    if (stream && so_far.size() >= expected.size()) return answer;
  }
  return answer;
}

FrameAnswer RecordAnswer(const FaultChoice& choice, const std::string& expected,
                         const std::vector<AnswerPiece>& sent, bool stream) {
  FrameAnswer answer = AnswerOnWire(expected, sent, stream);
  answer.rule = choice.rule;
  answer.outage = choice.outage;
  answer.deliberate = choice.Acts() || (!expected.empty() && !sent.empty() && !answer.delivered);
  return answer;
}

int FaultLineNumber(std::string_view line_field) {
  int line = 0;
  for (const char c : line_field) {
    if (c < '0' || c > '9') return 0;
    line = line * 10 + (c - '0');
  }
  return line;
}

std::string PiecesNow(const std::vector<AnswerPiece>& pieces) {
  std::string bytes;
  for (const AnswerPiece& piece : pieces) {
    if (piece.delay_ms <= 0) bytes += piece.bytes;
  }
  return bytes;
}

void AnswerFaults::SetRules(std::vector<FaultRule> rules, std::uint64_t seed) {
  rules_ = std::move(rules);
  ++rules_version_;
  seen_.assign(rules_.size(), 0);
  // Per line, the rules that look at its frames: those naming it and those naming no line.
  // Frames without a line (0) are for the latter only.
  by_line_.assign(kLineCount + 1, {});
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    for (int line = 0; line <= kLineCount; ++line) {
      const std::vector<int>& lines = rules_[i].lines;
      if (lines.empty() ||
          (line > 0 && std::find(lines.begin(), lines.end(), line) != lines.end())) {
        by_line_[static_cast<std::size_t>(line)].push_back(i);
      }
    }
  }
  seed_ = seed;
  random_.seed(seed);
}

void AnswerFaults::AddOutage(const OutagePlan& plan) {
  waiting_.push_back(outages_.size());
  waiting_sorted_ = false;
  outages_.push_back({plan});
}

int AnswerFaults::StartOutageNow(double seconds, std::string label) {
  OutageSpell spell{OutagePlan{seconds, 0}};
  spell.started = true;
  spell.start_tick = clock_.TickMs();
  spell.label = std::move(label);
  running_.push_back(outages_.size());
  outages_.push_back(std::move(spell));
  const int number = static_cast<int>(outages_.size());
  if (on_outage_) on_outage_(number, outages_.back().start_tick, outages_.back().DurationMs());
  return number;
}

void AnswerFaults::EndOutage(int number) {
  const std::uint32_t now = clock_.TickMs();
  const auto index = static_cast<std::size_t>(number) - 1;
  if (number < 1 || index >= outages_.size() || !outages_[index].started || !Running(index, now)) {
    return;
  }
  OutageSpell& spell = outages_[index];
  spell.ended_after_ms = now - spell.start_tick;
  std::erase(running_, index);
  if (on_outage_) on_outage_(number, spell.start_tick, spell.DurationMs());
}

bool AnswerFaults::Active() const {
  return !rules_.empty() || !waiting_.empty() || InOutage() || before_choose_;
}

bool AnswerFaults::InOutage() const {
  if (running_.empty()) return false;  // asked for every frame: no clock read when none runs
  const std::uint32_t now = clock_.TickMs();
  return std::any_of(running_.begin(), running_.end(),
                     [this, now](std::size_t i) { return Running(i, now); });
}

std::optional<AnswerFaults::OutageLeft> AnswerFaults::RunningOutage() const {
  const std::uint32_t now = clock_.TickMs();
  std::optional<OutageLeft> longest;
  for (const std::size_t i : running_) {
    if (!Running(i, now)) continue;
    const std::uint32_t left = outages_[i].DurationMs() - (now - outages_[i].start_tick);
    if (!longest || left > longest->ms_left) longest = OutageLeft{static_cast<int>(i) + 1, left};
  }
  return longest;
}

void AnswerFaults::StartDueOutages(std::uint32_t now) {
  if (!waiting_sorted_) {
    // Popped from the back: the smallest frame count first, and of equal ones the first given.
    std::sort(waiting_.begin(), waiting_.end(), [this](std::size_t a, std::size_t b) {
      return std::pair(outages_[a].plan.after, a) > std::pair(outages_[b].plan.after, b);
    });
    waiting_sorted_ = true;
  }
  while (!waiting_.empty() && frames_ >= outages_[waiting_.back()].plan.after) {
    const std::size_t i = waiting_.back();
    waiting_.pop_back();
    outages_[i].started = true;
    outages_[i].start_tick = now;
    running_.push_back(i);
    if (on_outage_) on_outage_(static_cast<int>(i) + 1, now, outages_[i].DurationMs());
  }
  std::erase_if(running_, [this, now](std::size_t i) { return !Running(i, now); });
}

FaultChoice AnswerFaults::Choose(int line, std::string_view sequence) {
  if (before_choose_) before_choose_();
  FaultChoice choice;
  choice.sequence = sequence;
  const std::uint32_t now = clock_.TickMs();
  StartDueOutages(now);
  ++frames_;
  if (!running_.empty()) {
    choice.outage = static_cast<int>(*std::min_element(running_.begin(), running_.end())) + 1;
  }
  // Every rule counts the frames it looks at, even those an earlier rule or an outage took,
  // so "every=5" means every fifth frame of the stream whatever the other rules do.
  // Only the rules of the frame's line look at it, in their order.
  for (const std::size_t i : by_line_[line >= 1 && line <= kLineCount ? line : 0]) {
    const bool decided = choice.Acts();
    if (Selects(rules_[i], seen_[i], sequence) && !decided) {
      choice.rule = static_cast<int>(i) + 1;
    }
  }
  return choice;
}

bool AnswerFaults::Selects(FaultRule& rule, std::int64_t& seen, std::string_view sequence) {
  if (rule.only_sequence && *rule.only_sequence != sequence) return false;
  ++seen;
  if (rule.every && seen % *rule.every != 0) return false;
  if (rule.first && seen > *rule.first) return false;
  if (rule.after && seen <= *rule.after) return false;
  return !rule.p || Draw(*rule.p);
}

int AnswerFaults::Uniform(int low, int high) {
  // The top 32 bits scaled to the span in integers, the same on every platform.
  const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1);
  return low + static_cast<int>(((random_() >> 32) * span) >> 32);
}

int AnswerFaults::DelayMs(const FaultRule& rule) {
  switch (rule.delay) {
    case DelayShape::kFixed:
      return rule.amount;
    case DelayShape::kUniform:
      return Uniform(rule.amount, rule.delay_high);
    case DelayShape::kJitter:
      return std::clamp(Uniform(rule.amount - rule.jitter, rule.amount + rule.jitter), 0,
                        kMaxFaultDelayMs);
    case DelayShape::kLognormal: {
      // Box-Muller from two fractions; 1 - fraction is never 0, so the logarithm is finite.
      const double radius = std::sqrt(-2 * std::log(1 - Fraction()));
      const double z = radius * std::cos(2 * std::numbers::pi * Fraction());
      const double ms = rule.amount * std::exp(rule.sigma * z);
      return static_cast<int>(std::lround(std::min(ms, static_cast<double>(kMaxFaultDelayMs))));
    }
  }
  return rule.amount;
}

std::vector<AnswerPiece> AnswerFaults::Shape(FaultChoice& choice, const std::string& answer,
                                             bool sia, bool serial) {
  std::vector<AnswerPiece> pieces = ShapePieces(choice, answer, sia, serial);
  NamePieces(choice, pieces);
  const bool late = std::any_of(pieces.begin(), pieces.end(),
                                [](const AnswerPiece& piece) { return piece.delay_ms > 0; });
  if (!late) return pieces;
  if (scheduler_.HasRoom()) {
    full_said_ = false;
    return pieces;
  }
  choice.queue_full = true;
  ++late_refused_;
  if (!full_said_ && on_full_) on_full_();
  full_said_ = true;
  return {};
}

void AnswerFaults::NamePieces(const FaultChoice& choice, std::vector<AnswerPiece>& pieces) const {
  if (choice.rule == 0) return;
  const FaultKind kind = rules_[static_cast<std::size_t>(choice.rule) - 1].kind;
  const std::string reason = Reason(choice);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    std::string& fault = pieces[i].fault;
    fault = reason;
    if (kind == FaultKind::kSplit && pieces.size() > 1) {
      fault += "; piece " + std::to_string(i + 1) + " of " + std::to_string(pieces.size());
    }
    if (kind == FaultKind::kWrongSequence && !choice.sequence.empty()) {
      fault += "; answers " + choice.sequence;
    }
  }
}

std::vector<AnswerPiece> AnswerFaults::ShapePieces(const FaultChoice& choice,
                                                   const std::string& answer, bool sia,
                                                   bool serial) {
  if (choice.outage != 0) return {};
  if (choice.rule == 0) return {{0, answer}};
  const FaultRule& rule = rules_[static_cast<std::size_t>(choice.rule) - 1];
  // A one-byte answer has no checksum, sequence or halves: those faults leave it alone.
  const bool one_byte_fault = rule.kind == FaultKind::kBadCrc ||
                              rule.kind == FaultKind::kWrongSequence ||
                              rule.kind == FaultKind::kSplit;
  if (!sia && one_byte_fault) return {{0, answer}};
  switch (rule.kind) {
    case FaultKind::kNack:
      return {{0, sia ? WithSequence(answer, "0000") : std::string(1, kNack4100)}};
    case FaultKind::kDrop:
      return {};
    case FaultKind::kDelay: {
      const int ms = DelayMs(rule);
      return {{ms, answer, "delayed " + std::to_string(ms) + " ms"}};
    }
    case FaultKind::kDuplicate:
      return {{0, answer}, {0, answer}};
    case FaultKind::kBadCrc: {
      std::string spoiled = answer;
      if (spoiled.size() > 1) spoiled[1] = '\0';
      return {{0, spoiled}};
    }
    case FaultKind::kWrongSequence:
      return {{0, WithSequence(answer, rule.sequence)}};
    case FaultKind::kSplit: {
      const std::size_t half = answer.size() / 2;
      return {{0, answer.substr(0, half)}, {serial ? kSplitGapMs : 0, answer.substr(half)}};
    }
    case FaultKind::kGarbage: {
      std::string bytes(static_cast<std::size_t>(rule.amount), '\0');
      for (char& byte : bytes) byte = static_cast<char>(random_() & 0xFF);
      return {{0, bytes}};
    }
  }
  return {{0, answer}};
}

FrameVerdict AnswerFaults::VerdictOf(const FaultChoice& choice, FrameVerdict chosen) const {
  if (choice.outage != 0 || choice.queue_full) return FrameVerdict::kNone;
  if (choice.rule == 0) return chosen;
  switch (rules_[static_cast<std::size_t>(choice.rule) - 1].kind) {
    case FaultKind::kNack:
      return FrameVerdict::kNack;
    case FaultKind::kDrop:
    case FaultKind::kGarbage:
      return FrameVerdict::kNone;
    case FaultKind::kWrongSequence:
      return FrameVerdict::kAck;
    default:
      return chosen;
  }
}

std::string AnswerFaults::Reason(const FaultChoice& choice) const {
  if (choice.outage != 0) {
    const OutageSpell& spell = outages_[static_cast<std::size_t>(choice.outage) - 1];
    return "outage " + std::to_string(choice.outage) + ": " +
           (spell.label.empty() ? SecondsText(spell.plan.seconds) : spell.label);
  }
  if (choice.rule == 0) return {};
  return "fault " + std::to_string(choice.rule) + ": " +
         Describe(rules_[static_cast<std::size_t>(choice.rule) - 1]) +
         (choice.queue_full ? std::string("; ") + kLateQueueFullReason : std::string());
}

void AnswerFaults::Send(std::vector<AnswerPiece> pieces,
                        const std::function<void(const AnswerPiece& piece, bool late)>& send) {
  for (AnswerPiece& piece : pieces) {
    if (piece.delay_ms <= 0) {
      send(piece, false);
    } else {
      // Shape found room for these pieces; a split answer's second piece may still be refused.
      const int delay_ms = piece.delay_ms;
      if (!scheduler_.After(delay_ms, [send, piece = std::move(piece)] { send(piece, true); })) {
        ++late_refused_;
      }
    }
  }
}

void ShowLateAnswer(DisplaySink& sink, const Clock& clock, const std::string& bytes,
                    bool blank_as_s) {
  const bool nack = bytes == std::string(1, kNack4100) || SiaSequence(bytes) == "0000";
  const std::string prefix = TimeStamp(clock) + (nack ? " nack:  " : " ack:  ");
  const std::string decimal = prefix + RenderDecimal(bytes, blank_as_s);
  sink.AppendDisplayEntry(prefix + RenderHex(bytes), decimal);
  sink.WriteTrafficLog(decimal);
  sink.ScrollDisplayToEnd();
}

}  // namespace v7400
