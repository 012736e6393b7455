#include "display/traffic_pcap.h"

#include <arpa/inet.h>

#include <array>

#include "core/parse_whole.h"
#include "display/traffic_csv.h"

namespace v7400 {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int year_of_era = y - era * 400;
  const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return static_cast<std::int64_t>(era) * 146097 + day_of_era - 719468;
}

bool IsNumeric(const std::string& address, LinkKind link) {
  std::array<unsigned char, 16> bytes{};
  return inet_pton(link == LinkKind::kUdp6 ? AF_INET6 : AF_INET, address.c_str(), bytes.data()) ==
         1;
}

std::string WithoutZone(const std::string& address) { return address.substr(0, address.find('%')); }

std::uint16_t PortNumber(const std::string& text) {
  return ParseWhole<std::uint16_t>(text).value_or(0);
}

}  // namespace

UdpEnds UdpEndsOf(const SimulatorState& state, const FrameReport& report,
                  std::uint16_t local_port) {
  const bool ipv6 = report.link == LinkKind::kUdp6;
  std::string peer = WithoutZone(report.peer);
  if (peer.empty()) {
    peer = WithoutZone(state.ReceiverAddress);
    for (const std::string& resolved : state.ReceiverResolvedAddresses) {
      if (IsNumeric(peer, report.link)) break;
      peer = WithoutZone(resolved);
    }
  }
  if (!IsNumeric(peer, report.link)) peer = ipv6 ? "::" : "0.0.0.0";
  const bool loopback = ipv6 ? peer == "::1" : peer.starts_with("127.");
  const std::string local = loopback ? (ipv6 ? "::1" : "127.0.0.1") : (ipv6 ? "::" : "0.0.0.0");
  return {{local, local_port}, {peer, PortNumber(state.ReceiverPort)}};
}

std::uint64_t EpochMicros(const LocalTime& time) {
  const std::int64_t seconds = DaysFromCivil(time.year, time.month, time.day) * 86400 +
                               time.hour * 3600 + time.minute * 60 + time.second -
                               static_cast<std::int64_t>(time.utc_offset_minutes) * 60;
  const std::int64_t micros = seconds * 1000000 + time.millisecond * 1000 + time.microsecond;
  return micros < 0 ? 0 : static_cast<std::uint64_t>(micros);
}

std::string PacketComment(const FrameReport& report) {
  if (report.direction == FrameDirection::kOut) {
    // "out: fault 1: delay 500; delayed 523 ms": the fault first, then the out row's reason.
    const std::string& first = report.fault.empty() ? report.reason : report.fault;
    std::string comment = first.empty() ? "out" : "out: " + first;
    if (!report.fault.empty() && !report.reason.empty()) comment += "; " + report.reason;
    return comment;
  }
  std::string comment = VerdictName(report.verdict);
  if (!report.reason.empty()) comment += ": " + report.reason;
  return comment;
}

bool TrafficPcap::Open(const std::string& path, bool with_wire, std::string& error) {
  with_wire_ = with_wire;
  return writer_.Open(path, error);
}

std::optional<std::uint32_t> TrafficPcap::Interface(std::optional<std::uint32_t>& id,
                                                    std::uint16_t link_type, const char* name) {
  if (!id) id = writer_.AddInterface(link_type, name);
  return id;
}

void TrafficPcap::Write(const FrameReport& report, const LocalTime& time) {
  if (!writer_.IsOpen()) return;
  const std::uint64_t micros = EpochMicros(time);
  const PacketDirection direction = report.direction == FrameDirection::kIn
                                        ? PacketDirection::kInbound
                                        : PacketDirection::kOutbound;
  const std::string comment = PacketComment(report);
  if (report.link == LinkKind::kSerial) {
    if (const auto id = Interface(serial_, kLinkTypeUser0, "serial")) {
      writer_.WritePacket(*id, micros, report.bytes, direction, comment);
    }
    return;
  }
  WriteUdp(report, micros, direction, comment);
}

void TrafficPcap::WriteUdp(const FrameReport& report, std::uint64_t micros,
                           PacketDirection direction, const std::string& comment) {
  if (!ends_) return;
  const UdpEnds ends = ends_(report);
  const bool in = direction == PacketDirection::kInbound;
  const IpPort& from = in ? ends.peer : ends.local;
  const IpPort& to = in ? ends.local : ends.peer;
  if (const auto id = Interface(udp_, kLinkTypeRawIp, "udp")) {
    writer_.WritePacket(*id, micros, UdpPacket(from, to, report.bytes), direction, comment);
  }
  if (!with_wire_) return;
  if (const auto id = Interface(wire_, kLinkTypeRawIp, "udp-wire")) {
    const std::string& wire = report.wire.empty() ? report.bytes : report.wire;
    writer_.WritePacket(*id, micros, UdpPacket(from, to, wire), direction, comment);
  }
}

}  // namespace v7400
