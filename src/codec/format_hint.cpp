#include "codec/format_hint.h"

#include <algorithm>
#include <cctype>

#include "codec/frame.h"

namespace v7400 {

bool IsWellFormedSia(std::string_view frame) {
  const std::string_view crc = SiaChecksum(frame);
  DebugOptions no_faults;
  return frame.size() > 8 && frame.front() == kSiaStart && frame.back() == kSiaEnd &&
         crc.size() == 4 &&
         std::ranges::all_of(crc, [](unsigned char c) { return std::isxdigit(c) != 0; }) &&
         CheckFrameLength(frame) == 0 && CheckFrameCrc(frame, no_faults);
}

std::string FormatMismatchHint(std::string_view frame, AutomationFormat format, char end_byte) {
  if (format == AutomationFormat::k4100) {
    if (!IsWellFormedSia(frame)) return {};
    return "looks like SIA; the format is 4100 (--format sia, or the Format buttons)";
  }
  if (frame.empty() || frame.back() != end_byte || IsWellFormedSia(frame)) return {};
  return "looks like 4100; the format is SIA (--format 4100, or the Format buttons)";
}

}  // namespace v7400
