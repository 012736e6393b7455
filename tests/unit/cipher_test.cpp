#include "codec/cipher.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_transport.h"
#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

using testing::CountingRandom;
using testing::FakeUdpEndpoint;

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

std::string Iv0To15() { return FromHex("000102030405060708090A0B0C0D0E0F"); }

// Published AES-CBC vectors (first block of each), with the IV 00 01 .. 0F.
TEST(CipherTest, MatchesPublishedCbcVectors) {
  struct Case {
    const char* key;
    int bits;
    const char* cipher_text;
  };
  const Case cases[] = {
      {"2B7E151628AED2A6ABF7158809CF4F3C", 128, "7649ABAC8119B246CEE98E9B12E9197D"},
      {"8E73B0F7DA0E6452C810F32B809079E562F8EAD2522C6B7B", 192, "4F021DB243BC633D7178183A9FA071E8"},
      {"603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4", 256,
       "F58C4C04D6E5F1BA779EABFB5F7BFBD6"},
  };
  const std::string plain = FromHex("6BC1BEE22E409F96E93D7E117393172A");
  for (const Case& c : cases) {
    CountingRandom random;
    TRijndael cipher(random);
    cipher.SetKeyString(c.key);
    EXPECT_EQ(cipher.KeyBits(), c.bits);
    const std::string wire = cipher.EncryptPayload(plain).Wire();
    EXPECT_EQ(wire, Iv0To15() + std::string("\x00\x10", 2) + FromHex(c.cipher_text)) << c.key;
    EXPECT_EQ(cipher.DecryptPacket(wire), plain);
  }
}

TEST(CipherTest, PacketSizes) {
  struct Case {
    std::size_t payload;
    std::size_t wire;
  };
  const Case cases[] = {{0, 18}, {1, 34}, {15, 34}, {16, 34}, {17, 50}, {32, 50}, {1024, 1042}};
  for (const Case& c : cases) {
    CountingRandom random;
    TRijndael cipher(random);
    const std::string payload(c.payload, 'x');
    const std::string wire = cipher.EncryptPayload(payload).Wire();
    ASSERT_EQ(wire.size(), c.wire) << c.payload;
    EXPECT_EQ(wire.substr(0, 16), Iv0To15());
    EXPECT_EQ(static_cast<unsigned char>(wire[16]), c.payload >> 8);
    EXPECT_EQ(static_cast<unsigned char>(wire[17]), c.payload & 0xFF);
    EXPECT_EQ(cipher.DecryptPacket(wire), payload);
  }
}

TEST(CipherTest, SeventeenBytesAreFollowedByFifteenEncryptedZeros) {
  CountingRandom random;
  TRijndael cipher(random);
  const std::string payload = "0123456789ABCDEFG";
  std::string wire = cipher.EncryptPayload(payload).Wire();
  wire[17] = 32;  // claim the whole padded area
  EXPECT_EQ(cipher.DecryptPacket(wire), payload + std::string(15, '\0'));
}

TEST(CipherTest, DecryptReturnsTheDeclaredLength) {
  CountingRandom random;
  TRijndael cipher(random);
  std::string wire = cipher.EncryptPayload("abcdefgh").Wire();
  ASSERT_EQ(wire.size(), 34u);
  wire[16] = 0;
  wire[17] = 5;
  EXPECT_EQ(cipher.DecryptPacket(wire), "abcde");
  // A length field beyond the data is cut to the data the packet brought.
  wire[16] = '\xFF';
  wire[17] = '\xFF';
  const std::string cut = cipher.DecryptPacket(wire);
  EXPECT_EQ(cut.size(), 16u);
  EXPECT_EQ(cut.substr(0, 8), "abcdefgh");
}

TEST(CipherTest, ShortAndEmptyDatagramsShowNothing) {
  TRijndael cipher;
  EXPECT_EQ(cipher.DecryptPacket(""), "");
  EXPECT_EQ(cipher.DecryptPacket(std::string(17, '\0')), "");
  EXPECT_EQ(cipher.DecryptPacket(std::string("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x03", 18)), "");
}

TEST(CipherTest, OversizeInputIsRefused) {
  CountingRandom random;
  TRijndael cipher(random);
  FakeUdpEndpoint endpoint;
  EXPECT_THROW(cipher.EncryptAndSend(std::string(1025, 'x'), endpoint, {"192.0.2.1", 10000, 0}),
               std::length_error);
  EXPECT_TRUE(endpoint.sent.empty());
  EXPECT_THROW(cipher.DecryptPacket(std::string(1043, '\0')), std::length_error);
  EXPECT_NO_THROW(cipher.DecryptPacket(std::string(1042, '\0')));
}

TEST(CipherTest, EncryptAndSendSendsOneDatagram) {
  CountingRandom random;
  TRijndael cipher(random);
  FakeUdpEndpoint endpoint;
  const UdpDestination to{"192.0.2.1", 10000, 0};
  cipher.EncryptAndSend("\x06", endpoint, to);
  ASSERT_EQ(endpoint.sent.size(), 1u);
  EXPECT_EQ(endpoint.sent[0].to, to);
  EXPECT_EQ(endpoint.sent[0].bytes.size(), 34u);
  EXPECT_EQ(cipher.DecryptPacket(endpoint.sent[0].bytes), "\x06");
}

TEST(CipherTest, KeyStringRules) {
  TRijndael cipher;
  EXPECT_EQ(cipher.KeyString(), "");
  EXPECT_EQ(cipher.EffectiveKey(), kDefaultKeyString128);
  EXPECT_EQ(cipher.KeyBits(), 128);
  cipher.SetKeyString(kDefaultKeyString192);
  EXPECT_EQ(cipher.KeyBits(), 192);
  cipher.SetKeyString("");
  EXPECT_EQ(cipher.KeyString(), kDefaultKeyString192);
  cipher.SetKeyString(kDefaultKeyString256);
  EXPECT_EQ(cipher.KeyBits(), 256);
  cipher.SetKeyString("ABCD");
  EXPECT_EQ(cipher.KeyBits(), 256);
  EXPECT_THROW(cipher.EncryptPayload("x"), std::invalid_argument);
  cipher.SetKeyString(std::string(31, '0') + "G");
  EXPECT_THROW(cipher.DecryptPacket(std::string(34, '\0')), std::invalid_argument);
}

TEST(CipherTest, KeyStringsAre32Or48Or64HexDigits) {
  const std::string hex32 = "00112233445566778899aabbccddEEFF";
  const std::pair<std::string, bool> cases[] = {
      {hex32, true},         {hex32 + "0011223344556677", true},
      {hex32 + hex32, true}, {hex32.substr(1), false},
      {hex32 + "0", false},  {"G" + hex32.substr(1), false},
      {"", false},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(IsKeyString(text), valid) << text;
}

TEST(CipherTest, EmptyKeyUsesTheDefaultKey) {
  CountingRandom random;
  TRijndael empty_key(random);
  TRijndael default_key;
  default_key.SetKeyString(kDefaultKeyString128);
  EXPECT_EQ(default_key.DecryptPacket(empty_key.EncryptPayload("frame").Wire()), "frame");
  TRijndael other_key;
  other_key.SetKeyString(kDefaultKeyString256);
  EXPECT_NE(other_key.DecryptPacket(empty_key.EncryptPayload("frame").Wire()), "frame");
}

TEST(CipherTest, SystemRandomGivesFreshIvs) {
  TRijndael cipher;
  const std::string first = cipher.EncryptPayload("same").Wire();
  const std::string second = cipher.EncryptPayload("same").Wire();
  EXPECT_NE(first.substr(0, 16), second.substr(0, 16));
  EXPECT_EQ(cipher.DecryptPacket(first), cipher.DecryptPacket(second));
}

TEST(CipherTest, PacketSizeCheck) {
  for (std::size_t length : {18u, 34u, 50u, 1042u}) EXPECT_TRUE(IsCipherPacketSize(length));
  for (std::size_t length : {0u, 17u, 19u, 33u, 35u, 1058u})
    EXPECT_FALSE(IsCipherPacketSize(length));
}

TEST(KeyStringMaskTest, LengthsAndInvolution) {
  EXPECT_EQ(MaskKeyString(std::string(30, 'A')), "");
  EXPECT_EQ(MaskKeyString(""), "");
  EXPECT_EQ(MaskKeyString(std::string(33, 'A')), "");
  const std::string lower = "5e2b7a9c04d1f386a7b20e9c3d5f8164c9a0372e5b18d4f67e3a91c0b25d8f4a";
  for (std::size_t length : {32u, 48u, 64u}) {
    const std::string key = lower.substr(0, length);
    const std::string masked = MaskKeyString(key);
    ASSERT_EQ(masked.size(), length);
    EXPECT_EQ(masked.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_NE(masked, std::string(kDefaultKeyString256).substr(0, length));
    EXPECT_EQ(MaskKeyString(masked), std::string(kDefaultKeyString256).substr(0, length));
  }
}

// The table is part of the file format: files written before must still read.
TEST(KeyStringMaskTest, TableIsFixed) {
  EXPECT_EQ(MaskKeyString(std::string(64, '0')),
            "B05C0FA7AE021DAB1D3113C3F271D9E83D46F67E08852AAE2D297B186794C824");
}

TEST(KeyStringMaskTest, NonHexPairThrows) {
  EXPECT_THROW(MaskKeyString(std::string(31, '0') + "G"), std::invalid_argument);
  EXPECT_THROW(MaskKeyString("+1" + std::string(30, '0')), std::invalid_argument);
}

}  // namespace
}  // namespace v7400
