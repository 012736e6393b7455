// The traffic as a pcapng capture for Wireshark: one packet per frame in and per frame out,
// each with its direction and a comment holding the verdict and its reason. UDP frames carry
// IPv4 or IPv6 and UDP headers (decrypted payload); with the wire interface on, a second
// interface holds the datagrams as they were on the wire. Serial frames go on a user link type,
// as the receive path cut them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/frame_observer.h"
#include "core/simulator_state.h"
#include "display/pcapng_writer.h"

namespace v7400 {

// The UDP port receivers send to and the dissector is registered for.
inline constexpr std::uint16_t kAutomationUdpPort = 10000;

// Microseconds since 1970-01-01 UTC of a local time.
std::uint64_t EpochMicros(const LocalTime& time);

// "ACK", or "NACK: CRC 1a2b, expected 1A2B: lower-case digits": the verdict and reason, as the
// CSV has them; a frame sent: "out", or with the reason it is unusual, "out: fault 2: split;
// piece 1 of 2".
std::string PacketComment(const FrameReport& report);

// The two ends of a UDP frame that the capture shows.
struct UdpEnds {
  IpPort local;
  IpPort peer;
};

// The ends of a frame on the current UDP link: the peer is the datagram's sender, or the
// receiver (its first resolved address for a name) for a frame sent, at the receiver's port.
// The endpoint listens on every address, so the local end is the loopback address when the
// peer is one, else the unspecified address of the peer's version.
UdpEnds UdpEndsOf(const SimulatorState& state, const FrameReport& report, std::uint16_t local_port);

class TrafficPcap {
 public:
  // Creates the file; false with `error` when it cannot be written.
  bool Open(const std::string& path, bool with_wire, std::string& error);
  bool IsOpen() const { return writer_.IsOpen(); }
  void SetFailureHandler(PcapngWriter::FailureHandler handler) {
    writer_.SetFailureHandler(std::move(handler));
  }

  // Where UDP frames came from and went to, asked for each one (the link may change).
  void SetUdpEnds(std::function<UdpEnds(const FrameReport&)> ends) { ends_ = std::move(ends); }

  void Write(const FrameReport& report, const LocalTime& time);

 private:
  std::optional<std::uint32_t> Interface(std::optional<std::uint32_t>& id, std::uint16_t link_type,
                                         const char* name);
  void WriteUdp(const FrameReport& report, std::uint64_t micros, PacketDirection direction,
                const std::string& comment);

  PcapngWriter writer_;
  bool with_wire_ = false;
  std::function<UdpEnds(const FrameReport&)> ends_;
  std::optional<std::uint32_t> serial_;
  std::optional<std::uint32_t> udp_;
  std::optional<std::uint32_t> wire_;
};

}  // namespace v7400
