#include "protocol/frame_verdict.h"

#include "codec/fault_hints.h"
#include "codec/frame.h"

namespace v7400 {

Verdict CheckSiaCrc(std::string_view frame, DebugOptions& debug) {
  const bool simulated = debug.SimulateReceivingCrcError;
  if (CheckFrameCrc(frame, debug)) return {};
  return {FrameVerdict::kNack,
          simulated ? "receiving CRC error simulated" : WithHint(CrcFault(frame), CrcHint(frame))};
}

Verdict FinalVerdict(const SimulatorState& state, Verdict checked) {
  if (!state.IsAutoAck()) return {FrameVerdict::kNone, kManualModeReason};
  if (state.IsSia() && state.CurrentSequence == kNeverAckedSequence) {
    return {FrameVerdict::kNone, kNeverAckedReason};
  }
  return checked;
}

}  // namespace v7400
