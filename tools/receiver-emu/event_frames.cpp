#include "event_frames.h"

#include <cstdio>

#include "codec/frame.h"

namespace v7400::emu {

std::string SpoilChecksum(std::string frame) {
  if (frame.size() > 1) frame[1] = frame[1] == '0' ? '1' : '0';
  return frame;
}

std::string EventSource::NextSequence() {
  // 0001 to 9999 and round again: "0000" is the NACK's sequence.
  sequence_ = sequence_ % 9999 + 1;
  char text[8];
  std::snprintf(text, sizeof text, "%04d", sequence_);
  return text;
}

EventFrame EventSource::Sia(const std::string& sequence, const std::string& line,
                            const std::string& data) {
  EventFrame frame;
  frame.sequence = sequence;
  frame.line = line;
  frame.bytes = WrapSiaBody("\t" + sequence + options_.receiver + line + "[" + data + "]");
  return frame;
}

EventFrame EventSource::Next() {
  ++index_;
  const std::string& line = options_.lines[static_cast<std::size_t>(
      (index_ - 1) % static_cast<long long>(options_.lines.size()))];
  if (options_.format == FrameFormat::k4100) {
    EventFrame frame;
    frame.line = line;
    frame.bytes = options_.data + " " + line + " " + std::to_string(index_) + options_.end_byte;
    return frame;
  }
  const bool silent = options_.aaaa_every > 0 && index_ % options_.aaaa_every == 0;
  EventFrame frame =
      Sia(silent ? std::string(kNeverAckedSequence) : NextSequence(), line, options_.data);
  frame.expect_silence = silent;
  if (!silent && options_.bad_crc_every > 0 && index_ % options_.bad_crc_every == 0) {
    frame.intact = frame.bytes;
    frame.bytes = SpoilChecksum(frame.bytes);
    frame.spoiled = true;
  }
  return frame;
}

EventFrame EventSource::Report(const std::string& line, const std::string& data) {
  return Sia(NextSequence(), line, data);
}

std::string EventSource::ExpectedAck(const EventFrame& frame) const {
  if (options_.format == FrameFormat::k4100) return std::string(1, kAck4100);
  return WrapSiaBody("\t" + frame.sequence + options_.receiver + frame.line + "[]");
}

std::string EventSource::ExpectedNack(const EventFrame& frame) const {
  if (options_.format == FrameFormat::k4100) return std::string(1, kNack4100);
  return WrapSiaBody("\t0000" + options_.receiver + frame.line + "[]");
}

}  // namespace v7400::emu
