#include "protocol/network_receive.h"

#include "codec/cipher.h"
#include "codec/fault_hints.h"
#include "codec/frame.h"
#include "display/display_text.h"
#include "protocol/program_steps.h"

namespace v7400 {

bool NetworkReceiver::Accepts(const std::string& datagram, const std::string& sender_address,
                              bool ipv6) {
  if (state_.Closing != 0 || state_.ConnectionMode != 1) return false;
  std::string reason;
  if (state_.EncryptionEnabled && !IsCipherPacketSize(datagram.size())) {
    reason = "AES packet of " + std::to_string(datagram.size()) + " bytes";
  } else if (!ingress_.IsFromReceiver(sender_address, ipv6)) {
    reason = "from " + sender_address + ", not the receiver";
  } else {
    return true;
  }
  sink_.ReportFrame(FrameIn(ipv6 ? LinkKind::kUdp6 : LinkKind::kUdp, sender_address, datagram,
                            FrameVerdict::kIgnored, std::move(reason)));
  return false;
}

std::string NetworkReceiver::Answer(const std::string& payload, Verdict& verdict) {
  if (!state_.IsSia()) return std::string(1, kAck4100);
  verdict = CheckSiaCrc(payload, state_.Debug);
  return verdict.verdict == FrameVerdict::kAck ? BuildAck(state_) : BuildNack(state_);
}

void NetworkReceiver::OnDatagram(const std::string& datagram, const std::string& sender_address,
                                 bool ipv6) {
  if (!Accepts(datagram, sender_address, ipv6)) return;
  const std::string payload =
      state_.EncryptionEnabled ? ingress_.DecryptPacket(datagram) : datagram;
  const bool blank_as_s = state_.SpaceConverting == 1;
  std::string decimal = RenderDecimal(payload, blank_as_s);
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
  Verdict verdict;
  if (state_.IsAutoAck()) {
    answer = Answer(payload, verdict);
    if (terminated) {
      decimal += "     " + RenderDecimal(answer, blank_as_s);
      if (listed) hex += "     " + RenderBracketedHex(answer);
    }
  }
  verdict = terminated ? FinalVerdict(state_, std::move(verdict))
                       : Verdict{FrameVerdict::kNone, kNoEndByteReason};
  // SIA frames are text; a 4100 frame may carry any byte, so only SIA says more.
  if (state_.EncryptionEnabled && state_.IsSia() && verdict.verdict != FrameVerdict::kAck) {
    verdict.reason = WithHint(std::move(verdict.reason), CipherHint(payload));
  }
  FrameReport report = FrameIn(ipv6 ? LinkKind::kUdp6 : LinkKind::kUdp, sender_address, payload,
                               verdict.verdict, std::move(verdict.reason));
  if (state_.EncryptionEnabled) report.wire = datagram;
  sink_.ReportFrame(report);
  const std::string prefix =
      TimeStamp(clock_) + " <" + std::to_string(state_.ReceivedCount) + "> :  ";
  const std::string decimal_entry = prefix + decimal;
  sink_.AppendDisplayEntry(prefix + hex, decimal_entry);
  lines_.UpdateLineOnReceive(decimal_entry, state_.CurrentLine);
  sink_.WriteTrafficLog(decimal_entry);
  sink_.TrimDisplayLists();
  sink_.ScrollDisplayToEnd();
  sink_.ShowReceived();

  if (!state_.IsAutoAck() || !terminated) return;
  if (state_.CurrentSequence != kNeverAckedSequence) {
    ++state_.SentCount;
    sink_.ShowSent();
    sender_.SendDatagram(answer);
    sink_.ReportSent(answer);
  }
  RunProgrammingSteps(state_, payload, lines_);
}

}  // namespace v7400
