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

std::string NetworkReceiver::Answer(std::string_view payload, Verdict& verdict) {
  if (!state_.IsSia()) return std::string(1, kAck4100);
  verdict = CheckSiaCrc(payload, state_.Debug);
  return verdict.verdict == FrameVerdict::kAck ? BuildAck(state_) : BuildNack(state_);
}

void NetworkReceiver::OnDatagram(const std::string& datagram, const std::string& sender_address,
                                 IpVersion version) {
  if (!Accepts(datagram, sender_address, version)) return;
  Received received;
  TakeIn(received, datagram);
  if (state_.IsAutoAck()) PrepareAnswer(received);
  Judge(received);
  sink_.ReportFrame(Record(received, datagram, sender_address, version));
  Show(received);
  if (!received.send_problem.empty()) throw std::runtime_error(received.send_problem);
  if (!state_.IsAutoAck() || !received.terminated) return;
  Reply(received);
  RunProgrammingSteps(state_, received.payload, lines_);
}

void NetworkReceiver::TakeIn(Received& r, const std::string& datagram) {
  if (state_.EncryptionEnabled) {
    r.decrypted = ingress_.DecryptPacket(datagram);
    r.payload = r.decrypted;
  } else {
    r.payload = datagram;
  }
  r.blank_as_s = state_.SpaceConverting == 1;
  // Room for the answer's text too, which is appended to it.
  r.decimal.reserve(r.payload.size() + 128);
  AppendDecimal(r.decimal, r.payload, r.blank_as_s);
  r.frame_text_size = r.decimal.size();
  // The hexadecimal text is only ever shown in its list.
  r.listed = sink_.KeepsLists();
  if (r.listed) r.hex = RenderBracketedHex(r.payload);
  const char terminator = state_.IsSia() ? kSiaEnd : static_cast<char>(state_.PackageEndChar);
  r.terminated = !r.payload.empty() && r.payload.back() == terminator;
  if (state_.IsSia()) {
    state_.CurrentSequence = SiaSequence(r.payload);
    state_.ReceiverNumber = SiaReceiver(r.payload);
    state_.CurrentLine = SiaLine(r.payload);
  }
  ++state_.ReceivedCount;
}

void NetworkReceiver::PrepareAnswer(Received& r) {
  // Taken before the answer is built: the sequence-error option rewrites it.
  const bool faultable = r.terminated && faults_ != nullptr && faults_->Active() &&
                         !(state_.IsSia() && state_.CurrentSequence == kNeverAckedSequence);
  const std::string sequence = faultable && state_.IsSia() ? state_.CurrentSequence : std::string();
  r.frame_sequence = state_.CurrentSequence;
  r.sequence_option = state_.Debug.SimulateSendingSequenceError;
  r.answer = Answer(r.payload, r.verdict);
  if (faultable) {
    r.fault = faults_->Choose(state_.IsSia() ? FaultLineNumber(state_.CurrentLine) : 0, sequence);
    if (r.fault.Acts()) r.pieces = faults_->Shape(r.fault, r.answer, state_.IsSia(), false);
  }
  const std::string faulted = r.fault.Acts() ? PiecesNow(r.pieces) : std::string();
  const std::string& shown = r.fault.Acts() ? faulted : r.answer;
  if (r.terminated && !shown.empty()) {
    r.decimal += "     ";
    AppendDecimal(r.decimal, shown, r.blank_as_s);
    if (r.listed) {
      r.hex += "     ";
      AppendBracketedHex(r.hex, shown);
    }
  }
}

void NetworkReceiver::Judge(Received& r) {
  r.checked_ok = r.verdict.verdict == FrameVerdict::kAck;
  r.simulated = r.verdict.simulated;
  r.verdict = r.terminated ? FinalVerdict(state_, std::move(r.verdict))
                           : Verdict{FrameVerdict::kNone, kNoEndByteReason, {}, false};
  // SIA frames are text; a 4100 frame may carry any byte, so only SIA says more.
  if (state_.EncryptionEnabled && state_.IsSia() && r.verdict.verdict != FrameVerdict::kAck) {
    const std::string hint = CipherHint(r.payload);
    r.verdict.reason = WithHint(std::move(r.verdict.reason), hint);
    if (r.verdict.cause.empty()) r.verdict.cause = hint;
  }
  r.answering = state_.IsAutoAck() && r.terminated && state_.CurrentSequence != kNeverAckedSequence;
  // Asked before the frame is recorded, so no record calls a frame answered whose answer cannot
  // go out (a receiver name without an address).
  r.send_problem = r.answering ? sender_.SendProblem() : std::string();
  if (!r.send_problem.empty()) {
    r.answering = false;
    r.verdict = Verdict{FrameVerdict::kNone, "answer not sent: " + r.send_problem, {}, false};
    r.decimal.resize(r.frame_text_size);
    if (r.listed) r.hex = RenderBracketedHex(r.payload);
  } else if (r.fault.Acts()) {
    r.verdict.verdict = faults_->VerdictOf(r.fault, r.verdict.verdict);
    r.verdict.reason += (r.verdict.reason.empty() ? "" : "; ") + faults_->Reason(r.fault);
  }
}

FrameReport NetworkReceiver::Record(Received& r, const std::string& datagram,
                                    const std::string& sender_address, IpVersion version) const {
  FrameReport report = FrameIn(UdpLink(version), sender_address, std::string(r.payload),
                               r.verdict.verdict, std::move(r.verdict.reason));
  if (state_.EncryptionEnabled) report.wire = datagram;
  report.cause = std::move(r.verdict.cause);
  // Only an answer a fault or a debug option may have changed is looked at byte by byte.
  if (r.answering && !r.fault.Acts() && !r.sequence_option &&
      !state_.Debug.SimulateSendingCrcError) {
    report.answer.delivered = r.checked_ok;
    report.answer.sent = true;
  } else if (r.answering) {
    const std::string expected = !r.checked_ok    ? std::string()
                                 : state_.IsSia() ? AckFor(r.frame_sequence, state_)
                                                  : std::string(1, kAck4100);
    report.answer =
        RecordAnswer(r.fault, expected, SentAsDatagrams(r.answer, r.fault, r.pieces), false);
  }
  report.answer.deliberate = report.answer.deliberate || r.simulated;
  return report;
}

void NetworkReceiver::Show(const Received& r) {
  std::string& decimal_entry = entry_;
  decimal_entry.clear();
  AppendTimeStamp(decimal_entry, clock_);
  decimal_entry += " <";
  decimal_entry += std::to_string(state_.ReceivedCount);
  decimal_entry += "> :  ";
  const std::size_t prefix_size = decimal_entry.size();
  decimal_entry += r.decimal;
  if (r.listed) {
    sink_.AppendDisplayEntry(decimal_entry.substr(0, prefix_size) + r.hex, decimal_entry);
  }
  lines_.UpdateLineOnReceive(
      decimal_entry, state_.CurrentLine,
      std::string_view(decimal_entry).substr(0, prefix_size + r.frame_text_size));
  sink_.WriteTrafficLog(decimal_entry);
  sink_.TrimDisplayLists();
  sink_.ScrollDisplayToEnd();
  sink_.ShowReceived();
}

void NetworkReceiver::Reply(Received& r) {
  if (r.answering && r.fault.Acts()) {
    faults_->Send(std::move(r.pieces), [this](const AnswerPiece& piece, bool late) {
      if (state_.Closing != 0) return;
      SendNow(piece.bytes, piece.note, piece.fault);
      if (late) ShowLateAnswer(sink_, clock_, piece.bytes, state_.SpaceConverting == 1);
    });
  } else if (r.answering) {
    SendNow(std::move(r.answer));
  }
}

void NetworkReceiver::SendNow(std::string answer, std::string reason, std::string fault) {
  ++state_.SentCount;
  sink_.ShowSent();
  sender_.SendDatagram(answer);
  sink_.ReportSent(std::move(answer), std::move(reason), std::move(fault));
}

}  // namespace v7400
