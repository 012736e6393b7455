#include "protocol/network_receive.h"

#include <gtest/gtest.h>

#include "codec/frame.h"
#include "display/display_text.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"

namespace v7400 {
namespace {

using testing::FakeClock;
using testing::FakeDatagramSender;
using testing::FakeDisplayView;
using testing::FakeLineServices;
using testing::FakeNetworkIngress;

const char kReceiver[] = "192.0.2.20";
const char kPrefix[] = "14:05:09 <1> :  ";

std::string SiaFrame(const std::string& sequence, const std::string& line,
                     const std::string& data = "[#1234|NRR]") {
  return WrapSiaBody("\t" + sequence + "01" + line + data);
}

class NetworkReceiveTest : public ::testing::Test {
 protected:
  NetworkReceiveTest() { state.ConnectionMode = ConnectionMode::kNetwork; }
  void Receive(const std::string& datagram, const std::string& from = kReceiver) {
    receiver.OnDatagram(datagram, from, IpVersion::kIPv4);
  }
  const std::deque<std::string>& Decimal() { return sink.Entries(DisplayList::kDecimal); }
  const std::deque<std::string>& Hex() { return sink.Entries(DisplayList::kHex); }

  SimulatorState state;
  FakeNetworkIngress ingress;
  FakeDatagramSender sender;
  FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  FakeLineServices lines;
  NetworkReceiver receiver{state, ingress, sender, sink, clock, lines};
};

TEST_F(NetworkReceiveTest, Format4100DatagramIsAnsweredWithBracketedHex) {
  Receive("A B\x14");
  ASSERT_EQ(Decimal().size(), 1U);
  EXPECT_EQ(Decimal()[0], std::string(kPrefix) + "AsB[20]     [6]");
  EXPECT_EQ(Hex()[0], std::string(kPrefix) + "[41][20][42][14]     [06]");
  EXPECT_EQ(sender.sent, std::vector<std::string>{"\x06"});
  EXPECT_EQ(view.status[0], "Received: 1");
  EXPECT_EQ(view.status[1], "Sent: 1");
  EXPECT_EQ(lines.updates.at(0).entry, Decimal()[0]);
  // What tells an event from a feedback: the frame alone, never its answer.
  EXPECT_EQ(lines.updates.at(0).frame_text, std::string(kPrefix) + "AsB[20]");
}

TEST_F(NetworkReceiveTest, SiaDatagramAckAndNack) {
  state.Format = AutomationFormat::kSia;
  const std::string frame = SiaFrame("0042", "05");
  Receive(frame);
  const std::string ack = WrapSiaBody("\t00420105[]");
  EXPECT_EQ(sender.sent.at(0), ack);
  EXPECT_EQ(Decimal()[0],
            kPrefix + RenderDecimal(frame, true) + "     " + RenderDecimal(ack, true));

  std::string bad = frame;
  bad[3] = bad[3] == '1' ? '2' : '1';
  Receive(bad);
  EXPECT_EQ(sender.sent.at(1), WrapSiaBody("\t00000105[]"));
  EXPECT_EQ(Decimal().size(), 2U);  // no "Invalid package" entry on this path
}

TEST_F(NetworkReceiveTest, WithoutListsTheFrameIsStillAnsweredCountedAndLineUpdated) {
  sink.KeepNoLists();
  Receive("A B\x14");
  EXPECT_TRUE(Decimal().empty());
  EXPECT_TRUE(Hex().empty());
  EXPECT_EQ(sender.sent, std::vector<std::string>{"\x06"});
  EXPECT_EQ(view.status[0], "Received: 1");
  EXPECT_EQ(lines.updates.at(0).entry, std::string(kPrefix) + "AsB[20]     [6]");
}

TEST_F(NetworkReceiveTest, UnterminatedSiaDatagramIsCountedAndShownButNotAnswered) {
  state.Format = AutomationFormat::kSia;
  const std::string frame = SiaFrame("0042", "05");
  Receive(frame.substr(0, 10));
  Receive(frame.substr(10));
  EXPECT_EQ(state.ReceivedCount, 2);
  ASSERT_EQ(sender.sent.size(), 1U);
  EXPECT_EQ(sender.sent[0], BuildNack(state));  // the terminated half fails the checksum
  EXPECT_EQ(Decimal()[0], std::string(kPrefix) + RenderDecimal(frame.substr(0, 10), true));
  EXPECT_EQ(state.SentCount, 1);
}

TEST_F(NetworkReceiveTest, AddressFieldsComeFromAnyPayload) {
  state.Format = AutomationFormat::kSia;
  Receive("0123456789ABCDEF");
  EXPECT_EQ(state.CurrentSequence, "89AB");
  EXPECT_EQ(state.ReceiverNumber, "CD");
  EXPECT_EQ(state.CurrentLine, "EF");
  Receive("short");
  EXPECT_EQ(state.CurrentSequence, "");
  EXPECT_EQ(state.CurrentLine, "");
}

TEST_F(NetworkReceiveTest, EmptyDatagramIsCountedWithAnEmptyRendering) {
  Receive("");
  EXPECT_EQ(Decimal().at(0), kPrefix);
  EXPECT_EQ(Hex().at(0), kPrefix);
  EXPECT_TRUE(sender.sent.empty());
  EXPECT_EQ(state.ReceivedCount, 1);
}

TEST_F(NetworkReceiveTest, AAAAIsShownWithTheAckButNeitherSentNorCounted) {
  state.Format = AutomationFormat::kSia;
  Receive(SiaFrame("AAAA", "03"));
  EXPECT_TRUE(sender.sent.empty());
  EXPECT_EQ(state.SentCount, 0);
  EXPECT_NE(Decimal()[0].find(RenderDecimal(WrapSiaBody("\tAAAA0103[]"), true)), std::string::npos);
}

TEST_F(NetworkReceiveTest, DroppedDatagramsLeaveNoTrace) {
  using enum ConnectionMode;
  struct Case {
    const char* name;
    ConnectionMode mode;
    bool closing;
    bool encrypted;
    std::string datagram;
    std::string from;
  };
  const Case cases[] = {
      {"foreign sender", kNetwork, false, false, "A\x14", "127.0.0.2"},
      {"serial mode", kSerial, false, false, "A\x14", kReceiver},
      {"closing", kNetwork, true, false, "A\x14", kReceiver},
      {"17 bytes encrypted", kNetwork, false, true, std::string(17, 'x'), kReceiver},
      {"19 bytes encrypted", kNetwork, false, true, std::string(19, 'x'), kReceiver},
      {"oversize packet", kNetwork, false, true, std::string(1058, 'x'), kReceiver},
  };
  for (const Case& c : cases) {
    state.ConnectionMode = c.mode;
    state.Closing = c.closing ? -1 : 0;
    state.EncryptionEnabled = c.encrypted;
    Receive(c.datagram, c.from);
    EXPECT_TRUE(Decimal().empty()) << c.name;
    EXPECT_TRUE(sender.sent.empty()) << c.name;
    EXPECT_EQ(state.ReceivedCount, 0) << c.name;
    EXPECT_TRUE(ingress.decrypted.empty()) << c.name;
  }
}

TEST_F(NetworkReceiveTest, EncryptedPacketIsDecryptedBeforeProcessing) {
  state.EncryptionEnabled = true;
  Receive(std::string(18, '\0') + "AB\x14" + std::string(13, '\0'));
  EXPECT_EQ(ingress.decrypted.size(), 1U);
  ASSERT_EQ(Decimal().size(), 1U);
  EXPECT_EQ(state.ReceivedCount, 1);
}

TEST_F(NetworkReceiveTest, ProgrammingStepsRunInEitherFormat) {
  state.CurrentLine = "04";
  state.LineTable[3].ProgramState = 1;
  lines.queue = {"AA"};
  Receive("[NLC06\x14");
  EXPECT_EQ(state.LineTable[3].ProgramState, 2);
  ASSERT_EQ(lines.commands.size(), 1U);
  EXPECT_EQ(lines.commands[0], (TCommand{CommandKind::ProgramData, "04", "AA"}));
  // Unterminated: no steps.
  state.Format = AutomationFormat::kSia;
  Receive(SiaFrame("AAAA", "04").substr(0, 20));
  EXPECT_EQ(lines.commands.size(), 1U);
  Receive(SiaFrame("AAAA", "04"));
  EXPECT_EQ(lines.commands.at(1), (TCommand{CommandKind::ProgramEnd, "04", "CMD0C"}));
}

TEST_F(NetworkReceiveTest, ManualModeShowsWithoutAnswer) {
  state.Ack = AckMode::kManual;
  Receive("A\x14");
  EXPECT_EQ(Decimal()[0], std::string(kPrefix) + "A[20]");
  EXPECT_TRUE(sender.sent.empty());
}

TEST_F(NetworkReceiveTest, ListsStayAtTheCapAfterEachDatagram) {
  for (std::size_t i = 0; i < kDisplayCap + 5; ++i) sink.AppendDisplayEntry("h", "d");
  EXPECT_EQ(Decimal().size(), kDisplayCap + 1);
  Receive("A\x14");
  EXPECT_EQ(Decimal().size(), kDisplayCap);
  EXPECT_EQ(Hex().size(), kDisplayCap);
  EXPECT_EQ(Decimal().back(), std::string(kPrefix) + "A[20]     [6]");
}

}  // namespace
}  // namespace v7400
