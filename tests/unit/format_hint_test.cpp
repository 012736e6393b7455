#include "codec/format_hint.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "display/display_sink.h"
#include "fakes/fake_display_view.h"

namespace v7400 {
namespace {

const std::string kSia = WrapSiaBody("\"NRI0001\"0001R0001L01#1234[#1234|NBA01]");
const std::string k4100 = "01 1234 E130 01 001\x14";

TEST(FormatHintTest, FramesWellFormedInTheOtherFormat) {
  std::string bad_crc = kSia;
  bad_crc[1] = bad_crc[1] == '0' ? '1' : '0';
  const std::vector<std::tuple<std::string, AutomationFormat, bool>> cases = {
      {kSia, AutomationFormat::k4100, true},
      {bad_crc, AutomationFormat::k4100, false},
      {kSia.substr(1), AutomationFormat::k4100, false},
      {k4100, AutomationFormat::k4100, false},
      {k4100, AutomationFormat::kSia, true},
      {kSia, AutomationFormat::kSia, false},
      {"", AutomationFormat::kSia, false},
  };
  for (const auto& [frame, format, hinted] : cases) {
    EXPECT_EQ(!FormatMismatchHint(frame, format, '\x14').empty(), hinted) << frame;
  }
}

struct Reasons : FrameObserver {
  void OnFrame(const FrameReport& report) override { reasons.push_back(report.reason); }
  std::vector<std::string> reasons;
};

TEST(FormatHintTest, SaidOncePerSpellInTheViewAndTheReason) {
  SimulatorState state;
  state.Format = AutomationFormat::k4100;
  state.PackageEndChar = 0x14;
  testing::FakeDisplayView view;
  DisplaySink sink(state, view);
  Reasons observer;
  sink.AddObserver(&observer);
  for (const std::string& frame : {kSia, kSia, k4100, kSia}) {
    const bool ack = frame == k4100;
    sink.ReportFrame(FrameIn(LinkKind::kUdp, "", frame,
                             ack ? FrameVerdict::kAck : FrameVerdict::kNone,
                             ack ? "" : "no end byte"));
  }
  const std::string hint =
      "looks like SIA; the format is 4100 (--format sia, or the Format buttons)";
  EXPECT_EQ(observer.reasons, (std::vector<std::string>{"no end byte; " + hint, "no end byte", "",
                                                        "no end byte; " + hint}));
  EXPECT_EQ(view.hints, (std::vector<std::string>{hint, "", hint}));
}

}  // namespace
}  // namespace v7400
