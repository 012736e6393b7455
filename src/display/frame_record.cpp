#include "display/frame_record.h"

#include "codec/frame.h"
#include "codec/sia_event.h"
#include "core/sequence_number.h"

namespace v7400 {

namespace {

int LineNumber(std::string_view field) {
  if (field.size() != 2 || field[0] < '0' || field[0] > '9' || field[1] < '0' || field[1] > '9') {
    return 0;
  }
  const int line = (field[0] - '0') * 10 + (field[1] - '0');
  return line <= kLineCount ? line : 0;
}

}  // namespace

void CompleteRecord(FrameReport& report, AutomationFormat format, const Clock* clock) {
  report.format = format;
  if (clock != nullptr) {
    report.tick = clock->TickMs();
    report.time = clock->Now();
  }
  const std::string& bytes = report.bytes;
  const bool sia = format == AutomationFormat::kSia && !bytes.empty() &&
                   bytes.front() == kSiaStart &&
                   (report.verdict != FrameVerdict::kIgnored || CheckFrameLength(bytes) == 0);
  if (!sia) return;
  report.sequence_field = SiaSequence(bytes);
  report.receiver_field = SiaReceiver(bytes);
  report.line_field = SiaLine(bytes);
  report.sequence = SequenceNumber(report.sequence_field);
  report.line = LineNumber(report.line_field);
  report.event = DecodeSiaEvent(bytes);
}

}  // namespace v7400
