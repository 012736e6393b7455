#include "codec/cipher.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace v7400 {

namespace {

using Bytes = std::vector<unsigned char>;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool IsKeyStringLength(std::size_t length) { return length == 32 || length == 48 || length == 64; }

bool IsKeyString(std::string_view text) {
  return IsKeyStringLength(text.size()) &&
         std::ranges::all_of(text, [](char c) { return HexValue(c) >= 0; });
}

namespace {

Bytes KeyBytes(const std::string& key_string, int bits) {
  if (key_string.size() != static_cast<std::size_t>(bits / 4)) {
    throw std::invalid_argument("key string of " + std::to_string(key_string.size()) +
                                " characters is no AES key");
  }
  Bytes key;
  for (std::size_t i = 0; i < key_string.size(); i += 2) {
    const int high = HexValue(key_string[i]);
    const int low = HexValue(key_string[i + 1]);
    if (high < 0 || low < 0) throw std::invalid_argument("key string is not hexadecimal");
    key.push_back(static_cast<unsigned char>(high * 16 + low));
  }
  return key;
}

const EVP_CIPHER* CbcCipher(int bits) {
  if (bits == 128) return EVP_aes_128_cbc();
  if (bits == 192) return EVP_aes_192_cbc();
  return EVP_aes_256_cbc();
}

// AES-CBC over whole blocks, no padding, from `in` to `out` (same length, a multiple of 16).
void CbcTransform(bool encrypt, int bits, const Bytes& key, const unsigned char* iv,
                  const unsigned char* in, unsigned char* out, std::size_t length) {
  if (length == 0) return;
  const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(
      EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  int written = 0;
  int final_written = 0;
  if (!context ||
      EVP_CipherInit_ex(context.get(), CbcCipher(bits), nullptr, key.data(), iv, encrypt) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
      EVP_CipherUpdate(context.get(), out, &written, in, static_cast<int>(length)) != 1 ||
      EVP_CipherFinal_ex(context.get(), out + written, &final_written) != 1 ||
      static_cast<std::size_t>(written + final_written) != length) {
    throw std::runtime_error("AES transformation failed");
  }
}

unsigned char* AsBytes(char* data) { return reinterpret_cast<unsigned char*>(data); }

SystemRandom& SharedSystemRandom() {
  static SystemRandom random;
  return random;
}

}  // namespace

void SystemRandom::Fill(std::span<std::uint8_t> bytes) {
  if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
    throw std::runtime_error("no random bytes for the initialisation vector");
  }
}

std::size_t DeclaredCipherLength(std::string_view datagram) {
  if (datagram.size() < kCipherHeaderSize) return 0;
  return static_cast<std::size_t>(static_cast<unsigned char>(datagram[16])) * 256 +
         static_cast<unsigned char>(datagram[17]);
}

bool IsCipherPacketSize(std::size_t length) {
  return length >= kCipherHeaderSize && length <= kCipherPacketSize &&
         (length - kCipherHeaderSize) % 16 == 0;
}

TRijndael::TRijndael() : random_(&SharedSystemRandom()) {}

void TRijndael::SetKeyString(const std::string& key_string) {
  if (!key_string.empty()) key_string_ = key_string;
}

std::string TRijndael::EffectiveKey() const {
  return key_string_.empty() ? std::string(kDefaultKeyString128) : key_string_;
}

int TRijndael::KeyBits() const {
  const std::size_t length = EffectiveKey().size();
  if (length == 32) return 128;
  if (length == 48) return 192;
  return 256;
}

CipherPacket TRijndael::EncryptPayload(std::string_view payload) const {
  const std::size_t n = payload.size();
  if (n > kCipherMaxPayload) {
    throw std::length_error("payload of " + std::to_string(n) + " bytes is over " +
                            std::to_string(kCipherMaxPayload) + " bytes, not sent");
  }
  const int bits = KeyBits();
  const Bytes key = KeyBytes(EffectiveKey(), bits);
  const std::size_t m = (n + 15) / 16 * 16;
  Bytes work(m, 0);
  std::copy(payload.begin(), payload.end(), work.begin());

  CipherPacket packet;
  unsigned char* wire = AsBytes(packet.bytes.data());
  random_->Fill(std::span<std::uint8_t>(wire, kCipherIvSize));
  wire[16] = static_cast<unsigned char>((n >> 8) & 0xFF);
  wire[17] = static_cast<unsigned char>(n & 0xFF);
  CbcTransform(true, bits, key, wire, work.data(), wire + kCipherHeaderSize, m);
  packet.size = kCipherHeaderSize + m;
  return packet;
}

void TRijndael::EncryptAndSend(std::string_view payload, UdpEndpoint& endpoint,
                               const UdpDestination& to) const {
  endpoint.SendTo(EncryptPayload(payload).Wire(), to);
}

std::string TRijndael::DecryptPacket(std::string_view datagram) const {
  if (datagram.size() > kCipherPacketSize) {
    throw std::length_error("datagram of " + std::to_string(datagram.size()) +
                            " bytes is longer than a packet");
  }
  const int bits = KeyBits();
  const Bytes key = KeyBytes(EffectiveKey(), bits);
  std::array<char, kCipherPacketSize> area{};
  std::copy(datagram.begin(), datagram.end(), area.begin());
  Bytes plain(kCipherMaxPayload, 0);
  CbcTransform(false, bits, key, AsBytes(area.data()), AsBytes(area.data()) + kCipherHeaderSize,
               plain.data(), kCipherMaxPayload);
  // Never past the data the packet brought: beyond it lie decryptions of zero blocks.
  const std::size_t data =
      datagram.size() > kCipherHeaderSize ? datagram.size() - kCipherHeaderSize : 0;
  const std::size_t length = std::min({DeclaredCipherLength(datagram), data, kCipherMaxPayload});
  return std::string(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace v7400
