// Completes a frame's record where it is published: the format, the address fields and event
// of an SIA frame, the sequence and line as numbers, and the time.
#pragma once

#include "core/clock.h"
#include "core/frame_observer.h"

namespace v7400 {

// An ignored datagram may be ciphertext: its fields are read only when its bytes are a whole
// SIA frame.
void CompleteRecord(FrameReport& report, AutomationFormat format, const Clock* clock);

}  // namespace v7400
