// Frame records as the display sink publishes them, for tests that feed observers directly.
#pragma once

#include <cstdint>

#include "core/frame_observer.h"
#include "display/frame_record.h"

namespace v7400::testing {

inline FrameReport Completed(FrameReport report, AutomationFormat format = AutomationFormat::kSia,
                             std::uint32_t tick = 0) {
  CompleteRecord(report, format, nullptr);
  report.tick = tick;
  return report;
}

}  // namespace v7400::testing
