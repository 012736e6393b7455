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
  std::string short_body = kSia;
  short_body.erase(10, 1);
  struct Case {
    const char* name;
    std::string frame;
    AutomationFormat format;
    bool hinted;
  };
  const std::vector<Case> cases = {
      {"SIA in 4100", kSia, AutomationFormat::k4100, true},
      {"SIA with a bad CRC in 4100", bad_crc, AutomationFormat::k4100, false},
      {"SIA with a wrong length in 4100", short_body, AutomationFormat::k4100, false},
      {"4100 in 4100", k4100, AutomationFormat::k4100, false},
      {"4100 in SIA", k4100, AutomationFormat::kSia, true},
      {"SIA in SIA", kSia, AutomationFormat::kSia, false},
      {"no end byte in SIA", "01 1234", AutomationFormat::kSia, false},
      {"empty", "", AutomationFormat::kSia, false},
  };
  for (const Case& c : cases) {
    const std::string hint = FormatMismatchHint(c.frame, c.format, '\x14');
    EXPECT_EQ(!hint.empty(), c.hinted) << c.name << ": " << hint;
  }
  EXPECT_EQ(FormatMismatchHint(kSia, AutomationFormat::k4100, '\x14'),
            "looks like SIA; the format is 4100 (--format sia, or the Format buttons)");
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
  sink.SetFrameObserver(&observer);
  const auto in = [&](const std::string& bytes, FrameVerdict verdict, std::string reason) {
    sink.ReportFrame(FrameIn(LinkKind::kUdp, "", bytes, verdict, std::move(reason)));
  };
  in(kSia, FrameVerdict::kNone, "no end byte");
  in(kSia, FrameVerdict::kNone, "no end byte");
  in(k4100, FrameVerdict::kAck, "");
  in(kSia, FrameVerdict::kNone, "no end byte");
  const std::string hint = FormatMismatchHint(kSia, AutomationFormat::k4100, '\x14');
  EXPECT_EQ(observer.reasons, (std::vector<std::string>{"no end byte; " + hint, "no end byte", "",
                                                        "no end byte; " + hint}));
  EXPECT_EQ(view.hints, (std::vector<std::string>{hint, "", hint}));
}

}  // namespace
}  // namespace v7400
