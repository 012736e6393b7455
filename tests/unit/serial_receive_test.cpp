#include "protocol/serial_receive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>

#include "codec/frame.h"
#include "display/display_text.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"
#include "fakes/fake_prompts.h"

namespace v7400 {
namespace {

using testing::FakeClock;
using testing::FakeDisplayView;
using testing::FakeLineServices;
using testing::FakeSerialPort;

std::string SiaFrame(const std::string& sequence, const std::string& line,
                     const std::string& data = "[#1234|NRR]") {
  return WrapSiaBody("\t" + sequence + "01" + line + data);
}

class SerialReceiveTest : public ::testing::Test {
 protected:
  void Receive(const std::string& bytes) {
    port.Feed(bytes);
    receiver.OnDataAvailable(static_cast<int>(bytes.size()));
  }
  void UseSia() { state.Format = AutomationFormat::kSia; }
  const std::string& Decimal(std::size_t i) { return sink.Entries(DisplayList::kDecimal).at(i); }
  const std::string& Hex(std::size_t i) { return sink.Entries(DisplayList::kHex).at(i); }
  std::size_t EntryCount() { return sink.Entries(DisplayList::kDecimal).size(); }

  SimulatorState state;
  FakeSerialPort port;
  FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  FakeLineServices lines;
  SerialReceiver receiver{state, port, sink, clock, lines};
};

TEST_F(SerialReceiveTest, Format4100FrameIsShownAnsweredAndCounted) {
  Receive("ABC\x14");
  ASSERT_EQ(EntryCount(), 1U);
  EXPECT_EQ(Decimal(0), "14:05:09 <1> :  ABC[20]    <06>");
  EXPECT_EQ(Hex(0), "1:  41 42 43 14      06");
  ASSERT_EQ(port.writes.size(), 1U);
  EXPECT_EQ(port.writes[0], "\x06");
  EXPECT_EQ(view.status[0], "Received: 1");
  EXPECT_EQ(view.status[1], "Sent: 1");
  ASSERT_EQ(lines.updates.size(), 1U);
  EXPECT_EQ(lines.updates[0].entry, Decimal(0));
  EXPECT_EQ(lines.updates[0].line, "00");
  EXPECT_TRUE(state.FrameBuffer.empty());
  EXPECT_TRUE(state.DecimalText.empty());
  EXPECT_TRUE(state.HexText.empty());
}

TEST_F(SerialReceiveTest, SpacesAndControlBytesAreRenderedByTheSpaceRule) {
  Receive(std::string("A \x00\xFF\x14", 5));
  state.SpaceConverting = 0;
  Receive("B \x14");
  EXPECT_EQ(Decimal(0), "14:05:09 <1> :  As[0][255][20]    <06>");
  EXPECT_EQ(Decimal(1), "14:05:09 <2> :  B [20]    <06>");
}

TEST_F(SerialReceiveTest, ValidSiaFrameIsAcknowledgedWithItsAddressFields) {
  UseSia();
  const std::string frame = SiaFrame("0042", "05");
  Receive(frame);
  EXPECT_EQ(state.CurrentSequence, "0042");
  EXPECT_EQ(state.ReceiverNumber, "01");
  EXPECT_EQ(state.CurrentLine, "05");
  const std::string ack = WrapSiaBody("\t00420105[]");
  ASSERT_EQ(port.writes.size(), 1U);
  EXPECT_EQ(port.writes[0], ack);
  const std::string shown = RenderDecimal(frame.substr(0, frame.size() - 1), true);
  EXPECT_EQ(Decimal(0), "14:05:09 <1> :  " + shown + "[13]     " + RenderDecimal(ack, true));
  EXPECT_EQ(Hex(0), "1:  " + RenderHex(frame) + "     " + RenderHex(ack));
  EXPECT_EQ(lines.updates.at(0).line, "05");
  EXPECT_EQ(lines.updates.at(0).frame_text, "14:05:09 <1> :  " + shown + "[13]");  // no answer
}

TEST_F(SerialReceiveTest, AnswerShowsBlanksAsSWhateverTheSpaceRule) {
  UseSia();
  state.SpaceConverting = 0;
  state.ReceiverNumber = " 1";
  Receive(WrapSiaBody("\t0001 102[x y]"));
  EXPECT_NE(Decimal(0).find("x y]"), std::string::npos);
  EXPECT_NE(Decimal(0).find("0001s102[]"), std::string::npos);
}

TEST_F(SerialReceiveTest, FrameSplitOverNotificationsGivesOneEntry) {
  UseSia();
  const std::string frame = SiaFrame("0007", "12");
  for (const char byte : frame) {
    EXPECT_EQ(EntryCount(), 0U);
    Receive(std::string(1, byte));
  }
  ASSERT_EQ(EntryCount(), 1U);
  EXPECT_EQ(port.writes.size(), 1U);
  EXPECT_EQ(state.ReceivedCount, 1);
}

TEST_F(SerialReceiveTest, CarriageReturnInsideSiaDataDoesNotCutTheFrame) {
  UseSia();
  const std::string frame = SiaFrame("0001", "03", "[A\rB]");
  Receive(frame);
  ASSERT_EQ(EntryCount(), 1U);
  EXPECT_NE(Hex(0).find("41 0D 42"), std::string::npos);
  EXPECT_NE(Decimal(0).find("[AB][13]"), std::string::npos);
  EXPECT_EQ(port.writes.size(), 1U);
}

TEST_F(SerialReceiveTest, SequenceAAAAIsAnsweredOnScreenButNotOnTheWire) {
  UseSia();
  Receive(SiaFrame("AAAA", "02"));
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(state.SentCount, 1);
  EXPECT_EQ(view.status[1], "Sent: 1");
  EXPECT_NE(Decimal(0).find(RenderDecimal(WrapSiaBody("\tAAAA0102[]"), true)), std::string::npos);
}

TEST_F(SerialReceiveTest, ReceivingCrcErrorOptionNacksExactlyOneFrame) {
  UseSia();
  state.Debug.SimulateReceivingCrcError = true;
  Receive(SiaFrame("0001", "01"));
  Receive(SiaFrame("0002", "01"));
  ASSERT_EQ(EntryCount(), 3U);
  EXPECT_EQ(Decimal(0), kInvalidPackage);
  EXPECT_EQ(Hex(0), kInvalidPackage);
  ASSERT_EQ(port.writes.size(), 2U);
  EXPECT_EQ(port.writes[0], WrapSiaBody("\t00000101[]"));
  EXPECT_EQ(port.writes[1], WrapSiaBody("\t00020101[]"));
  EXPECT_FALSE(state.Debug.SimulateReceivingCrcError);
}

TEST_F(SerialReceiveTest, BadChecksumIsNacked) {
  UseSia();
  std::string frame = SiaFrame("0001", "01");
  frame[2] = frame[2] == '0' ? '1' : '0';
  Receive(frame);
  EXPECT_EQ(Decimal(0), kInvalidPackage);
  EXPECT_EQ(port.writes.at(0), BuildNack(state));
}

TEST_F(SerialReceiveTest, SendingCrcErrorSpoilsTheAnswerAndIsUsedUpByAAAA) {
  UseSia();
  state.Debug.SimulateSendingCrcError = true;
  Receive(SiaFrame("0001", "01"));
  ASSERT_EQ(port.writes.size(), 1U);
  EXPECT_EQ(port.writes[0][1], '\0');
  EXPECT_FALSE(state.Debug.SimulateSendingCrcError);

  state.Debug.SimulateSendingCrcError = true;
  Receive(SiaFrame("AAAA", "01"));
  EXPECT_FALSE(state.Debug.SimulateSendingCrcError);
  EXPECT_EQ(port.writes.size(), 1U);
}

TEST_F(SerialReceiveTest, DroppedFramesLeaveNothingBehind) {
  UseSia();
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"longer than declared",
       "\x0A"
       "000001xyz\r"},
      {"no line feed at the start",
       "X"
       "000001y\r"},
  };
  for (const Case& c : cases) {
    Receive(c.bytes + SiaFrame("0003", "04"));
    ASSERT_EQ(EntryCount(), 0U) << c.name;
    EXPECT_TRUE(state.FrameBuffer.empty() && state.DecimalText.empty() && state.HexText.empty())
        << c.name;
    // The rest waits in the port for the next notification.
    receiver.OnDataAvailable(static_cast<int>(port.incoming.size()));
    ASSERT_EQ(EntryCount(), 1U) << c.name;
    EXPECT_EQ(Hex(0), "1:  " + RenderHex(SiaFrame("0003", "04")) + "     " +
                          RenderHex(WrapSiaBody("\t00030104[]")))
        << c.name;
    testing::FakePrompts yes;
    sink.Clear(yes);
  }
}

TEST_F(SerialReceiveTest, ManualModeShowsButNeverAnswers) {
  state.Ack = AckMode::kManual;
  Receive("AB\x14");
  UseSia();
  Receive(SiaFrame("0001", "01"));
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(state.SentCount, 0);
  EXPECT_EQ(Decimal(0), "14:05:09 <1> :  AB[20]");
  EXPECT_EQ(Hex(0), "1:  41 42 14 ");
  EXPECT_EQ(lines.updates.size(), 2U);
}

TEST_F(SerialReceiveTest, NetworkModeDrainsBytesAndClosingReadsNothing) {
  state.ConnectionMode = ConnectionMode::kNetwork;
  Receive("AB\x14");
  EXPECT_TRUE(port.incoming.empty());
  EXPECT_EQ(EntryCount(), 0U);

  state.ConnectionMode = ConnectionMode::kSerial;
  state.Closing = -1;
  Receive("AB\x14");
  EXPECT_EQ(port.incoming.size(), 3U);
  EXPECT_EQ(EntryCount(), 0U);
}

TEST_F(SerialReceiveTest, CountLargerThanWaitingBytesStopsEarly) {
  port.Feed("A\x14");
  receiver.OnDataAvailable(100);
  EXPECT_EQ(EntryCount(), 1U);
  port.Feed(
      "B\x14"
      "C");
  receiver.OnDataAvailable(2);
  EXPECT_EQ(port.incoming.size(), 1U);
}

TEST_F(SerialReceiveTest, ProgramReadyStartsTheExchangeAfterTheAck) {
  UseSia();
  state.LineTable[6].ProgramState = 1;
  lines.queue = {"0102", "0304"};
  Receive(SiaFrame("0009", "07", "[NLC06]"));
  EXPECT_EQ(port.writes.size(), 1U);
  EXPECT_EQ(state.LineTable[6].ProgramState, 2);
  EXPECT_EQ(lines.queues_built, std::vector<int>{7});
  ASSERT_EQ(lines.commands.size(), 1U);
  EXPECT_EQ(lines.commands[0], (TCommand{CommandKind::ProgramData, "07", "0102"}));

  Receive(SiaFrame("AAAA", "07", "[]"));
  EXPECT_EQ(lines.commands.at(1), (TCommand{CommandKind::ProgramData, "07", "0304"}));
  EXPECT_EQ(state.CurrentSequence, "0001");
  Receive(SiaFrame("AAAA", "07", "[]"));
  EXPECT_EQ(lines.commands.at(2), (TCommand{CommandKind::ProgramEnd, "07", "CMD0C"}));
  EXPECT_EQ(state.LineTable[6].ProgramState, 3);
  Receive(SiaFrame("AAAA", "07", "[]"));
  EXPECT_EQ(state.LineTable[6].ProgramState, 0);
  EXPECT_EQ(lines.commands.size(), 3U);
  EXPECT_EQ(port.writes.size(), 1U);
}

TEST_F(SerialReceiveTest, UnreadableProgrammingStringLeavesTheLineWaitingForItsRequest) {
  UseSia();
  state.LineTable[6].ProgramState = 1;
  lines.fail_build = true;
  const std::string frame = SiaFrame("0009", "07", "[NLC06]");
  port.Feed(frame);
  EXPECT_THROW(receiver.OnDataAvailable(static_cast<int>(frame.size())), std::invalid_argument);
  EXPECT_EQ(state.LineTable[6].ProgramState, 1);
  EXPECT_TRUE(lines.commands.empty());
}

TEST_F(SerialReceiveTest, ProgramStepsIgnoreIdleLinesAnd4100) {
  Receive("[NLC06\x14");
  UseSia();
  Receive(SiaFrame("0001", "07", "[NLC06]"));
  Receive(SiaFrame("AAAA", "07"));
  EXPECT_TRUE(lines.commands.empty());
  EXPECT_TRUE(lines.queues_built.empty());
}

TEST_F(SerialReceiveTest, LineFieldsOutsideTheTableAreHarmless) {
  UseSia();
  for (const char* line : {"00", "99", "33", "-1"}) {
    Receive(SiaFrame("AAAA", line));
    Receive(SiaFrame("0001", line, "[NLC06]"));
  }
  EXPECT_TRUE(lines.commands.empty());
  EXPECT_EQ(state.ReceivedCount, 8);
}

// A line field that is no number names no line: answered, nothing programmed, no exception.
TEST_F(SerialReceiveTest, LineFieldThatIsNoNumberIsAnsweredWithCleanBuffers) {
  UseSia();
  for (const char* line : {"x1", "\x01\x02"}) {
    Receive(SiaFrame("0001", line, "[NLC06]"));
    Receive(SiaFrame("AAAA", line));
  }
  EXPECT_TRUE(lines.commands.empty());
  EXPECT_EQ(port.writes.size(), 2U);
  EXPECT_TRUE(state.FrameBuffer.empty() && state.DecimalText.empty() && state.HexText.empty());
  EXPECT_EQ(view.status[0], "Received: 4");
  Receive(SiaFrame("0002", "01"));
  EXPECT_EQ(Hex(4).substr(0, 7), "5:  0A ");
}

TEST_F(SerialReceiveTest, RandomBytesInBothFormatsNeverBreakTheReceiver) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    state.Format = round % 2 == 0 ? AutomationFormat::kSia : AutomationFormat::k4100;
    state.PackageEndChar = 1 + static_cast<int>(random() % 255);
    std::string bytes(random() % 300, '\0');
    for (char& b : bytes) b = static_cast<char>(random() % 256);
    if (round % 5 == 0)
      bytes +=
          "\x0A"
          "0000FF" +
          std::string(2000, 'z') + "\r";
    port.Feed(bytes);
    try {
      receiver.OnDataAvailable(static_cast<int>(bytes.size()));
    } catch (const std::invalid_argument&) {
      // a line field that is no number: reported by the caller's guard
    }
  }
  EXPECT_EQ(static_cast<std::size_t>(state.ReceivedCount),
            EntryCount() - static_cast<std::size_t>(std::count(
                               sink.Entries(DisplayList::kDecimal).begin(),
                               sink.Entries(DisplayList::kDecimal).end(), kInvalidPackage)));
}

}  // namespace
}  // namespace v7400
