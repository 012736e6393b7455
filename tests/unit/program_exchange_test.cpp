#include <gtest/gtest.h>

#include "commands/program_data.h"
#include "fakes/command_harness.h"
#include "protocol/network_receive.h"
#include "protocol/serial_receive.h"

namespace v7400 {
namespace {

using testing::CommandHarness;
using testing::ReceiverFrame;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int v : values) bytes += static_cast<char>(v);
  return bytes;
}

TEST(ProgramDataTest, HexConversions) {
  struct Case {
    const char* hex;
    std::string bytes;
    const char* sum;
  };
  const Case cases[] = {
      {"", "", "00"},
      {"A1B2", Bytes({0xA1, 0xB2}), "53"},
      {"ff01", Bytes({0xFF, 0x01}), "00"},
      {"ABC", Bytes({0xAB, 0x0C}), "B7"},
      {"5D00", Bytes({0x5D, 0x00}), "5D"},
      {"080102A1B2", Bytes({0x08, 0x01, 0x02, 0xA1, 0xB2}), "5E"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HexToBytes(c.hex), c.bytes) << c.hex;
    EXPECT_EQ(HexByteSum(c.hex), c.sum) << c.hex;
  }
  EXPECT_THROW(HexToBytes("A1G2"), std::invalid_argument);
  EXPECT_THROW(HexByteSum("zz"), std::invalid_argument);
}

TEST(ProgramDataTest, Tk1400Items) {
  const auto items = BuildProgramItems(ProgramProfile::TK1400, "A1B2");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], "CMD0B" + Bytes({0x68, 0x08, 0x08, 0x68, 0x28, 0x01, 0x04, 0x70, 0x00, 0x42,
                                       0x86, 0x01, 0x66, 0x16}));
  EXPECT_EQ(items[1],
            "CMD0B" + Bytes({0x68, 0x05, 0x05, 0x68, 0x08, 0x01, 0x02, 0xA1, 0xB2, 0x5E, 0x16}));
  // An empty string still gives a well-formed frame with no programming bytes.
  EXPECT_EQ(BuildProgramItems(ProgramProfile::TK1400, "")[1],
            "CMD0B" + Bytes({0x68, 0x03, 0x03, 0x68, 0x08, 0x01, 0x00, 0x09, 0x16}));
}

TEST(ProgramDataTest, QrvZtItems) {
  EXPECT_EQ(BuildProgramItems(ProgramProfile::QRV_ZT, "5D5B00FF"),
            std::vector<std::string>{"CMD0B" + Bytes({0x5D, 0x5B, 0x00, 0xFF})});
  EXPECT_EQ(BuildProgramItems(ProgramProfile::QRV_ZT, "ABC"),
            std::vector<std::string>{"CMD0B" + Bytes({0xAB, 0x0C})});
  EXPECT_TRUE(BuildProgramItems(ProgramProfile::QRV_ZT, "").empty());
}

TEST(ProgramDataTest, TimeoutsWithWrapAround) {
  struct Case {
    std::uint8_t program_state;
    std::uint32_t set_at;
    std::uint32_t now;
    std::uint8_t after;
  };
  constexpr std::uint32_t kNearWrap = 0xFFFFF830u;  // 2000 ms before the tick wraps
  const Case cases[] = {
      {1, 1000, 5000, 1},        {1, 1000, 5001, 0},        {3, 1000, 5000, 3},
      {3, 1000, 5001, 0},        {2, 1000, 121000, 2},      {2, 1000, 121001, 0},
      {2, 1000, 5001, 2},        {1, kNearWrap, 2000, 1},   {1, kNearWrap, 2001, 0},
      {2, kNearWrap, 118000, 2}, {2, kNearWrap, 118001, 0}, {0, 0, 0xFFFFFFFFu, 0},
      {5, 1000, 5001, 5},        {5, 1000, 121001, 0},      {4, 1000, 5001, 0},
      {6, 1000, 5001, 0},        {7, 1000, 0xFFFFFFFFu, 7},
  };
  for (const Case& c : cases) {
    SimulatorState state;
    state.LineTable[9].ProgramState = c.program_state;
    state.LineTable[9].StateTick = c.set_at;
    ExpireProgramStates(state, c.now);
    EXPECT_EQ(state.LineTable[9].ProgramState, c.after)
        << int{c.program_state} << " set at " << c.set_at << " now " << c.now;
  }
}

// The exchange as the receiver drives it over the serial port.
class ProgramExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.UseSia();
    h.clock.tick = 1000;
  }
  void Receive(const std::string& frame) {
    h.serial.Feed(frame);
    receiver.OnDataAvailable(static_cast<int>(frame.size()));
  }
  std::string CommandFrame(const std::string& sequence, const std::string& data) {
    return WrapSiaBody("\t" + sequence + "0107[" + data + "]");
  }
  std::uint8_t State() const { return h.state.LineTable[6].ProgramState; }

  CommandHarness h;
  SerialReceiver receiver{h.state, h.serial, h.sink, h.clock, h.commands};
};

TEST_F(ProgramExchangeTest, Tk1400FullExchange) {
  h.commands.Page().edt_programmingstr = "A1B2";
  h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, "07", "CMD08"});
  EXPECT_EQ(State(), 1);

  h.clock.tick = 3000;
  Receive(ReceiverFrame("0002", "07", "[NLC06]"));
  EXPECT_EQ(State(), 2);
  EXPECT_EQ(h.state.LineTable[6].StateTick, 3000u);

  h.clock.tick = 4000;
  Receive(ReceiverFrame("AAAA", "07", "[]"));
  EXPECT_EQ(State(), 2);
  Receive(ReceiverFrame("AAAA", "07", "[]"));
  EXPECT_EQ(State(), 3);
  Receive(ReceiverFrame("AAAA", "07", "[]"));
  EXPECT_EQ(State(), 0);

  const std::string item1 = "CMD0B" + Bytes({0x68, 0x08, 0x08, 0x68, 0x28, 0x01, 0x04, 0x70, 0x00,
                                             0x42, 0x86, 0x01, 0x66, 0x16});
  const std::string item2 =
      "CMD0B" + Bytes({0x68, 0x05, 0x05, 0x68, 0x08, 0x01, 0x02, 0xA1, 0xB2, 0x5E, 0x16});
  const std::vector<std::string> expected = {
      CommandFrame("0001", "CMD08"),
      WrapSiaBody("\t00020107[]"),  // the acknowledgement of "[NLC06"
      CommandFrame("0002", item1),   CommandFrame("0001", item2), CommandFrame("0001", "CMD0C"),
  };
  EXPECT_EQ(h.serial.writes, expected);
  // The last reply is left as received; the next command turns it into "0001".
  EXPECT_EQ(h.state.CurrentSequence, "AAAA");
  EXPECT_TRUE(h.state.LineTable[6].ProgramQueue.empty());
  // The three replies count as feedbacks, the "[NLC06" report too.
  EXPECT_EQ(h.state.LineTable[6].FeedbacksReceived, 4);
  EXPECT_EQ(h.state.LineTable[6].CommandsSent, 4);
}

TEST_F(ProgramExchangeTest, ItemHoldingABracketReachesTheReceiverWhole) {
  h.commands.Page().cbx_remoteprogram = ProgramProfile::QRV_ZT;
  h.commands.Page().edt_programmingstr = "415D5B42";
  h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, "07", "CMD08"});
  Receive(ReceiverFrame("0002", "07", "[NLC06]"));
  Receive(ReceiverFrame("AAAA", "07", "[]"));
  Receive(ReceiverFrame("AAAA", "07", "[]"));
  ASSERT_EQ(h.serial.writes.size(), 4u);
  EXPECT_EQ(h.serial.writes[2], CommandFrame("0002", "CMD0BA][B"));
  EXPECT_EQ(h.serial.writes[3], CommandFrame("0001", "CMD0C"));
  EXPECT_EQ(State(), 0);
}

TEST_F(ProgramExchangeTest, EmptyQrvZtStringClosesAtOnce) {
  h.commands.Page().cbx_remoteprogram = ProgramProfile::QRV_ZT;
  h.commands.Page().edt_programmingstr = "";
  h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, "07", "CMD08"});
  Receive(ReceiverFrame("0002", "07", "[NLC06]"));
  ASSERT_EQ(h.serial.writes.size(), 3u);
  EXPECT_EQ(h.serial.writes[2], CommandFrame("0002", "CMD0C"));
  EXPECT_EQ(State(), 3);
  Receive(ReceiverFrame("AAAA", "07", "[]"));
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(h.serial.writes.size(), 3u);
}

TEST_F(ProgramExchangeTest, TimeoutsEndTheExchange) {
  h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, "07", "CMD08"});
  h.clock.tick = 5000;
  h.commands.tmr_ProgramAndRequestTimer();
  EXPECT_EQ(State(), 1);
  h.clock.tick = 5001;
  h.commands.tmr_ProgramAndRequestTimer();
  EXPECT_EQ(State(), 0);
  // Too late: the ready report no longer starts anything.
  Receive(ReceiverFrame("0002", "07", "[NLC06]"));
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(h.serial.writes.size(), 2u);

  h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, "07", "CMD08"});
  Receive(ReceiverFrame("0003", "07", "[NLC06]"));
  EXPECT_EQ(State(), 2);
  h.clock.tick += 120000;
  h.commands.tmr_ProgramAndRequestTimer();
  EXPECT_EQ(State(), 2);
  ++h.clock.tick;
  h.commands.tmr_ProgramAndRequestTimer();
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(h.state.LineTable[6].ProgramQueue.size(), 1u) << "kept until the next ready report";
}

TEST_F(ProgramExchangeTest, NonHexProgrammingStringLeavesNoStaleItems) {
  h.commands.Page().edt_programmingstr = "A1B2";
  h.commands.BuildProgramQueue(7);
  h.commands.Page().edt_programmingstr = "G1";
  EXPECT_THROW(h.commands.BuildProgramQueue(7), std::invalid_argument);
  EXPECT_TRUE(h.state.LineTable[6].ProgramQueue.empty());
  EXPECT_EQ(h.commands.NextProgramItem(7), "");
  EXPECT_EQ(h.commands.NextProgramItem(0), "");
  EXPECT_EQ(h.commands.NextProgramItem(33), "");
  h.commands.BuildProgramQueue(33);  // outside the table: nothing to fill
}

TEST(NetworkProgramExchangeTest, DatagramsDriveTheSameExchange) {
  CommandHarness h;
  h.UseSia();
  h.state.ConnectionMode = ConnectionMode::kNetwork;
  testing::FakeNetworkIngress ingress;
  NetworkReceiver receiver{h.state, ingress, h.network, h.sink, h.clock, h.commands};
  h.commands.Page().cbx_remoteprogram = ProgramProfile::QRV_ZT;
  h.commands.Page().edt_programmingstr = "0102";
  h.commands.SendCommand(TCommand{CommandKind::RemoteProgram, "07", "CMD08"});
  receiver.OnDatagram(ReceiverFrame("0002", "07", "[NLC06]"), ingress.receiver, IpVersion::kIPv4);
  EXPECT_EQ(h.state.LineTable[6].ProgramState, 2);
  receiver.OnDatagram(ReceiverFrame("AAAA", "07", "[]"), ingress.receiver, IpVersion::kIPv4);
  EXPECT_EQ(h.state.LineTable[6].ProgramState, 3);
  receiver.OnDatagram(ReceiverFrame("AAAA", "07", "[]"), ingress.receiver, IpVersion::kIPv4);
  EXPECT_EQ(h.state.LineTable[6].ProgramState, 0);
  const std::vector<std::string> expected = {
      WrapSiaBody("\t00010107[CMD08]"),
      WrapSiaBody("\t00020107[]"),
      WrapSiaBody("\t00020107[CMD0B" + Bytes({0x01, 0x02}) + "]"),
      WrapSiaBody("\t00010107[CMD0C]"),
  };
  EXPECT_EQ(h.network.sent, expected);
  EXPECT_TRUE(h.serial.writes.empty());
}

}  // namespace
}  // namespace v7400
