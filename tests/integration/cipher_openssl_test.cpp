// The packets against an independent AES: the openssl command line.
#include <gtest/gtest.h>

#include "codec/cipher.h"
#include "integration/support.h"

namespace v7400 {
namespace {

using integration::RunOpenssl;

QString Hex(const std::string& bytes) {
  return QString::fromLatin1(
      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex());
}

struct KeyCase {
  const char* key;
  const char* openssl_cipher;
};
const KeyCase kKeys[] = {
    {kDefaultKeyString128, "-aes-128-cbc"},
    {kDefaultKeyString192, "-aes-192-cbc"},
    {kDefaultKeyString256, "-aes-256-cbc"},
};

TEST(CipherOpensslTest, OpensslDecryptsOurPackets) {
  const std::string payloads[] = {std::string("\n47D40B\t00010100[]\r"), std::string(16, 'x'),
                                  std::string("\x00\x01\x02\xFF", 4), std::string(1024, 'z')};
  for (const KeyCase& k : kKeys) {
    TRijndael cipher;
    cipher.SetKeyString(k.key);
    for (const std::string& payload : payloads) {
      const std::string wire = cipher.EncryptPayload(payload).Wire();
      QByteArray plain;
      ASSERT_TRUE(RunOpenssl(
          {QStringLiteral("enc"), QStringLiteral("-d"), QString::fromLatin1(k.openssl_cipher),
           QStringLiteral("-nopad"), QStringLiteral("-K"), QString::fromLatin1(k.key),
           QStringLiteral("-iv"), Hex(wire.substr(0, 16))},
          QByteArray(wire.data() + 18, static_cast<qsizetype>(wire.size() - 18)), plain));
      const std::size_t length =
          static_cast<unsigned char>(wire[16]) * 256u + static_cast<unsigned char>(wire[17]);
      ASSERT_EQ(static_cast<std::size_t>(plain.size()), wire.size() - 18);
      EXPECT_EQ(length, payload.size());
      EXPECT_EQ(std::string(plain.constData(), length), payload) << k.openssl_cipher;
      EXPECT_EQ(plain.mid(static_cast<qsizetype>(length)),
                QByteArray(plain.size() - static_cast<qsizetype>(length), '\0'));
    }
  }
}

TEST(CipherOpensslTest, WeDecryptOpensslPackets) {
  const std::string iv = "\x10\x32\x54\x76\x98\xBA\xDC\xFE\x01\x23\x45\x67\x89\xAB\xCD\xEF";
  const std::string payload = "\n6B2E3A\"SIA-DCS\"0001R0101L01#1234[]\r";  // 37 bytes
  std::string padded = payload + std::string(48 - payload.size(), '\0');
  for (const KeyCase& k : kKeys) {
    QByteArray encrypted;
    ASSERT_TRUE(RunOpenssl(
        {QStringLiteral("enc"), QStringLiteral("-e"), QString::fromLatin1(k.openssl_cipher),
         QStringLiteral("-nopad"), QStringLiteral("-K"), QString::fromLatin1(k.key),
         QStringLiteral("-iv"), Hex(iv)},
        QByteArray(padded.data(), static_cast<qsizetype>(padded.size())), encrypted));
    ASSERT_EQ(encrypted.size(), 48);
    const std::string datagram = iv + std::string(1, '\0') +
                                 std::string(1, static_cast<char>(payload.size())) +
                                 std::string(encrypted.constData(), 48);
    TRijndael cipher;
    cipher.SetKeyString(k.key);
    EXPECT_EQ(cipher.DecryptPacket(datagram), payload) << k.openssl_cipher;
  }
}

}  // namespace
}  // namespace v7400
