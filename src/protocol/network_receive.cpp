#include "protocol/network_receive.h"

#include <stdexcept>

#include "codec/cipher.h"
#include "codec/fault_hints.h"
#include "codec/frame.h"
#include "display/display_text.h"
#include "protocol/program_steps.h"

namespace v7400 {

std::vector<AnswerPiece> NetworkReceiver::SentAsDatagrams(const std::string& answer,
                                                          const FaultChoice& fault,
                                                          std::vector<AnswerPiece> pieces) const {
  if (!fault.Acts()) pieces = {{0, answer}};
  // The sending-CRC option spoils datagrams as they go (a cipher packet keeps its frame).
  if (state_.Debug.SimulateSendingCrcError && !state_.EncryptionEnabled) {
    for (AnswerPiece& piece : pieces) {
      if (piece.bytes.size() > 1) piece.bytes[1] = '\0';
      if (state_.Debug.OnlyOneTime) break;
    }
  }
  return pieces;
}

bool NetworkReceiver::Accepts(const std::string& datagram, const std::string& sender_address,
                              IpVersion version) {
  if (state_.Closing != 0 || state_.ConnectionMode != ConnectionMode::kNetwork) return false;
  std::string reason;
  if (state_.EncryptionEnabled && !IsCipherPacketSize(datagram.size())) {
    reason = "AES packet of " + std::to_string(datagram.size()) + " bytes";
  } else if (state_.EncryptionEnabled &&
             DeclaredCipherLength(datagram) > datagram.size() - kCipherHeaderSize) {
    reason = "declared length " + std::to_string(DeclaredCipherLength(datagram)) + ", data " +
             std::to_string(datagram.size() - kCipherHeaderSize);
  } else if (!ingress_.IsFromReceiver(sender_address, version)) {
    reason = "from " + sender_address + ", not the receiver";
  } else {
    return true;
  }
  sink_.ReportFrame(FrameIn(UdpLink(version), sender_address, datagram, FrameVerdict::kIgnored,
                            std::move(reason)));
  return false;
}

std::string NetworkReceiver::Answer(const std::string& payload, Verdict& verdict) {
  if (!state_.IsSia()) return std::string(1, kAck4100);
  verdict = CheckSiaCrc(payload, state_.Debug);
  return verdict.verdict == FrameVerdict::kAck ? BuildAck(state_) : BuildNack(state_);
}

void NetworkReceiver::OnDatagram(const std::string& datagram, const std::string& sender_address,
                                 IpVersion version) {
  if (!Accepts(datagram, sender_address, version)) return;
  const std::string payload =
      state_.EncryptionEnabled ? ingress_.DecryptPacket(datagram) : datagram;
  const bool blank_as_s = state_.SpaceConverting == 1;
  std::string decimal = RenderDecimal(payload, blank_as_s);
  const std::size_t frame_text_size = decimal.size();
  // The hexadecimal text is only ever shown in its list.
  const bool listed = sink_.KeepsLists();
  std::string hex = listed ? RenderBracketedHex(payload) : std::string();
  const char terminator = state_.IsSia() ? kSiaEnd : static_cast<char>(state_.PackageEndChar);
  const bool terminated = !payload.empty() && payload.back() == terminator;
  if (state_.IsSia()) {
    state_.CurrentSequence = FrameField(payload, 9, 4);
    state_.ReceiverNumber = FrameField(payload, 13, 2);
    state_.CurrentLine = FrameField(payload, 15, 2);
  }
  ++state_.ReceivedCount;

  std::string answer;
  std::string frame_sequence;
  bool sequence_option = false;
  Verdict verdict;
  FaultChoice fault;
  std::vector<AnswerPiece> pieces;
  if (state_.IsAutoAck()) {
    // Taken before the answer is built: the sequence-error option rewrites it.
    const bool faultable = terminated && faults_ != nullptr && faults_->Active() &&
                           !(state_.IsSia() && state_.CurrentSequence == kNeverAckedSequence);
    const std::string sequence =
        faultable && state_.IsSia() ? state_.CurrentSequence : std::string();
    frame_sequence = state_.CurrentSequence;
    sequence_option = state_.Debug.SimulateSendingSequenceError;
    answer = Answer(payload, verdict);
    if (faultable) {
      fault = faults_->Choose(state_.IsSia() ? FaultLineNumber(state_.CurrentLine) : 0, sequence);
      if (fault.Acts()) pieces = faults_->Shape(fault, answer, state_.IsSia(), false);
    }
    const std::string faulted = fault.Acts() ? PiecesNow(pieces) : std::string();
    const std::string& shown = fault.Acts() ? faulted : answer;
    if (terminated && !shown.empty()) {
      decimal += "     " + RenderDecimal(shown, blank_as_s);
      if (listed) hex += "     " + RenderBracketedHex(shown);
    }
  }
  const bool checked_ok = verdict.verdict == FrameVerdict::kAck;
  const bool simulated = verdict.simulated;
  verdict = terminated ? FinalVerdict(state_, std::move(verdict))
                       : Verdict{FrameVerdict::kNone, kNoEndByteReason, {}, false};
  // SIA frames are text; a 4100 frame may carry any byte, so only SIA says more.
  if (state_.EncryptionEnabled && state_.IsSia() && verdict.verdict != FrameVerdict::kAck) {
    const std::string hint = CipherHint(payload);
    verdict.reason = WithHint(std::move(verdict.reason), hint);
    if (verdict.cause.empty()) verdict.cause = hint;
  }
  bool answering =
      state_.IsAutoAck() && terminated && state_.CurrentSequence != kNeverAckedSequence;
  // Asked before the frame is recorded, so no record calls a frame answered whose answer cannot
  // go out (a receiver name without an address).
  const std::string send_problem = answering ? sender_.SendProblem() : std::string();
  if (!send_problem.empty()) {
    answering = false;
    verdict = Verdict{FrameVerdict::kNone, "answer not sent: " + send_problem, {}, false};
    decimal.resize(frame_text_size);
    if (listed) hex = RenderBracketedHex(payload);
  } else if (fault.Acts()) {
    verdict.verdict = faults_->VerdictOf(fault, verdict.verdict);
    verdict.reason += (verdict.reason.empty() ? "" : "; ") + faults_->Reason(fault);
  }
  FrameReport report = FrameIn(UdpLink(version), sender_address, payload, verdict.verdict,
                               std::move(verdict.reason));
  if (state_.EncryptionEnabled) report.wire = datagram;
  report.cause = std::move(verdict.cause);
  // Only an answer a fault or a debug option may have changed is looked at byte by byte.
  if (answering && !fault.Acts() && !sequence_option && !state_.Debug.SimulateSendingCrcError) {
    report.answer.delivered = checked_ok;
    report.answer.sent = true;
  } else if (answering) {
    const std::string expected = !checked_ok      ? std::string()
                                 : state_.IsSia() ? AckFor(frame_sequence, state_)
                                                  : std::string(1, kAck4100);
    report.answer = RecordAnswer(fault, expected, SentAsDatagrams(answer, fault, pieces), false);
  }
  report.answer.deliberate = report.answer.deliberate || simulated;
  sink_.ReportFrame(std::move(report));
  const std::string prefix =
      TimeStamp(clock_) + " <" + std::to_string(state_.ReceivedCount) + "> :  ";
  const std::string decimal_entry = prefix + decimal;
  sink_.AppendDisplayEntry(prefix + hex, decimal_entry);
  lines_.UpdateLineOnReceive(
      decimal_entry, state_.CurrentLine,
      std::string_view(decimal_entry).substr(0, prefix.size() + frame_text_size));
  sink_.WriteTrafficLog(decimal_entry);
  sink_.TrimDisplayLists();
  sink_.ScrollDisplayToEnd();
  sink_.ShowReceived();

  if (!send_problem.empty()) throw std::runtime_error(send_problem);
  if (!state_.IsAutoAck() || !terminated) return;
  if (answering && fault.Acts()) {
    faults_->Send(std::move(pieces), [this](const AnswerPiece& piece, bool late) {
      if (state_.Closing != 0) return;
      SendNow(piece.bytes, piece.note);
      if (late) ShowLateAnswer(sink_, clock_, piece.bytes, state_.SpaceConverting == 1);
    });
  } else if (answering) {
    SendNow(answer);
  }
  RunProgrammingSteps(state_, payload, lines_);
}

void NetworkReceiver::SendNow(const std::string& answer, std::string reason) {
  ++state_.SentCount;
  sink_.ShowSent();
  sender_.SendDatagram(answer);
  sink_.ReportSent(answer, std::move(reason));
}

}  // namespace v7400
