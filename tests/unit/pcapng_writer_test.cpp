// What a reader of the capture does not check by itself: IP and UDP checksums, the largest
// datagram, the time stamps. The file as a whole is read back by tshark in the end-to-end tests.
#include "display/pcapng_writer.h"

#include <gtest/gtest.h>

#include "display/traffic_pcap.h"

namespace v7400 {
namespace {

// The one's complement sum of big-endian words; 0xFFFF over a header with a right checksum.
std::uint32_t Sum(const std::string& bytes) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    sum += static_cast<unsigned char>(bytes[i]) << 8;
    if (i + 1 < bytes.size()) sum += static_cast<unsigned char>(bytes[i + 1]);
  }
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

TEST(PcapngWriterTest, UdpPacketsCarryValidHeadersUpToTheLargestDatagram) {
  struct Case {
    IpPort from, to;
    std::size_t payload;
    std::size_t size;  // 0: refused
  } cases[] = {
      {{"127.0.0.1", 10001}, {"127.0.0.1", 10000}, 30, 58},
      {{"192.0.2.5", 10000}, {"198.51.100.7", 4000}, 65507, 65535},
      {{"192.0.2.5", 10000}, {"198.51.100.7", 4000}, 65508, 0},
      {{"fd00::12:abcd", 10001}, {"::1", 10000}, 31, 79},
      {{"receiver.example", 1}, {"::1", 1}, 1, 0},
  };
  for (const Case& c : cases) {
    const std::string packet = UdpPacket(c.from, c.to, std::string(c.payload, 'p'));
    ASSERT_EQ(packet.size(), c.size) << c.from.address << " " << c.payload;
    if (c.size == 0) continue;
    const bool ipv6 = (packet[0] >> 4) == 6;
    const std::size_t header = ipv6 ? 40 : 20;
    if (!ipv6) {
      EXPECT_EQ(Sum(packet.substr(0, 20)), 0xFFFFU);
    }
    // The UDP checksum over the pseudo-header (addresses, protocol, length) and the datagram.
    const std::size_t addresses = ipv6 ? 8 : 12;
    const std::string udp = packet.substr(header);
    const std::string pseudo =
        packet.substr(addresses, header - addresses) + std::string("\0\x11", 2) + udp.substr(4, 2);
    EXPECT_EQ(Sum(pseudo + udp), 0xFFFFU) << c.from.address;
  }
}

TEST(PcapngWriterTest, TimesAreMicrosecondsSinceTheEpochInUtc) {
  EXPECT_EQ(EpochMicros({2026, 12, 8, 9, 5, 7, 42, -330}), 1796740507042000ULL);
  EXPECT_EQ(EpochMicros({2000, 2, 29, 23, 59, 59, 999, 60}), 951865199999000ULL);
  EXPECT_EQ(EpochMicros({1970, 1, 1, 0, 0, 0, 0, 0}), 0ULL);
}

}  // namespace
}  // namespace v7400
