#include "display/pcapng_writer.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "core/output_file.h"

namespace v7400 {

namespace {

constexpr std::uint32_t kSectionHeaderType = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceType = 1;
constexpr std::uint32_t kPacketType = 6;
constexpr std::uint16_t kOptionEnd = 0;
constexpr std::uint16_t kOptionComment = 1;
constexpr std::uint16_t kOptionName = 2;  // if_name; epb_flags has the same code
constexpr std::uint16_t kOptionFlags = 2;
constexpr std::uint16_t kOptionUserApplication = 4;
constexpr std::uint16_t kOptionTimeResolution = 9;  // if_tsresol
constexpr char kMicroseconds = 6;                   // 10^-6 s, said though it is the default

void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutPadded(std::string& out, std::string_view bytes) {
  out.append(bytes);
  out.append((4 - bytes.size() % 4) % 4, '\0');
}

void PutOption(std::string& out, std::uint16_t code, std::string_view value) {
  Put16(out, code);
  Put16(out, static_cast<std::uint16_t>(value.size()));
  PutPadded(out, value);
}

// Comments are UTF-8; any byte outside printable ASCII is shown as '?'.
std::string Printable(std::string_view text) {
  std::string out(text.substr(0, 60000));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  }
  return out;
}

// Type, total length, body, total length again.
std::string Block(std::uint32_t type, const std::string& body) {
  const auto total = static_cast<std::uint32_t>(body.size() + 12);
  std::string block;
  block.reserve(total);
  Put32(block, type);
  Put32(block, total);
  block += body;
  Put32(block, total);
  return block;
}

// The one's complement sum of the bytes, as 16-bit big-endian words.
std::uint32_t Sum(std::string_view bytes, std::uint32_t sum = 0) {
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto high = static_cast<unsigned char>(bytes[i]);
    const auto low = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0U;
    sum += (high << 8) | low;
  }
  return sum;
}

std::uint16_t Fold(std::uint32_t sum) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

void PutBig16(std::string& out, std::uint32_t value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

void SetBig16(std::string& out, std::size_t at, std::uint16_t value) {
  out[at] = static_cast<char>(value >> 8);
  out[at + 1] = static_cast<char>(value & 0xFF);
}

template <std::size_t N>
bool ParseAddress(int family, const std::string& text, std::array<char, N>& bytes) {
  return inet_pton(family, text.c_str(), bytes.data()) == 1;
}

}  // namespace

std::string SectionHeaderBlock(std::string_view application) {
  std::string body;
  Put32(body, 0x1A2B3C4D);  // byte-order magic
  Put16(body, 1);
  Put16(body, 0);
  Put32(body, 0xFFFFFFFF);  // section length not given
  Put32(body, 0xFFFFFFFF);
  PutOption(body, kOptionUserApplication, application);
  PutOption(body, kOptionEnd, {});
  return Block(kSectionHeaderType, body);
}

std::string InterfaceBlock(std::uint16_t link_type, std::string_view name) {
  std::string body;
  Put16(body, link_type);
  Put16(body, 0);
  Put32(body, 0);  // no snapshot length
  PutOption(body, kOptionName, name);
  PutOption(body, kOptionTimeResolution, std::string_view(&kMicroseconds, 1));
  PutOption(body, kOptionEnd, {});
  return Block(kInterfaceType, body);
}

std::string PacketBlock(std::uint32_t interface_id, std::uint64_t micros, std::string_view data,
                        PacketDirection direction, std::string_view comment) {
  const std::string_view captured = data.substr(0, kPcapMaxCaptured);
  std::string body;
  body.reserve(captured.size() + comment.size() + 48);
  Put32(body, interface_id);
  Put32(body, static_cast<std::uint32_t>(micros >> 32));
  Put32(body, static_cast<std::uint32_t>(micros & 0xFFFFFFFF));
  Put32(body, static_cast<std::uint32_t>(captured.size()));
  Put32(body, static_cast<std::uint32_t>(data.size()));
  PutPadded(body, captured);
  if (!comment.empty()) PutOption(body, kOptionComment, Printable(comment));
  std::string flags;
  Put32(flags, static_cast<std::uint32_t>(direction));
  PutOption(body, kOptionFlags, flags);
  PutOption(body, kOptionEnd, {});
  return Block(kPacketType, body);
}

std::string UdpPacket(const IpPort& from, const IpPort& to, std::string_view payload) {
  const bool ipv6 = from.address.find(':') != std::string::npos;
  std::array<char, 16> source{};
  std::array<char, 16> destination{};
  const int family = ipv6 ? AF_INET6 : AF_INET;
  if (!ParseAddress(family, from.address, source) ||
      !ParseAddress(family, to.address, destination)) {
    return {};
  }
  const std::size_t address_size = ipv6 ? 16 : 4;
  const std::string_view source_bytes(source.data(), address_size);
  const std::string_view destination_bytes(destination.data(), address_size);
  const std::size_t udp_length = payload.size() + 8;
  if (udp_length > 0xFFFF || (!ipv6 && udp_length + 20 > 0xFFFF)) return {};

  std::string udp;
  udp.reserve(udp_length);
  PutBig16(udp, from.port);
  PutBig16(udp, to.port);
  PutBig16(udp, static_cast<std::uint32_t>(udp_length));
  PutBig16(udp, 0);
  udp += payload;
  // The pseudo-header: addresses, protocol 17, UDP length.
  std::uint32_t sum = Sum(source_bytes, Sum(destination_bytes));
  sum += 17 + static_cast<std::uint32_t>(udp_length);
  std::uint16_t checksum = Fold(Sum(udp, sum));
  SetBig16(udp, 6, checksum == 0 ? 0xFFFF : checksum);

  std::string ip;
  if (ipv6) {
    ip = std::string("\x60\x00\x00\x00", 4);
    PutBig16(ip, static_cast<std::uint32_t>(udp_length));
    ip += '\x11';  // next header: UDP
    ip += '\x40';  // hop limit
  } else {
    ip = std::string("\x45\x00", 2);
    PutBig16(ip, static_cast<std::uint32_t>(udp_length + 20));
    ip += std::string("\x00\x00\x40\x00\x40\x11\x00\x00", 8);  // don't fragment, TTL 64, UDP
  }
  ip += source_bytes;
  ip += destination_bytes;
  if (!ipv6) SetBig16(ip, 10, Fold(Sum(ip)));
  return ip + udp;
}

PcapngWriter::~PcapngWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool PcapngWriter::Open(const std::string& path, std::string& error) {
  path_ = path;
  std::string reason;
  fd_ = OpenOutputDescriptor(path, OutputMode::kTruncate, reason);
  if (fd_ >= 0 && !Put(SectionHeaderBlock("V7400 Automation Simulator"))) reason = std::strerror(errno);
  if (!reason.empty()) {
    error = "cannot write capture file \"" + path + "\": " + reason;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

std::optional<std::uint32_t> PcapngWriter::AddInterface(std::uint16_t link_type,
                                                        std::string_view name) {
  if (fd_ < 0 || !Put(InterfaceBlock(link_type, name))) return std::nullopt;
  return interfaces_++;
}

void PcapngWriter::WritePacket(std::uint32_t interface_id, std::uint64_t micros,
                               std::string_view data, PacketDirection direction,
                               std::string_view comment) {
  if (fd_ >= 0) Put(PacketBlock(interface_id, micros, data, direction, comment));
}

bool PcapngWriter::Put(const std::string& block) {
  // One write per block; a short write (a full disk) is undone so the file ends on a whole
  // block and the next block can follow it.
  const off_t start = ::lseek(fd_, 0, SEEK_CUR);
  const ssize_t written = ::write(fd_, block.data(), block.size());
  if (written == static_cast<ssize_t>(block.size())) {
    failing_ = false;
    return true;
  }
  const int error = written < 0 ? errno : ENOSPC;
  if (start >= 0 && ::ftruncate(fd_, start) == 0) ::lseek(fd_, start, SEEK_SET);
  if (!failing_ && on_failure_) {
    on_failure_("Cannot write capture file \"" + path_ + "\": " + std::strerror(error));
  }
  failing_ = true;
  errno = error;
  return false;
}

}  // namespace v7400
