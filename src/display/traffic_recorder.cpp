#include "display/traffic_recorder.h"

namespace v7400 {

void TrafficRecorder::OnFrame(const FrameReport& report) {
  CsvRow row;
  Track(report, row);
  Count(report);
  const bool csv = csv_ != nullptr && csv_->IsOpen();
  if (pcap_ != nullptr && pcap_->IsOpen()) pcap_->Write(report, report.time);
  if (!csv) return;
  if (ledger_ != nullptr) {
    row.attempt = ledger_->LastAttempt().attempt;
    row.interval_ms = ledger_->LastAttempt().interval_ms;
  }
  row.peer = Peer(report);
  csv_->Write(report, row);
}

void TrafficRecorder::Track(const FrameReport& report, CsvRow& row) {
  if (report.direction != FrameDirection::kIn || report.format != AutomationFormat::kSia ||
      report.verdict == FrameVerdict::kDropped || report.verdict == FrameVerdict::kIgnored ||
      !report.sequence || report.line == 0) {
    return;
  }
  const int sequence = *report.sequence;
  LineTally& tally = tally_.lines[static_cast<std::size_t>(report.line - 1)];
  row.tracked = true;
  row.repeat = last_sequence_ == sequence;
  // Numbers skipped ahead of the newest so far; a step back is a late or resent frame, not a
  // gap. A gap is booked to the line of the frame after it.
  const std::optional<std::int64_t> newest = numbering_.Newest();
  const std::int64_t position = numbering_.Place(sequence);
  if (newest && position > *newest + 1) row.gap = static_cast<int>(position - *newest - 1);
  if (row.repeat) ++tally.repeats;
  tally.gaps += row.gap;
  if (report.verdict != FrameVerdict::kNack && report.event) ++tally.events[report.event->code];
  last_sequence_ = sequence;
}

void TrafficRecorder::Count(const FrameReport& report) {
  if (report.direction == FrameDirection::kOut) {
    ++tally_.sent;
    return;
  }
  if (report.verdict == FrameVerdict::kIgnored) {
    ++tally_.ignored;
    return;
  }
  ++tally_.received;
  if (report.format == AutomationFormat::kSia && !report.cause.empty()) {
    ++tally_.causes[report.cause];
  }
  const bool own_nack = report.verdict == FrameVerdict::kNack && !report.answer.deliberate;
  if ((own_nack || report.verdict == FrameVerdict::kDropped) &&
      tally_.refused.size() < kListedLimit) {
    std::string field = report.sequence_field.empty() ? "?" : report.sequence_field;
    for (char& c : field) c = c < 0x21 || c > 0x7E ? '?' : c;
    tally_.refused.push_back(std::move(field));
  }
  switch (report.verdict) {
    case FrameVerdict::kAck:
      ++tally_.acked;
      break;
    case FrameVerdict::kNack:
      ++tally_.nacked;
      tally_.nacked_own += own_nack ? 1 : 0;
      break;
    case FrameVerdict::kDropped:
      ++tally_.dropped;
      break;
    default:
      ++tally_.unanswered;
      break;
  }
}

std::string TrafficRecorder::Peer(const FrameReport& report) const {
  if (!report.peer.empty()) return report.peer;
  if (report.link == LinkKind::kSerial) return serial_peer_;
  return state_.ReceiverAddress;
}

}  // namespace v7400
