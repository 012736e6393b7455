#include "codec/frame.h"
#include "core/fixed_text.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

const std::string kStartAck(
    "\x0A"
    "47D40B\t00010100[]\x0D",
    19);
const std::string kStartNack(
    "\x0A"
    "87C40B\t00000100[]\x0D",
    19);

TEST(FrameTest, AckAndNackOfStartValuesAreByteExact) {
  SimulatorState state;
  EXPECT_EQ(BuildAck(state), kStartAck);
  EXPECT_EQ(BuildNack(state), kStartNack);
  const std::string bytes = BuildAck(state);
  const unsigned char expected[] = {0x0A, 0x34, 0x37, 0x44, 0x34, 0x30, 0x42, 0x09, 0x30, 0x30,
                                    0x30, 0x31, 0x30, 0x31, 0x30, 0x30, 0x5B, 0x5D, 0x0D};
  ASSERT_EQ(bytes.size(), sizeof expected);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    EXPECT_EQ(static_cast<unsigned char>(bytes[i]), expected[i]) << "byte " << i;
  }
}

TEST(FrameTest, DigitsAreZeroPaddedAndHexadecimalIsUpperCase) {
  struct Case {
    std::uint64_t value;
    int digits;
    unsigned base;
    const char* text;
  };
  const Case cases[] = {
      {0, 1, 10, "0"},       {7, 2, 10, "07"},
      {2026, 4, 10, "2026"}, {12345, 2, 10, "12345"},
      {0, 4, 16, "0000"},    {0x47D4, 4, 16, "47D4"},
      {0xABC, 2, 16, "ABC"}, {UINT64_MAX, 1, 10, "18446744073709551615"},
      {UINT64_MAX, 1, 16, "FFFFFFFFFFFFFFFF"},
  };
  for (const Case& c : cases) {
    std::string text = "x";
    AppendDigits(text, c.value, c.digits, c.base);
    EXPECT_EQ(text, std::string("x") + c.text) << c.value;
  }
  EXPECT_EQ(Hex4(0x0A1F), "0A1F");
  EXPECT_EQ(HexLength(0x0B), "0B");
}

TEST(FrameTest, CheckFrameLength) {
  struct Case {
    std::string buffer;
    int expected;
  };
  const Case cases[] = {
      {kStartAck, 0},
      {kStartAck.substr(0, 18), -1},
      {kStartAck + "X", 1},
      {"\x0A"
       "0000ZZ\x0D",
       0},  // not a number: declared length 0
      {"\x0A"
       "00000b" +
           std::string(11, 'x') + "\x0D",
       0},  // lower-case digits count
      {"", -1},
      {"\x0A"
       "0000",
       -1},
      {std::string(7, '0'), -1},
      {"\x0A"
       "0000FF" +
           std::string(300, 'x'),
       1},
      {"\x0A"
       "0000 1" +
           std::string(1, 'x'),
       0},  // " 1" is not hexadecimal: length 0
  };
  for (const Case& c : cases) EXPECT_EQ(CheckFrameLength(c.buffer), c.expected) << c.buffer;
}

TEST(FrameTest, CheckFrameCrc) {
  DebugOptions debug;
  struct Case {
    std::string frame;
    bool valid;
  };
  const Case cases[] = {
      {kStartAck, true},
      {kStartNack, true},
      {"\x0A"
       "47d40B\t00010100[]\x0D",
       false},  // lower-case checksum digits
      {"\x0A"
       "47D50B\t00010100[]\x0D",
       false},
      {"\x0A"
       "0000",
       true},  // short frame: empty body, checksum 0000
      {"\x0A"
       "0000XX\x0D",
       true},
      {"\x0A"
       "00",
       false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckFrameCrc(c.frame, debug), c.valid) << c.frame;
}

TEST(FrameTest, ReceivingCrcErrorOptionOneShotAndContinuous) {
  DebugOptions debug;
  debug.SimulateReceivingCrcError = true;
  EXPECT_FALSE(CheckFrameCrc(kStartAck, debug));
  EXPECT_FALSE(debug.SimulateReceivingCrcError);
  EXPECT_TRUE(CheckFrameCrc(kStartAck, debug));

  debug.SimulateReceivingCrcError = true;
  debug.OnlyOneTime = false;
  EXPECT_FALSE(CheckFrameCrc(kStartAck, debug));
  EXPECT_FALSE(CheckFrameCrc(kStartAck, debug));
  EXPECT_TRUE(debug.SimulateReceivingCrcError);
}

TEST(FrameTest, SequenceErrorOptionChangesTheSequenceForGood) {
  SimulatorState state;
  state.Debug.SimulateSendingSequenceError = true;
  const std::string first = BuildAck(state);
  EXPECT_EQ(FrameField(first, 9, 4), "0021");
  EXPECT_FALSE(state.Debug.SimulateSendingSequenceError);
  EXPECT_EQ(FrameField(BuildAck(state), 9, 4), "0021");
  EXPECT_EQ(FrameField(BuildNack(state), 9, 4), "0000");
  EXPECT_TRUE(CheckFrameCrc(first, state.Debug));
}

TEST(FrameTest, SendingCrcErrorSpoilsOneByteOnce) {
  DebugOptions debug;
  debug.SimulateSendingCrcError = true;
  std::string frame = kStartAck;
  ApplySendingCrcError(frame, 1, debug);
  EXPECT_EQ(frame[1], '\0');
  EXPECT_EQ(frame.size(), kStartAck.size());
  EXPECT_FALSE(debug.SimulateSendingCrcError);

  debug.SimulateSendingCrcError = true;
  std::string one_byte = "\x06";
  ApplySendingCrcError(one_byte, 1, debug);
  EXPECT_EQ(one_byte, "\x06");
  EXPECT_FALSE(debug.SimulateSendingCrcError);
}

TEST(FrameTest, LongBodiesGetThreeLengthDigits) {
  const std::string frame = WrapSiaBody(std::string(256, 'x'));
  EXPECT_EQ(FrameField(frame, 6, 3), "100");
  EXPECT_EQ(frame.size(), 256U + 9U);
}

TEST(FrameTest, FrameFieldNeverReadsPastTheEnd) {
  EXPECT_EQ(FrameField("abc", 0, 2), "");
  EXPECT_EQ(FrameField("abc", 3, 5), "c");
  EXPECT_EQ(FrameField("abc", 4, 1), "");
  EXPECT_EQ(FrameField("", 1, 1), "");
}

TEST(FrameTest, SiaFieldsAreCutShortWhereTheFrameEnds) {
  struct Case {
    std::string_view frame, checksum, length, body, sequence, receiver, line, data;
  };
  const Case cases[] = {
      {"\nABCD0C\t00010203[#12|NBA01]\r", "ABCD", "0C", "\t00010203[#12|NBA01]", "0001", "02", "03",
       "[#12|NBA01]"},
      {"\nABCD0C\t00010203[]", "ABCD", "0C", "\t00010203[", "0001", "02", "03", "[]"},
      {"\nABCD0C\t00010203\r", "ABCD", "0C", "\t00010203", "0001", "02", "03", ""},
      {"\nABCD0C\t00010203", "ABCD", "0C", "\t0001020", "0001", "02", "03", ""},
      {"\nABCD0C\t000", "ABCD", "0C", "\t00", "000", "", "", ""},
      {"\nAB", "AB", "", "", "", "", "", ""},
      {"", "", "", "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.frame)));
    EXPECT_EQ(SiaChecksum(c.frame), c.checksum);
    EXPECT_EQ(SiaLength(c.frame), c.length);
    EXPECT_EQ(SiaBody(c.frame), c.body);
    EXPECT_EQ(SiaSequence(c.frame), c.sequence);
    EXPECT_EQ(SiaReceiver(c.frame), c.receiver);
    EXPECT_EQ(SiaLine(c.frame), c.line);
    EXPECT_EQ(SiaData(c.frame), c.data);
  }
}

}  // namespace
}  // namespace v7400
