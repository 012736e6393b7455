#include "protocol/serial_receive.h"

#include "codec/fault_hints.h"
#include "codec/frame.h"
#include "display/display_text.h"
#include "protocol/program_steps.h"

namespace v7400 {

namespace {

// Empties the assembly buffers and shows the count when a completed frame is done with, even
// when a later step fails, so no stale byte is carried into the next frame.
class FrameDoneGuard {
 public:
  FrameDoneGuard(SimulatorState& state, DisplaySink& sink) : state_(state), sink_(sink) {}
  FrameDoneGuard(const FrameDoneGuard&) = delete;
  FrameDoneGuard& operator=(const FrameDoneGuard&) = delete;
  ~FrameDoneGuard() {
    state_.FrameBuffer.clear();
    state_.HexText.clear();
    state_.DecimalText.clear();
    sink_.ShowReceived();
  }

 private:
  SimulatorState& state_;
  DisplaySink& sink_;
};

}  // namespace

void SerialReceiver::OnDataAvailable(int count) {
  if (state_.Closing != 0) return;
  if (state_.ConnectionMode != 0) {
    for (int i = 0; i < count && port_.ByteReady(); ++i) port_.ReadByte();
    return;
  }
  const char terminator = state_.IsSia() ? kSiaEnd : static_cast<char>(state_.PackageEndChar);
  for (int i = 0; i < count; ++i) {
    if (!port_.ByteReady()) return;
    if (ProcessByte(port_.ReadByte(), terminator)) return;
  }
}

bool SerialReceiver::ProcessByte(char byte, char terminator) {
  state_.FrameBuffer += byte;
  state_.HexText += RenderHex(std::string_view(&byte, 1));
  if (byte != terminator) {
    state_.DecimalText += RenderDecimal(std::string_view(&byte, 1), state_.SpaceConverting == 1);
    return false;
  }
  if (state_.IsSia()) {
    const int length = CheckFrameLength(state_.FrameBuffer);
    if (length < 0) return false;
    if (length > 0 || state_.FrameBuffer.front() != kSiaStart) {
      sink_.ReportFrame(FrameIn(
          LinkKind::kSerial, "", state_.FrameBuffer, FrameVerdict::kDropped,
          length > 0 ? WithHint(LengthFault(state_.FrameBuffer), LengthHint(state_.FrameBuffer))
                     : "no start byte 0A"));
      DropFrame();
      return true;
    }
    const std::string_view frame = state_.FrameBuffer;
    state_.CurrentSequence = FrameField(frame, 9, 4);
    state_.ReceiverNumber = FrameField(frame, 13, 2);
    state_.CurrentLine = FrameField(frame, 15, 2);
  }
  CompleteFrame(terminator);
  return false;
}

void SerialReceiver::DropFrame() {
  state_.FrameBuffer.clear();
  state_.DecimalText.clear();
  state_.HexText.clear();
}

void SerialReceiver::CompleteFrame(char terminator) {
  FrameDoneGuard done(state_, sink_);
  ++state_.ReceivedCount;
  state_.DecimalText = TimeStamp(clock_) + " <" + std::to_string(state_.ReceivedCount) +
                       "> :  " + state_.DecimalText + "[" +
                       std::to_string(static_cast<unsigned char>(terminator)) + "]";
  std::string answer;
  Verdict verdict;
  if (state_.IsAutoAck()) answer = PrepareAnswer(verdict);
  verdict = FinalVerdict(state_, std::move(verdict));
  sink_.ReportFrame(
      FrameIn(LinkKind::kSerial, "", state_.FrameBuffer, verdict.verdict, verdict.reason));
  sink_.WriteTrafficLog(state_.DecimalText);
  sink_.AppendDisplayEntry(std::to_string(state_.ReceivedCount) + ":  " + state_.HexText,
                           state_.DecimalText);
  lines_.UpdateLineOnReceive(state_.DecimalText, state_.CurrentLine);
  sink_.ScrollDisplayToEnd();
  if (state_.IsAutoAck()) SendAnswer(std::move(answer));
}

std::string SerialReceiver::PrepareAnswer(Verdict& verdict) {
  if (!state_.IsSia()) {
    state_.DecimalText += "    <06>";
    state_.HexText += "     06";
    return std::string(1, kAck4100);
  }
  std::string answer;
  verdict = CheckSiaCrc(state_.FrameBuffer, state_.Debug);
  if (verdict.verdict == FrameVerdict::kAck) {
    answer = BuildAck(state_);
  } else {
    answer = BuildNack(state_);
    sink_.AppendDisplayEntry(kInvalidPackage, kInvalidPackage);
    sink_.WriteTrafficLog(kInvalidPackage);
  }
  state_.DecimalText += "     " + RenderDecimal(answer, true);
  state_.HexText += "     " + RenderHex(answer);
  return answer;
}

void SerialReceiver::SendAnswer(std::string answer) {
  ++state_.SentCount;
  sink_.ShowSent();
  if (!state_.IsSia()) {
    port_.Write(answer);
    sink_.ReportSent(answer);
    return;
  }
  ApplySendingCrcError(answer, 1, state_.Debug);
  if (state_.CurrentSequence != kNeverAckedSequence) {
    port_.Write(answer);
    sink_.ReportSent(answer);
  }
  RunProgrammingSteps(state_, state_.FrameBuffer, lines_);
}

}  // namespace v7400
