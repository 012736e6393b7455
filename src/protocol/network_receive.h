// The network path: one datagram is one frame. Accepts datagrams from the configured receiver
// only, decrypts them when encryption is on, shows, counts and answers them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
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
  // One taken datagram as its steps below fill it in, in this order.
  struct Received {
    Received() = default;
    Received(const Received&) = delete;  // `payload` may point into `decrypted`
    Received& operator=(const Received&) = delete;
    std::string decrypted;            // the plaintext when encryption is on
    std::string_view payload;         // the datagram, or `decrypted`
    std::string decimal;              // the frame's decimal text, then the answer's shown
    std::string hex;                  // the same in hexadecimal, only when the lists are kept
    std::size_t frame_text_size = 0;  // how much of `decimal` is the frame's own text
    bool listed = false;
    bool blank_as_s = false;
    bool terminated = false;  // ends with the end byte
    std::string answer;
    std::string frame_sequence;    // before the sequence-error option rewrites it
    bool sequence_option = false;  // that option was on
    Verdict verdict;
    FaultChoice fault;
    std::vector<AnswerPiece> pieces;
    bool checked_ok = false;  // the checks alone would have acknowledged it
    bool simulated = false;   // a debug option spoiled the check
    bool answering = false;
    std::string send_problem;
  };
  // Decrypts, renders and reads the address fields; counts the frame.
  void TakeIn(Received& r, const std::string& datagram);
  // In automatic mode: the answer, the fault that shapes it and the texts that show it.
  void PrepareAnswer(Received& received);
  // The verdict to record and whether the answer can go out.
  void Judge(Received& received);
  FrameReport Record(Received& received, const std::string& datagram,
                     const std::string& sender_address, IpVersion version) const;
  void Show(const Received& received);
  void Reply(Received& received);
  std::string Answer(std::string_view payload, Verdict& verdict);
  // The datagrams of the answer as they reach the wire.
  std::vector<AnswerPiece> SentAsDatagrams(const std::string& answer, const FaultChoice& fault,
                                           std::vector<AnswerPiece> pieces) const;
  // Sends one answer now: counted, shown and reported.
  void SendNow(std::string answer, std::string reason = {}, std::string fault = {});

  SimulatorState& state_;
  NetworkIngress& ingress_;
  DatagramSender& sender_;
  DisplaySink& sink_;
  const Clock& clock_;
  LineServices& lines_;
  AnswerFaults* faults_ = nullptr;
  std::string entry_;  // the shown entry, its storage kept from frame to frame
};

}  // namespace v7400
