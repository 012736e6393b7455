// Each likely cause of a refused frame or key, from a frame built with that fault, through the
// checks that report it.
#include "codec/fault_hints.h"

#include <gtest/gtest.h>

#include "codec/crc16.h"
#include "codec/frame.h"
#include "display/traffic_recorder.h"
#include "fakes/frame_records.h"
#include "protocol/frame_verdict.h"

namespace v7400 {
namespace {

const std::string kBody = "\t00070101[#1234|NBA01]";

std::string WithChecksum(const std::string& checksum) {
  std::string frame = WrapSiaBody(kBody);
  frame.replace(1, 4, checksum);
  return frame;
}

TEST(FaultHintsTest, ChecksumFaultsNameTheirCause) {
  const std::string good = Hex4(Crc16(kBody));
  const std::string lower = static_cast<char>(std::tolower(good[0])) + good.substr(1);  // "bE54"
  // The checksum field, and the cause named.
  const std::pair<std::string, std::string> cases[] = {
      {lower, "lower-case digits"},
      {good.substr(2) + good.substr(0, 2), "the two bytes swapped"},
      {Hex4(Crc16(kBody + "\r")), "computed with the end byte"},
      {Hex4(Crc16(HexLength(kBody.size()) + kBody)), "computed with the length field"},
      {"0000", ""},  // no single cause
  };
  SimulatorState state;
  state.Format = AutomationFormat::kSia;
  TrafficRecorder recorder(state);
  std::map<std::string, std::int64_t> causes;
  for (const auto& [checksum, hint] : cases) {
    const std::string frame = WithChecksum(checksum);
    DebugOptions debug;
    const Verdict verdict = CheckSiaCrc(frame, debug);
    EXPECT_EQ(verdict.verdict, FrameVerdict::kNack) << checksum;
    const std::string fault = "CRC " + checksum + ", expected " + good;
    EXPECT_EQ(verdict.reason, hint.empty() ? fault : fault + ": " + hint);
    FrameReport report = FrameIn(LinkKind::kUdp, "", frame, verdict.verdict, verdict.reason);
    report.cause = verdict.cause;
    recorder.OnFrame(testing::Completed(report));
    if (!hint.empty()) ++causes[hint];
  }
  // The run's summary counts the causes.
  EXPECT_EQ(recorder.Tally().causes, causes);
}

TEST(FaultHintsTest, LengthFaultsNameTheirCause) {
  const std::string frame = WrapSiaBody(kBody);
  // Counted with the end byte: the reader waits past the end byte and takes the sender's
  // repetition into the same buffer.
  std::string with_end = frame;
  with_end.replace(5, 2, HexLength(kBody.size() + 1));
  std::string in_decimal = frame;
  in_decimal.replace(5, 2, std::to_string(kBody.size()));
  // The buffer, and the cause named.
  const std::pair<std::string, std::string> cases[] = {
      {with_end + with_end, "counted with the end byte"},
      {in_decimal + in_decimal, "written in decimal, not hexadecimal"},
      {frame.substr(0, frame.size() - 1) + "XY\r", ""},
  };
  for (const auto& [buffer, hint] : cases) {
    EXPECT_EQ(CheckFrameLength(buffer), 1) << hint;
    EXPECT_EQ(LengthHint(buffer), hint) << LengthFault(buffer);
  }
}

TEST(FaultHintsTest, WrongKeyAndTextKeysAreNamed) {
  EXPECT_EQ(CipherHint(std::string("\x8f\x01\xe3 garbage", 11)),
            "AES packet decrypted to unprintable bytes: wrong key?");
  EXPECT_EQ(CipherHint(WrapSiaBody(kBody)), "");
  // The key string, and the cause named.
  const std::pair<std::string, std::string> keys[] = {
      {"my secret pass16",
       "key string of 16 characters looks like text, not 32/48/64 hexadecimal digits"},
      {"0123456789abcdef0123456789ABCDEF", ""},
      {"0123456789ABCDEF", ""},  // too short, but hexadecimal
      {"", ""},
  };
  for (const auto& [key, hint] : keys) EXPECT_EQ(KeyStringHint(key), hint) << key;
}

}  // namespace
}  // namespace v7400
