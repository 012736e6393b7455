// What the receive and send paths tell about every frame they handle: the bytes, the direction,
// the verdict and, when it was not a plain ACK, why. Displays render their own texts; this is
// for tools that read the traffic (the CSV file, the run summary).
#pragma once

#include <string>
#include <utility>

#include "core/simulator_state.h"

namespace v7400 {

enum class FrameDirection { kIn, kOut };
enum class LinkKind { kSerial, kUdp, kUdp6 };
// kNone: not answered (an "AAAA" frame, no end byte, manual mode, and every frame sent);
// kDropped: too long or no start byte, cut from the stream; kIgnored: not taken at all.
enum class FrameVerdict { kAck, kNack, kNone, kDropped, kIgnored };

struct FrameReport {
  FrameDirection direction = FrameDirection::kIn;
  LinkKind link = LinkKind::kSerial;
  // The sender of a datagram; empty for the serial port and for frames sent.
  std::string peer;
  std::string bytes;
  FrameVerdict verdict = FrameVerdict::kNone;
  std::string reason;
  // A datagram as it was on the wire where that differs from `bytes` (an AES packet).
  std::string wire;
};

inline FrameReport FrameIn(LinkKind link, std::string peer, std::string bytes, FrameVerdict verdict,
                           std::string reason) {
  return FrameReport{FrameDirection::kIn, link, std::move(peer), std::move(bytes), verdict,
                     std::move(reason),   {}};
}

class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  virtual void OnFrame(const FrameReport& report) = 0;
};

// The link a frame sent now goes out on.
inline LinkKind OutgoingLink(const SimulatorState& state) {
  if (state.ConnectionMode != 1) return LinkKind::kSerial;
  return state.ReceiverAddress.find(':') != std::string::npos ? LinkKind::kUdp6 : LinkKind::kUdp;
}

}  // namespace v7400
