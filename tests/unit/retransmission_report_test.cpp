#include "display/retransmission_report.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "fakes/frame_records.h"

namespace v7400 {
namespace {

FrameReport In(const char* sequence, std::uint32_t tick, bool delivered, int outage = 0) {
  FrameReport record = testing::Completed(
      FrameIn(LinkKind::kUdp, "", WrapSiaBody(std::string("\t") + sequence + "0102[#1|NBA1]"),
              FrameVerdict::kAck, ""),
      AutomationFormat::kSia, tick);
  record.answer.delivered = delivered;
  record.answer.outage = outage;
  return record;
}

TEST(RetransmissionReportTest, VerdictsNameWhatFailedWithTheNumbersConcerned) {
  ReceiverLedger ledger;
  ledger.OutageBegan(1, 1000, 1000);
  // 0002 given up, 0004 never came, 0005 silenced and never delivered; "00A1" is no event.
  for (const FrameReport& r : {In("0001", 0, true), In("0002", 100, false), In("0003", 200, true),
                               In("0005", 1000, false, 1), In("0006", 2500, true),
                               In("00A1", 2600, true), In("AAAA", 2700, false)}) {
    ledger.OnFrame(r);
  }
  EXPECT_EQ(RetransmissionJson(ledger.Report())["not_numbered"], 1);
  const std::vector<VerdictCase> cases =
      RetransmissionVerdicts(ledger.Report(), {6, 1, 0, {"0003"}});
  ASSERT_EQ(cases.size(), 4U);
  const std::pair<const char*, const char*> expected[] = {
      {"answers", "0003"},
      {"line 02: nothing lost", "0004"},
      {"line 02: nothing given up", "0002 0005"},
      {"outage 1: delivered whole and in order", "0004 0005"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(cases[i].name, expected[i].first);
    EXPECT_TRUE(cases[i].Failed()) << cases[i].name;
    EXPECT_EQ(cases[i].body, expected[i].second) << cases[i].name;
  }
  EXPECT_EQ(cases[0].message,
            "1 of 6 frames NACKed for their own checksum, 0 dropped; expected none");
  const std::string xml = RetransmissionJUnit(cases, "rx <fw>", 0.5);
  EXPECT_NE(xml.find("<testsuite name=\"rx &lt;fw&gt;\" tests=\"4\" failures=\"4\" errors=\"0\" "
                     "time=\"0.500\">"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<testcase classname=\"rx &lt;fw&gt;\" name=\"line 02: nothing lost\">\n"
                     "    <failure type=\"lost\" message=\"1 sequence number lost; expected "
                     "none\">0004</failure>"),
            std::string::npos)
      << xml;
  EXPECT_TRUE(AnyFailed(cases));
}

TEST(RetransmissionReportTest, WithoutSequenceNumbersLossAndOrderAreUnknown) {
  ReceiverLedger ledger;
  ledger.OutageBegan(1, 0, 1000);
  FrameReport silenced =
      testing::Completed(FrameIn(LinkKind::kSerial, "", "12\x14", FrameVerdict::kNone, ""),
                         AutomationFormat::k4100, 0);
  silenced.answer.outage = 1;
  FrameReport resent = silenced;
  resent.answer = {0, 0, false, true, 0};
  resent.tick = 1500;
  ledger.OnFrame(silenced);
  ledger.OnFrame(resent);
  const LedgerReport report = ledger.Report();
  const Json json = RetransmissionJson(report);
  EXPECT_TRUE(json["lost"].is_null());
  EXPECT_TRUE(json["lost_sequences"].is_null());
  EXPECT_TRUE(json["outages"][0]["in_order"].is_null());
  EXPECT_EQ(json["outages"][0]["whole"], true);
  EXPECT_EQ(json["outages"][0]["recovery_ms"], 500);
  const std::string text = RetransmissionText(report);
  EXPECT_NE(text.find("lost: not known without sequence numbers"), std::string::npos) << text;
  EXPECT_NE(text.find("order: not known without sequence numbers"), std::string::npos) << text;
  const std::vector<VerdictCase> cases = RetransmissionVerdicts(report, {2, 0, 0, {}});
  ASSERT_EQ(cases.size(), 3U);
  EXPECT_EQ(cases[1].name, "nothing given up");
  EXPECT_FALSE(AnyFailed(cases));
}

}  // namespace
}  // namespace v7400
