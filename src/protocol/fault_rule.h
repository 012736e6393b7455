// Answer faults as a person writes them: "nack:every=5", "delay=2500:line=07",
// "drop:p=0.1", and outages "30@after=100". A rule is one fault and any number of selectors,
// separated by colons; every selector must hold for the rule to act on a frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/simulator_state.h"

namespace v7400 {

enum class FaultKind {
  kNack,
  kDrop,
  kDelay,
  kDuplicate,
  kBadCrc,
  kWrongSequence,
  kSplit,
  kGarbage
};

// How a delay rule finds each answer's milliseconds: "delay=MS", "delay=uniform:LOW..HIGH",
// "delay=lognormal:MEDIAN:SIGMA", "delay=MS~JITTER".
enum class DelayShape { kFixed, kUniform, kLognormal, kJitter };

inline constexpr int kMaxFaultDelayMs = 60000;
inline constexpr int kMaxGarbageBytes = 1024;
inline constexpr char kDefaultWrongSequence[] = "0021";
inline constexpr char kKnownFaults[] =
    "nack, drop, delay=MS, duplicate, bad-crc, wrong-sequence[=NNNN], split, garbage=N";

struct FaultRule {
  FaultKind kind = FaultKind::kNack;
  int amount = 0;  // delay: milliseconds (uniform: LOW; lognormal: MEDIAN); garbage: bytes
  DelayShape delay = DelayShape::kFixed;
  int delay_high = 0;    // uniform: HIGH
  int jitter = 0;        // jitter: milliseconds either side of `amount`
  double sigma = 0;      // lognormal
  std::string sequence;  // wrong-sequence: what the ACK carries
  // Selectors; unset ones hold for every frame.
  std::optional<int> every;
  std::optional<int> first;
  std::optional<int> after;
  std::vector<int> lines;  // 1 to 32
  std::optional<std::string> only_sequence;
  std::optional<double> p;

  bool operator==(const FaultRule&) const = default;
};

// The rule, or nullopt with `error` saying what is wrong.
std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error);
// The canonical text, which parses back to the same rule.
std::string ToString(const FaultRule& rule);
// As the CSV's reason names it: "nack every 5".
std::string Describe(const FaultRule& rule);
// Empty when the format can carry the fault; "4100" answers are one byte, so only nack, drop,
// delay, duplicate and garbage apply there.
std::string FormatProblem(const FaultRule& rule, AutomationFormat format);

struct OutagePlan {
  double seconds = 0;
  int after = 0;  // frames answered before it begins
  bool operator==(const OutagePlan&) const = default;
};

inline constexpr double kMaxOutageSeconds = 86400;

// "SECONDS[@after=N]".
std::optional<OutagePlan> ParseOutage(std::string_view text, std::string& error);
std::string ToString(const OutagePlan& outage);

// "--seed": any unsigned 64-bit number.
std::optional<std::uint64_t> ParseSeed(std::string_view text, std::string& error);

}  // namespace v7400
