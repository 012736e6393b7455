#include "codec/frame.h"

#include "codec/crc16.h"
#include "core/fixed_text.h"

namespace v7400 {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The declared body length: two hexadecimal digits at positions 6-7, else 0.
std::size_t DeclaredLength(std::string_view buffer) {
  const std::string_view field = SiaLength(buffer);
  if (field.size() != 2) return 0;
  const int high = HexDigitValue(field[0]);
  const int low = HexDigitValue(field[1]);
  if (high < 0 || low < 0) return 0;
  return static_cast<std::size_t>(high * 16 + low);
}

std::string AckBody(std::string_view sequence, const SimulatorState& state) {
  std::string body = "\t";
  body += sequence;
  body += state.ReceiverNumber;
  body += state.CurrentLine;
  body += "[]";
  return body;
}

}  // namespace

std::string_view FrameField(std::string_view frame, std::size_t first, std::size_t count) {
  if (first == 0 || first > frame.size()) return {};
  return frame.substr(first - 1, count);
}

std::string_view SiaChecksum(std::string_view frame) { return FrameField(frame, 2, 4); }

std::string_view SiaLength(std::string_view frame) { return FrameField(frame, 6, 2); }

std::string_view SiaBody(std::string_view frame) {
  return frame.size() > 8 ? FrameField(frame, 8, frame.size() - 8) : std::string_view{};
}

std::string_view SiaSequence(std::string_view frame) { return FrameField(frame, 9, 4); }

std::string_view SiaReceiver(std::string_view frame) { return FrameField(frame, 13, 2); }

std::string_view SiaLine(std::string_view frame) { return FrameField(frame, 15, 2); }

std::string_view SiaData(std::string_view frame) {
  if (frame.ends_with(kSiaEnd)) frame.remove_suffix(1);
  return FrameField(frame, 17, frame.size());
}

std::string Hex4(std::uint16_t value) {
  std::string text;
  AppendDigits(text, value, 4, 16);
  return text;
}

std::string HexLength(std::size_t value) {
  std::string text;
  AppendDigits(text, value, 2, 16);
  return text;
}

int CheckFrameLength(std::string_view buffer) {
  if (buffer.size() < 8) return -1;
  const std::size_t expected = DeclaredLength(buffer) + 8;
  if (buffer.size() == expected) return 0;
  return buffer.size() > expected ? 1 : -1;
}

bool CheckFrameCrc(std::string_view frame, DebugOptions& debug) {
  if (debug.SimulateReceivingCrcError) {
    OneShot(debug, debug.SimulateReceivingCrcError);
    return false;
  }
  return Hex4(Crc16(SiaBody(frame))) == SiaChecksum(frame);
}

std::string CrcFault(std::string_view frame) {
  return "CRC " + std::string(SiaChecksum(frame)) + ", expected " + Hex4(Crc16(SiaBody(frame)));
}

std::string LengthFault(std::string_view buffer) {
  const std::size_t body = buffer.size() >= 8 ? buffer.size() - 8 : 0;
  return "declared length " + std::string(SiaLength(buffer)) + ", body " + HexLength(body);
}

std::string WrapSiaBody(std::string_view body) {
  std::string frame;
  frame.reserve(body.size() + 24);
  frame += kSiaStart;
  AppendDigits(frame, Crc16(body), 4, 16);
  AppendDigits(frame, body.size(), 2, 16);
  frame += body;
  frame += kSiaEnd;
  return frame;
}

std::string BuildAck(SimulatorState& state) {
  if (state.Debug.SimulateSendingSequenceError) {
    state.CurrentSequence = "0021";
    OneShot(state.Debug, state.Debug.SimulateSendingSequenceError);
  }
  return WrapSiaBody(AckBody(state.CurrentSequence, state));
}

std::string AckFor(std::string_view sequence, const SimulatorState& state) {
  return WrapSiaBody(AckBody(sequence, state));
}

std::string BuildNack(const SimulatorState& state) { return WrapSiaBody(AckBody("0000", state)); }

void ApplySendingCrcError(std::string& frame, std::size_t offset, DebugOptions& debug) {
  if (!debug.SimulateSendingCrcError) return;
  if (offset < frame.size()) frame[offset] = '\0';
  OneShot(debug, debug.SimulateSendingCrcError);
}

}  // namespace v7400
