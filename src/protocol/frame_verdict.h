// The verdict on a received frame as the traffic readers see it: the answer it gets and why,
// decided from the same checks that choose the bytes of the answer.
#pragma once

#include <string>
#include <string_view>

#include "core/frame_observer.h"
#include "core/simulator_state.h"

namespace v7400 {

inline constexpr char kManualModeReason[] = "ACK mode Manual";
inline constexpr char kNeverAckedReason[] = "sequence AAAA, not answered";
inline constexpr char kNoEndByteReason[] = "no end byte";

struct Verdict {
  FrameVerdict verdict = FrameVerdict::kAck;
  std::string reason;
  std::string cause;       // the likely cause the reason ends with, or empty
  bool simulated = false;  // a NACK the receiving-CRC option made
};

// The checksum check of an SIA frame (with the receiving-CRC debug option), as a verdict.
Verdict CheckSiaCrc(std::string_view frame, DebugOptions& debug);

// The verdict on a frame whose answer was chosen: none for "AAAA" and in Manual mode.
Verdict FinalVerdict(const SimulatorState& state, Verdict checked);

}  // namespace v7400
