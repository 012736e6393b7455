// Each likely cause of a refused frame or key, from a frame built with that fault, through the
// checks that report it.
#include "codec/fault_hints.h"

#include <gtest/gtest.h>

#include "codec/crc16.h"
#include "codec/frame.h"
#include "protocol/frame_verdict.h"

namespace v7400 {
namespace {

const std::string kBody = "\t00070101[#1234|NBA01]";

std::string WithChecksum(const std::string& checksum) {
  std::string frame = WrapSiaBody(kBody);
  frame.replace(1, 4, checksum);
  return frame;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(FaultHintsTest, ChecksumFaultsNameTheirCause) {
  const std::string good = Hex4(Crc16(kBody));
  ASSERT_NE(good, Lower(good)) << "the body's checksum needs a letter for this test";
  struct Case {
    std::string checksum;
    std::string hint;
  } cases[] = {
      {Lower(good), "lower-case digits"},
      {good.substr(2) + good.substr(0, 2), "the two bytes swapped"},
      {Hex4(Crc16(kBody + "\r")), "computed with the end byte"},
      {Hex4(Crc16(HexLength(kBody.size()) + kBody)), "computed with the length field"},
      {"0000", ""},  // no single cause
  };
  for (const Case& c : cases) {
    const std::string frame = WithChecksum(c.checksum);
    DebugOptions debug;
    const Verdict verdict = CheckSiaCrc(frame, debug);
    EXPECT_EQ(verdict.verdict, FrameVerdict::kNack) << c.checksum;
    const std::string fault = "CRC " + c.checksum + ", expected " + good;
    EXPECT_EQ(verdict.reason, c.hint.empty() ? fault : fault + ": " + c.hint);
  }
}

TEST(FaultHintsTest, LengthFaultsNameTheirCause) {
  const std::string frame = WrapSiaBody(kBody);
  // Counted with the end byte: the reader waits past the end byte and takes the sender's
  // repetition into the same buffer.
  std::string with_end = frame;
  with_end.replace(5, 2, HexLength(kBody.size() + 1));
  std::string in_decimal = frame;
  in_decimal.replace(5, 2, std::to_string(kBody.size()));
  struct Case {
    std::string buffer;
    std::string hint;
  } cases[] = {
      {with_end + with_end, "counted with the end byte"},
      {in_decimal + in_decimal, "written in decimal, not hexadecimal"},
      {frame.substr(0, frame.size() - 1) + "XY\r", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckFrameLength(c.buffer), 1) << c.hint;
    EXPECT_EQ(LengthHint(c.buffer), c.hint) << LengthFault(c.buffer);
  }
}

TEST(FaultHintsTest, WrongKeyAndTextKeysAreNamed) {
  EXPECT_EQ(CipherHint(std::string("\x8f\x01\xe3 garbage", 11)),
            "AES packet decrypted to unprintable bytes: wrong key?");
  EXPECT_EQ(CipherHint(WrapSiaBody(kBody)), "");
  struct Case {
    std::string key;
    std::string hint;
  } cases[] = {
      {"my secret pass16", "key string of 16 characters looks like text, not 32/48/64 "
                           "hexadecimal digits"},
      {"0123456789abcdef0123456789ABCDEF", ""},
      {"0123456789ABCDEF", ""},  // too short, but hexadecimal
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyStringHint(c.key), c.hint) << c.key;
  EXPECT_EQ(WithHint("no end byte", "x"), "no end byte: x");
  EXPECT_EQ(WithHint("no end byte", ""), "no end byte");
}

}  // namespace
}  // namespace v7400
