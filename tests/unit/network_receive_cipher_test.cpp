#include <gtest/gtest.h>

#include "codec/cipher.h"
#include "codec/frame.h"
#include "display/display_text.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"
#include "protocol/network_receive.h"
#include "transport/connection_manager.h"

namespace v7400 {
namespace {

using testing::FakeClock;
using testing::FakeDatagramSender;
using testing::FakeDisplayView;
using testing::FakeLineServices;

// The sender check and the cipher exactly as the connection manager hands them over.
class CipherIngress : public NetworkIngress {
 public:
  CipherIngress(const SimulatorState& state, const TRijndael& cipher)
      : state_(state), cipher_(cipher) {}
  bool IsFromReceiver(const std::string& sender, IpVersion version) override {
    return SenderMatchesReceiver(state_, sender, version);
  }
  std::string DecryptPacket(const std::string& datagram) override {
    return cipher_.DecryptPacket(datagram);
  }

 private:
  const SimulatorState& state_;
  const TRijndael& cipher_;
};

class NetworkReceiveCipherTest : public ::testing::Test {
 protected:
  NetworkReceiveCipherTest() {
    state.ConnectionMode = ConnectionMode::kNetwork;
    state.Format = AutomationFormat::kSia;
  }

  SimulatorState state;
  TRijndael cipher;
  CipherIngress ingress{state, cipher};
  FakeDatagramSender sender;
  FakeDisplayView view;
  DisplaySink sink{state, view};
  FakeClock clock;
  FakeLineServices lines;
  NetworkReceiver receiver{state, ingress, sender, sink, clock, lines};
};

TEST_F(NetworkReceiveCipherTest, EncryptedFrameFromAnIPv6ReceiverWrittenDifferently) {
  state.ReceiverAddress = "fd00::12:abcd";
  state.EncryptionEnabled = true;
  const std::string frame = WrapSiaBody("\t00420105[#1234|NBA05]");
  const std::string packet = cipher.EncryptPayload(frame).Wire();

  receiver.OnDatagram(packet, "FD00:0:0:0:0:0:12:ABCD", IpVersion::kIPv6);
  ASSERT_EQ(sink.Entries(DisplayList::kDecimal).size(), 1U);
  EXPECT_NE(sink.Entries(DisplayList::kDecimal)[0].find(RenderDecimal(frame, true)),
            std::string::npos);
  EXPECT_EQ(sender.sent.at(0), WrapSiaBody("\t00420105[]"));

  receiver.OnDatagram(packet, "fd00::12:abce", IpVersion::kIPv6);
  receiver.OnDatagram(packet.substr(0, packet.size() - 1), "fd00::12:abcd", IpVersion::kIPv6);
  EXPECT_EQ(state.ReceivedCount, 1);
}

TEST_F(NetworkReceiveCipherTest, PacketUnderAnotherKeyIsReportedAsAWrongKey) {
  struct : FrameObserver {
    // The frame in: its random decryption may end in the end byte and so earn a NACK out.
    void OnFrame(const FrameReport& report) override {
      if (report.direction == FrameDirection::kIn) last = report;
    }
    FrameReport last;
  } seen;
  sink.AddObserver(&seen);
  state.ReceiverAddress = "127.0.0.1";
  state.EncryptionEnabled = true;
  TRijndael other;
  other.SetKeyString(kDefaultKeyString256);
  const std::string packet = other.EncryptPayload(WrapSiaBody("\t00420105[#1234|NBA05]")).Wire();
  receiver.OnDatagram(packet, "127.0.0.1", IpVersion::kIPv4);
  EXPECT_NE(seen.last.reason.find(": AES packet decrypted to unprintable bytes: wrong key?"),
            std::string::npos)
      << seen.last.reason;
  EXPECT_EQ(seen.last.wire, packet);  // what the capture's wire interface shows
}

TEST_F(NetworkReceiveCipherTest, IPv4SenderComparesIgnoringCaseOnly) {
  state.ReceiverAddress = "127.0.0.1";
  receiver.OnDatagram(WrapSiaBody("\t00010101[]"), "127.0.0.2", IpVersion::kIPv4);
  receiver.OnDatagram(WrapSiaBody("\t00010101[]"), "127.000.0.1", IpVersion::kIPv4);
  EXPECT_EQ(state.ReceivedCount, 0);
  receiver.OnDatagram(WrapSiaBody("\t00010101[]"), "127.0.0.1", IpVersion::kIPv4);
  EXPECT_EQ(state.ReceivedCount, 1);
}

}  // namespace
}  // namespace v7400
