#include "protocol/frame_verdict.h"

#include "codec/fault_hints.h"
#include "codec/frame.h"

namespace v7400 {

Verdict CheckSiaCrc(std::string_view frame, DebugOptions& debug) {
  const bool simulated = debug.SimulateReceivingCrcError;
  if (CheckFrameCrc(frame, debug)) return {};
  if (simulated) return {FrameVerdict::kNack, "receiving CRC error simulated", {}, true};
  std::string cause = CrcHint(frame);
  return {FrameVerdict::kNack, WithHint(CrcFault(frame), cause), cause, false};
}

Verdict FinalVerdict(const SimulatorState& state, Verdict checked) {
  if (!state.IsAutoAck()) return {FrameVerdict::kNone, kManualModeReason, {}, false};
  if (state.IsSia() && state.CurrentSequence == kNeverAckedSequence) {
    return {FrameVerdict::kNone, kNeverAckedReason, {}, false};
  }
  return checked;
}

}  // namespace v7400
