#include "display/traffic_recorder.h"

#include <charconv>

#include "codec/fault_hints.h"
#include "codec/frame.h"
#include "codec/sia_event.h"

namespace v7400 {

namespace {

constexpr int kSequenceCycle = 9999;  // 0001 to 9999, then 0001 again

// A field of decimal digits only, or -1.
int Number(std::string_view text) {
  int value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  return status == std::errc() && end == text.data() + text.size() && !text.empty() ? value : -1;
}

// The cause the receive paths named after the difference, found again from the frame itself.
std::string LikelyCause(const FrameReport& report, bool encrypted) {
  std::string cause;
  if (report.verdict == FrameVerdict::kNack) cause = CrcHint(report.bytes);
  if (report.verdict == FrameVerdict::kDropped) cause = LengthHint(report.bytes);
  const bool taken =
      report.verdict != FrameVerdict::kAck && report.verdict != FrameVerdict::kIgnored;
  if (cause.empty() && encrypted && taken && report.link != LinkKind::kSerial) {
    cause = CipherHint(report.bytes);
  }
  return cause;
}

}  // namespace

void TrafficRecorder::OnFrame(const FrameReport& report) {
  CsvRow row;
  Track(report, row);
  Count(report);
  const bool csv = csv_ != nullptr && csv_->IsOpen();
  const bool pcap = pcap_ != nullptr && pcap_->IsOpen();
  if (!csv && !pcap) return;
  row.time = clock_.Now();
  if (pcap) pcap_->Write(report, row.time);
  if (!csv) return;
  row.format = state_.Format;
  row.peer = Peer(report);
  csv_->Write(report, row);
}

void TrafficRecorder::Track(const FrameReport& report, CsvRow& row) {
  if (report.direction != FrameDirection::kIn || !state_.IsSia() ||
      report.verdict == FrameVerdict::kDropped || report.verdict == FrameVerdict::kIgnored ||
      report.bytes.empty() || report.bytes.front() != kSiaStart) {
    return;
  }
  const int sequence = Number(FrameField(report.bytes, 9, 4));
  const int line = Number(FrameField(report.bytes, 15, 2));
  if (sequence < 1 || sequence > kSequenceCycle || line < 1 || line > kLineCount) return;
  // The receiver numbers its frames once for the whole link; a gap is booked to the line of
  // the frame after it.
  int& last = last_sequence_;
  LineTally& tally = tally_.lines[static_cast<std::size_t>(line - 1)];
  row.tracked = true;
  row.repeat = sequence == last;
  if (last != 0 && !row.repeat) {
    row.gap = (sequence - last - 1 + kSequenceCycle) % kSequenceCycle;
  }
  if (row.repeat) ++tally.repeats;
  tally.gaps += row.gap;
  if (report.verdict != FrameVerdict::kNack) {
    if (const auto event = DecodeSiaEvent(report.bytes)) ++tally.events[event->code];
  }
  last = sequence;
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
  if (state_.IsSia()) {
    if (const std::string cause = LikelyCause(report, state_.EncryptionEnabled); !cause.empty()) {
      ++tally_.causes[cause];
    }
  }
  switch (report.verdict) {
    case FrameVerdict::kAck:
      ++tally_.acked;
      break;
    case FrameVerdict::kNack:
      ++tally_.nacked;
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
