// The network path: one datagram is one frame. Accepts datagrams from the configured receiver
// only, decrypts them when encryption is on, shows, counts and answers them.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/line_services.h"
#include "core/link_ports.h"
#include "core/simulator_state.h"
#include "core/udp_endpoint.h"
#include "display/display_sink.h"
#include "protocol/answer_faults.h"
#include "protocol/frame_verdict.h"

namespace v7400 {

class NetworkReceiver {
 public:
  NetworkReceiver(SimulatorState& state, NetworkIngress& ingress, DatagramSender& sender,
                  DisplaySink& sink, const Clock& clock, LineServices& lines)
      : state_(state),
        ingress_(ingress),
        sender_(sender),
        sink_(sink),
        clock_(clock),
        lines_(lines) {}

  // One datagram from `sender_address`, received on a binding of `version`.
  void OnDatagram(const std::string& datagram, const std::string& sender_address,
                  IpVersion version);
  // The answer faults to consult; none by default.
  void SetAnswerFaults(AnswerFaults* faults) { faults_ = faults; }

 private:
  // True when the datagram is taken; a datagram from elsewhere or of a wrong size is reported
  // as ignored.
  bool Accepts(const std::string& datagram, const std::string& sender_address, IpVersion version);
  std::string Answer(const std::string& payload, Verdict& verdict);
  // The datagrams of the answer as they reach the wire.
  std::vector<AnswerPiece> SentAsDatagrams(const std::string& answer, const FaultChoice& fault,
                                           std::vector<AnswerPiece> pieces) const;
  // Sends one answer now: counted, shown and reported.
  void SendNow(const std::string& answer, std::string reason = {});

  SimulatorState& state_;
  NetworkIngress& ingress_;
  DatagramSender& sender_;
  DisplaySink& sink_;
  const Clock& clock_;
  LineServices& lines_;
  AnswerFaults* faults_ = nullptr;
};

}  // namespace v7400
