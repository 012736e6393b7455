// A pcapng file written block by block: a section header, interface descriptions as they are
// first needed, one enhanced packet block per packet with its direction and a comment. Every
// block goes to the file in one write, so a reader (or a run killed at any moment) finds whole
// packets up to the last one written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace v7400 {

inline constexpr std::uint16_t kLinkTypeRawIp = 101;
inline constexpr std::uint16_t kLinkTypeUser0 = 147;
// Readers refuse larger packets; a longer serial buffer is captured cut to this.
inline constexpr std::size_t kPcapMaxCaptured = 262144;

enum class PacketDirection : std::uint32_t { kInbound = 1, kOutbound = 2 };

// The blocks as bytes (little-endian), for the writer and for tests. Interfaces stamp their
// packets in microseconds.
std::string SectionHeaderBlock(std::string_view application);
std::string InterfaceBlock(std::uint16_t link_type, std::string_view name);
std::string PacketBlock(std::uint32_t interface_id, std::uint64_t micros, std::string_view data,
                        PacketDirection direction, std::string_view comment);

struct IpPort {
  std::string address;  // numeric IPv4 or IPv6 text
  std::uint16_t port = 0;
};
// A UDP datagram with its IPv4 or IPv6 header (by the sender's address), checksums filled in;
// empty when an address is not numeric or the two differ in version.
std::string UdpPacket(const IpPort& from, const IpPort& to, std::string_view payload);

class PcapngWriter {
 public:
  PcapngWriter() = default;
  PcapngWriter(const PcapngWriter&) = delete;
  PcapngWriter& operator=(const PcapngWriter&) = delete;
  ~PcapngWriter();

  // Creates (or empties) the file and writes the section header; false with `error`.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return fd_ >= 0; }
  // Writes the interface block and returns the new interface's number; nothing when the block
  // did not reach the file.
  std::optional<std::uint32_t> AddInterface(std::uint16_t link_type, std::string_view name);
  void WritePacket(std::uint32_t interface_id, std::uint64_t micros, std::string_view data,
                   PacketDirection direction, std::string_view comment);

  // Told once when blocks stop reaching the file, and again only after one was written.
  using FailureHandler = std::function<void(const std::string& message)>;
  void SetFailureHandler(FailureHandler handler) { on_failure_ = std::move(handler); }

 private:
  bool Put(const std::string& block);

  int fd_ = -1;
  std::uint32_t interfaces_ = 0;
  std::string path_;
  FailureHandler on_failure_;
  bool failing_ = false;
};

}  // namespace v7400
