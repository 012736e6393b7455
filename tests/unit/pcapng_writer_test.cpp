// The capture's blocks and packets, byte for byte where a reader depends on them; the file as a
// whole is read back by tshark in the end-to-end tests.
#include "display/pcapng_writer.h"

#include <gtest/gtest.h>

#include "display/traffic_pcap.h"

namespace v7400 {
namespace {

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

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

TEST(PcapngWriterTest, BlocksAreFramedByTheirLengthOnFourByteBoundaries) {
  const std::string blocks[] = {
      SectionHeaderBlock("v7400"),
      InterfaceBlock(kLinkTypeUser0, "serial"),
      PacketBlock(1, 0x0123456789ULL, "\n12", PacketDirection::kOutbound, "NACK: CRC"),
      PacketBlock(0, 0, std::string(kPcapMaxCaptured + 5, 'x'), PacketDirection::kInbound, ""),
  };
  for (const std::string& block : blocks) {
    ASSERT_EQ(block.size() % 4, 0U);
    EXPECT_EQ(Le32(block, 4), block.size());
    EXPECT_EQ(Le32(block, block.size() - 4), block.size());
  }
  EXPECT_EQ(Le32(blocks[0], 8), 0x1A2B3C4DU);
  const std::string& packet = blocks[2];
  EXPECT_EQ(Le32(packet, 8), 1U);       // interface
  EXPECT_EQ(Le32(packet, 12), 0x01U);   // time, high word
  EXPECT_EQ(Le32(packet, 16), 0x23456789U);
  EXPECT_EQ(Le32(packet, 20), 3U);      // captured
  EXPECT_EQ(packet.substr(28, 3), "\n12");
  EXPECT_NE(packet.find("NACK: CRC"), std::string::npos);
  EXPECT_EQ(Le32(blocks[3], 20), kPcapMaxCaptured);  // cut, with the whole length kept
  EXPECT_EQ(Le32(blocks[3], 24), kPcapMaxCaptured + 5);
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
