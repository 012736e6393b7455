#include "protocol/ack_control.h"

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
using testing::FakeSerialPort;

class FakeAckView : public AckView {
 public:
  void ShowAckMode(bool auto_chosen) override { auto_shown = auto_chosen; }
  void SetAnswerButtonsEnabled(bool enabled) override { buttons_enabled = enabled; }
  bool auto_shown = true;
  bool buttons_enabled = false;
};

class AckControlTest : public ::testing::Test {
 protected:
  const std::deque<std::string>& Decimal() { return sink.Entries(DisplayList::kDecimal); }
  const std::deque<std::string>& Hex() { return sink.Entries(DisplayList::kHex); }

  SimulatorState state;
  FakeAckView ack_view;
  FakeSerialPort serial;
  FakeDatagramSender network;
  FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  FakeLineServices lines;
  AckControl control{state, ack_view, serial, network, sink, clock, lines};
};

TEST_F(AckControlTest, ModeButtonsSwitchTheAnswerButtons) {
  control.rbManualACKClick();
  EXPECT_EQ(state.Ack, AckMode::kManual);
  EXPECT_TRUE(ack_view.buttons_enabled);
  EXPECT_FALSE(ack_view.auto_shown);
  control.rbAutoACKClick();
  EXPECT_EQ(state.Ack, AckMode::kAuto);
  EXPECT_FALSE(ack_view.buttons_enabled);
  EXPECT_TRUE(ack_view.auto_shown);
}

TEST_F(AckControlTest, Format4100Buttons) {
  struct Case {
    bool positive;
    const char* hex;
    const char* decimal;
    const char* byte;
  };
  const Case cases[] = {{true, "14:05:09 ack:  06", "14:05:09 ack:  <06>", "\x06"},
                        {false, "14:05:09 nack:  15", "14:05:09 nack:  <21>", "\x15"}};
  state.FrameBuffer = "partial";
  for (const Case& c : cases) {
    c.positive ? control.btnACKClick() : control.btnNACKClick();
    EXPECT_EQ(Hex().back(), c.hex);
    EXPECT_EQ(Decimal().back(), c.decimal);
    EXPECT_EQ(serial.writes.back(), c.byte);
  }
  EXPECT_EQ(state.SentCount, 2);
  EXPECT_EQ(view.status[1], "Sent: 2");
  EXPECT_TRUE(lines.updates.empty());
  EXPECT_EQ(state.FrameBuffer, "partial");
}

TEST_F(AckControlTest, SiaButtonsAnswerFromTheAddressFieldsAndEmptyTheBuffers) {
  state.Format = AutomationFormat::kSia;
  state.FrameBuffer = "partial";
  state.DecimalText = "x";
  control.btnACKClick();
  const std::string ack = WrapSiaBody("\t00010100[]");
  EXPECT_EQ(serial.writes.at(0), ack);
  EXPECT_EQ(Decimal().back(), "14:05:09 ack:  " + RenderDecimal(ack, true));
  EXPECT_EQ(Hex().back(), "14:05:09 ack:  " + RenderHex(ack));
  EXPECT_EQ(lines.updates.at(0).entry, Decimal().back());
  EXPECT_EQ(lines.updates.at(0).line, "00");
  EXPECT_TRUE(state.FrameBuffer.empty() && state.DecimalText.empty() && state.HexText.empty());

  control.btnNACKClick();
  control.btnNACKClick();
  const std::string nack = WrapSiaBody("\t00000100[]");
  EXPECT_EQ(serial.writes.at(1), nack);
  EXPECT_EQ(serial.writes.at(2), nack);
  EXPECT_EQ(Decimal().back(), "14:05:09 nack:  " + RenderDecimal(nack, true));
  EXPECT_EQ(state.SentCount, 3);
}

TEST_F(AckControlTest, NetworkModeSendsThroughTheDatagramSender) {
  state.ConnectionMode = ConnectionMode::kNetwork;
  control.btnACKClick();
  state.Format = AutomationFormat::kSia;
  control.btnNACKClick();
  EXPECT_TRUE(serial.writes.empty());
  EXPECT_EQ(network.sent, (std::vector<std::string>{"\x06", WrapSiaBody("\t00000100[]")}));
}

}  // namespace
}  // namespace v7400
