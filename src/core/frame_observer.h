// The one record of every frame the receive and send paths handle: the bytes, the direction,
// the verdict and why, what its answer really was, the fields a reader of the frame names and
// when it passed. Displays render their own texts; this is for everything that records the
// traffic (traffic log, CSV, capture, the receiver's ledger, summary), none of which reads the
// bytes or the reason text again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/clock.h"
#include "core/simulator_state.h"
#include "core/udp_endpoint.h"

namespace v7400 {

enum class FrameDirection { kIn, kOut };
enum class LinkKind { kSerial, kUdp, kUdp6 };
// kNone: not answered (an "AAAA" frame, no end byte, manual mode, and every frame sent);
// kDropped: too long or no start byte, cut from the stream; kIgnored: not taken at all.
enum class FrameVerdict { kAck, kNack, kNone, kDropped, kIgnored };

// What went on the wire in answer to a frame in, as the receiver gets it.
struct FrameAnswer {
  int rule = 0;    // the 1-based answer fault that acted, 0 none
  int outage = 0;  // the 1-based outage that silenced the answer, 0 none
  // The answer differs from the plain one on purpose: a rule, an outage or a debug option.
  bool deliberate = false;
  // A correct ACK reached the receiver (a late one counts from when it goes) ...
  bool delivered = false;
  // ... this long after the frame came.
  std::uint32_t delay_ms = 0;
  // Bytes went on the wire in answer, right or wrong.
  bool sent = false;
};

// The SIA event a frame carries in its data, "[#account|QCCZZ...]".
struct FrameEvent {
  std::string account;
  char qualifier = 0;
  std::string code;    // two letters
  std::string number;  // the digits after the code (a zone or a user), possibly none
};

struct FrameReport {
  FrameDirection direction = FrameDirection::kIn;
  LinkKind link = LinkKind::kSerial;
  // The sender of a datagram; empty for the serial port and for frames sent.
  std::string peer;
  std::string bytes;
  FrameVerdict verdict = FrameVerdict::kNone;
  std::string reason;
  // A frame sent: the answer fault that shaped it ("fault 2: split; piece 1 of 2"), or empty.
  std::string fault;
  // A datagram as it was on the wire where that differs from `bytes` (an AES packet).
  std::string wire;
  // The likely cause behind a refused or unanswered frame ("lower-case digits"), or empty.
  std::string cause;
  FrameAnswer answer;

  // Filled in once, where the record is published.
  AutomationFormat format = AutomationFormat::kSia;
  // The address fields of an SIA frame as they stand (empty for other frames) ...
  std::string sequence_field, receiver_field, line_field;
  // ... and as numbers: 1 to 9999, nothing for "AAAA" and any other text; 1 to 32, 0 for none.
  std::optional<int> sequence;
  int line = 0;
  std::optional<FrameEvent> event;
  std::uint32_t tick = 0;  // the clock's millisecond tick
  LocalTime time;
};

inline FrameReport FrameIn(LinkKind link, std::string peer, std::string bytes, FrameVerdict verdict,
                           std::string reason) {
  FrameReport report;
  report.link = link;
  report.peer = std::move(peer);
  report.bytes = std::move(bytes);
  report.verdict = verdict;
  report.reason = std::move(reason);
  return report;
}

class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  virtual void OnFrame(const FrameReport& report) = 0;
};

// The link of a datagram received on a binding of `version`.
inline LinkKind UdpLink(IpVersion version) {
  return version == IpVersion::kIPv6 ? LinkKind::kUdp6 : LinkKind::kUdp;
}

// The link a frame sent now goes out on.
inline LinkKind OutgoingLink(const SimulatorState& state) {
  if (state.ConnectionMode != ConnectionMode::kNetwork) return LinkKind::kSerial;
  return state.ReceiverAddress.find(':') != std::string::npos ? LinkKind::kUdp6 : LinkKind::kUdp;
}

}  // namespace v7400
