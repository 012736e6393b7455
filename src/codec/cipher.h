// The AES packet every frame travels in when encryption is on, and the cipher object that makes
// and opens such packets.
//
// Packet: 16 bytes IV, 2 bytes payload length (big-endian), then the payload zero-padded to a
// multiple of 16 and encrypted with AES-CBC without padding; key = the key string read as
// hexadecimal, IV = the packet's first 16 bytes. A payload of n bytes gives 18 + m bytes on
// the wire, m being n rounded up to a multiple of 16.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/random_source.h"
#include "core/udp_endpoint.h"

namespace v7400 {

inline constexpr std::size_t kCipherIvSize = 16;
inline constexpr std::size_t kCipherHeaderSize = 18;
inline constexpr std::size_t kCipherMaxPayload = 1024;
inline constexpr std::size_t kCipherPacketSize = kCipherHeaderSize + kCipherMaxPayload;

inline constexpr char kDefaultKeyString128[] = "5E2B7A9C04D1F386A7B20E9C3D5F8164";
inline constexpr char kDefaultKeyString192[] = "5E2B7A9C04D1F386A7B20E9C3D5F8164C9A0372E5B18D4F6";
inline constexpr char kDefaultKeyString256[] =
    "5E2B7A9C04D1F386A7B20E9C3D5F8164C9A0372E5B18D4F67E3A91C0B25D8F4A";

// The key string rule of the Settings dialog and of --key: 32, 48 or 64 hexadecimal digits, of
// either case, for AES-128, -192 and -256.
bool IsKeyStringLength(std::size_t length);
bool IsKeyString(std::string_view text);

// The full packet area; only the first `size` bytes go on the wire.
struct CipherPacket {
  std::array<char, kCipherPacketSize> bytes{};
  std::size_t size = kCipherHeaderSize;
  std::string Wire() const { return std::string(bytes.data(), size); }
};

// True for the lengths an encrypted datagram can have: 18 + 16n, at most 1042 bytes.
bool IsCipherPacketSize(std::size_t length);
// The payload length a packet's header declares (bytes 17 and 18, high byte first); 0 for a
// datagram shorter than the header.
std::size_t DeclaredCipherLength(std::string_view datagram);

class TRijndael {
 public:
  TRijndael();  // initialisation vectors from the system's secure random source
  explicit TRijndael(RandomSource& random) : random_(&random) {}

  // An empty text leaves the key string as it was.
  void SetKeyString(const std::string& key_string);
  const std::string& KeyString() const { return key_string_; }
  // The key string, or the 128-bit default while it is empty.
  std::string EffectiveKey() const;
  // 128 for 32 digits, 192 for 48, 256 for any other length.
  int KeyBits() const;

  // Throws std::length_error for a payload over 1024 bytes and std::invalid_argument when the
  // effective key is not 32, 48 or 64 hexadecimal digits.
  CipherPacket EncryptPayload(std::string_view payload) const;
  // Encrypts and sends one datagram; throws (and sends nothing) as EncryptPayload does.
  void EncryptAndSend(std::string_view payload, UdpEndpoint& endpoint,
                      const UdpDestination& to) const;
  // The plain payload of a received packet: the whole 1024-byte data area is decrypted and the
  // first "length field" bytes returned (at most 1024). A datagram shorter than 18 bytes reads
  // as if zero-filled. Throws std::length_error for a datagram over 1042 bytes; the receive
  // path drops those before (IsCipherPacketSize).
  std::string DecryptPacket(std::string_view datagram) const;

 private:
  RandomSource* random_;
  std::string key_string_;
};

}  // namespace v7400
