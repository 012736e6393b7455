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
  if (state_.ConnectionMode != ConnectionMode::kSerial) {
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
      const std::string cause = length > 0 ? LengthHint(state_.FrameBuffer) : std::string();
      FrameReport report = FrameIn(
          LinkKind::kSerial, "", state_.FrameBuffer, FrameVerdict::kDropped,
          length > 0 ? WithHint(LengthFault(state_.FrameBuffer), cause) : "no start byte 0A");
      report.cause = cause;
      sink_.ReportFrame(std::move(report));
      DropFrame();
      return true;
    }
    const std::string_view frame = state_.FrameBuffer;
    state_.CurrentSequence = SiaSequence(frame);
    state_.ReceiverNumber = SiaReceiver(frame);
    state_.CurrentLine = SiaLine(frame);
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
  const std::size_t frame_text_size = state_.DecimalText.size();
  std::string answer;
  Verdict verdict;
  fault_ = {};
  // Taken before the answer is built: the sequence-error option rewrites the sequence.
  const std::string frame_sequence = state_.CurrentSequence;
  const bool sequence_option = state_.Debug.SimulateSendingSequenceError;
  if (state_.IsAutoAck()) answer = PrepareAnswer(verdict);
  const bool checked_ok = verdict.verdict == FrameVerdict::kAck;
  const bool simulated = verdict.simulated;
  verdict = FinalVerdict(state_, std::move(verdict));
  if (fault_.Acts()) {
    verdict.verdict = faults_->VerdictOf(fault_, verdict.verdict);
    verdict.reason += (verdict.reason.empty() ? "" : "; ") + faults_->Reason(fault_);
  }
  FrameReport report =
      FrameIn(LinkKind::kSerial, "", state_.FrameBuffer, verdict.verdict, verdict.reason);
  report.cause = std::move(verdict.cause);
  if (state_.IsAutoAck()) {
    // Only an answer a fault or a debug option may have changed is looked at byte by byte.
    if (!fault_.Acts() && !sequence_option && !state_.Debug.SimulateSendingCrcError) {
      report.answer.sent = !state_.IsSia() || frame_sequence != kNeverAckedSequence;
      report.answer.delivered = checked_ok && report.answer.sent;
    } else {
      const std::string expected = !checked_ok      ? std::string()
                                   : state_.IsSia() ? AckFor(frame_sequence, state_)
                                                    : std::string(1, kAck4100);
      report.answer = RecordSerialAnswer(answer, expected);
    }
  }
  report.answer.deliberate = report.answer.deliberate || simulated;
  sink_.ReportFrame(std::move(report));
  sink_.WriteTrafficLog(state_.DecimalText);
  sink_.AppendDisplayEntry(std::to_string(state_.ReceivedCount) + ":  " + state_.HexText,
                           state_.DecimalText);
  lines_.UpdateLineOnReceive(state_.DecimalText, state_.CurrentLine,
                             std::string_view(state_.DecimalText).substr(0, frame_text_size));
  sink_.ScrollDisplayToEnd();
  if (state_.IsAutoAck()) SendAnswer(std::move(answer));
}

std::string SerialReceiver::PrepareAnswer(Verdict& verdict) {
  if (!state_.IsSia()) {
    if (ChooseFault(std::string(1, kAck4100), {}, "    ")) return std::string(1, kAck4100);
    state_.DecimalText += "    <06>";
    state_.HexText += "     06";
    return std::string(1, kAck4100);
  }
  std::string answer;
  // Taken before the answer is built: the sequence-error option rewrites it.
  const std::string sequence = state_.CurrentSequence;
  verdict = CheckSiaCrc(state_.FrameBuffer, state_.Debug);
  if (verdict.verdict == FrameVerdict::kAck) {
    answer = BuildAck(state_);
  } else {
    answer = BuildNack(state_);
    sink_.AppendDisplayEntry(kInvalidPackage, kInvalidPackage);
    sink_.WriteTrafficLog(kInvalidPackage);
  }
  if (sequence != kNeverAckedSequence && ChooseFault(answer, sequence, "     ")) return answer;
  state_.DecimalText += "     " + RenderDecimal(answer, true);
  state_.HexText += "     " + RenderHex(answer);
  return answer;
}

bool SerialReceiver::ChooseFault(const std::string& answer, const std::string& sequence,
                                 const char* gap) {
  if (faults_ == nullptr || !faults_->Active()) return false;
  fault_ = faults_->Choose(state_.IsSia() ? FaultLineNumber(state_.CurrentLine) : 0, sequence);
  if (!fault_.Acts()) return false;
  pieces_ = faults_->Shape(fault_, answer, state_.IsSia(), true);
  const std::string sent = PiecesNow(pieces_);
  if (!sent.empty()) {
    state_.DecimalText += gap + RenderDecimal(sent, true);
    state_.HexText += "     " + RenderHex(sent);
  }
  return true;
}

FrameAnswer SerialReceiver::RecordSerialAnswer(std::string& answer, const std::string& expected) {
  std::vector<AnswerPiece> sent;
  if (fault_.Acts()) {
    // The sending-CRC option still acts, on the first piece as it would on the answer.
    if (state_.IsSia() && !pieces_.empty()) {
      ApplySendingCrcError(pieces_.front().bytes, 1, state_.Debug);
    }
    sent = pieces_;
  } else {
    if (state_.IsSia()) ApplySendingCrcError(answer, 1, state_.Debug);
    if (!state_.IsSia() || state_.CurrentSequence != kNeverAckedSequence) sent = {{0, answer}};
  }
  return RecordAnswer(fault_, expected, sent, true);
}

void SerialReceiver::SendAnswer(std::string answer) {
  if (fault_.Acts()) {
    SendFaulted();
    return;
  }
  ++state_.SentCount;
  sink_.ShowSent();
  if (!state_.IsSia()) {
    port_.Write(answer);
    sink_.ReportSent(answer);
    return;
  }
  if (state_.CurrentSequence != kNeverAckedSequence) {
    port_.Write(answer);
    sink_.ReportSent(answer);
  }
  RunProgrammingSteps(state_, state_.FrameBuffer, lines_);
}

void SerialReceiver::SendFaulted() {
  faults_->Send(std::move(pieces_), [this](const AnswerPiece& piece, bool late) {
    if (state_.Closing != 0) return;
    WriteNow(piece.bytes, piece.note, piece.fault);
    if (late) ShowLateAnswer(sink_, clock_, piece.bytes, true);
  });
  pieces_.clear();
  if (state_.IsSia()) RunProgrammingSteps(state_, state_.FrameBuffer, lines_);
}

void SerialReceiver::WriteNow(const std::string& bytes, std::string reason, std::string fault) {
  ++state_.SentCount;
  sink_.ShowSent();
  port_.Write(bytes);
  sink_.ReportSent(bytes, std::move(reason), std::move(fault));
}

}  // namespace v7400
