// A receiver's frame in over real UDP, the exact answer out: the settings file, OpenConnection,
// the UDP endpoint, the network receive path and SendDatagram together.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "codec/frame.h"
#include "display/display_sink.h"
#include "integration/support.h"
#include "protocol/network_receive.h"
#include "transport/connection_manager.h"
#include "transport/qt/qt_network_info.h"
#include "transport/qt/qt_udp_endpoint.h"
#include "unit/fakes/fake_clock.h"
#include "unit/fakes/fake_display_view.h"
#include "unit/fakes/fake_links.h"
#include "unit/fakes/fake_prompts.h"
#include "unit/fakes/fake_transport.h"

namespace v7400 {
namespace {

using integration::WaitUntil;

const char kSiaEvent[] = "E00010100[#1234|NRR001]";
const char kSiaAck[] = "\n47D40B\t00010100[]\r";

struct Loopback {
  const char* address;
  const char* other;  // another address of the same machine that must be ignored, if any
};

class NetworkExchangeTest : public ::testing::TestWithParam<Loopback> {
 protected:
  void SetUp() override {
    const QHostAddress loopback(QString::fromLatin1(GetParam().address));
    if (!peer.bind(loopback, 0)) GTEST_SKIP() << "no " << GetParam().address << " here";
    InitialiseLines(state);
    state.Format = AutomationFormat::kSia;
    endpoint.SetDatagramHandler(
        [this](const ReceivedDatagram& d) { receiver.OnDatagram(d.bytes, d.sender, d.version); });
  }

  void Open(bool encrypted) {
    QUdpSocket probe;
    probe.bind(QHostAddress(QString::fromLatin1(GetParam().address)), 0);
    local_port = probe.localPort();
    probe.close();
    ConnectionSettings settings;
    settings.connection_mode = ConnectionMode::kNetwork;
    settings.receiver_address = GetParam().address;
    settings.receiver_port = std::to_string(peer.localPort());
    settings.local_port = std::to_string(local_port);
    settings.local_address = GetParam().address;  // used by an IPv6 binding
    settings.encryption = encrypted;
    settings.key_string = kDefaultKeyString192;
    ASSERT_TRUE(WriteSettingsFile(settings_path, settings));
    manager.OpenConnection(OpenVariant::kStartUp);
    cipher.SetKeyString(state.KeyString);
    ASSERT_TRUE(endpoint.IsActive());
  }

  void SendFrom(QUdpSocket& socket, const std::string& bytes) {
    socket.writeDatagram(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                         QHostAddress(QString::fromLatin1(GetParam().address)), local_port);
  }

  std::string NextAnswer() {
    if (!WaitUntil([&] { return peer.hasPendingDatagrams(); })) return "<nothing>";
    const QByteArray data = peer.receiveDatagram().data();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
  }

  QTemporaryDir dir;
  std::filesystem::path settings_path =
      std::filesystem::path(dir.path().toStdString()) / kSettingsFileName;
  SimulatorState state;
  testing::FakeSerialDevice serial;
  QtUdpEndpoint endpoint;
  QtAdapterSource adapters;
  QtHostResolver resolver;
  AddressDiscovery discovery{adapters, resolver};
  TRijndael cipher;
  testing::FakePrompts prompts;
  testing::FakeDisplayView view;
  ConnectionManager manager{
      state, {serial, endpoint, discovery, resolver, cipher, prompts, view}, settings_path};
  DisplaySink sink{state, view};
  testing::FakeClock clock;
  testing::FakeLineServices lines;
  NetworkReceiver receiver{state, manager, manager, sink, clock, lines};
  QUdpSocket peer;
  std::uint16_t local_port = 0;
};

TEST_P(NetworkExchangeTest, FrameInExactAckOut) {
  Open(false);
  QUdpSocket stranger;
  const bool have_stranger = GetParam().other != nullptr &&
                             stranger.bind(QHostAddress(QString::fromLatin1(GetParam().other)), 0);
  // The stranger's frame goes first; when the receiver's answer arrives it has been handled.
  if (have_stranger) SendFrom(stranger, WrapSiaBody(kSiaEvent));
  SendFrom(peer, WrapSiaBody(kSiaEvent));
  EXPECT_EQ(NextAnswer(), kSiaAck);
  EXPECT_EQ(state.ReceivedCount, 1);
  EXPECT_EQ(state.SentCount, 1);
  EXPECT_FALSE(peer.hasPendingDatagrams());
  if (have_stranger) {
    EXPECT_FALSE(stranger.hasPendingDatagrams());
  }

  // "4100": the single ACK byte for a frame that ends with the end byte.
  state.Format = AutomationFormat::k4100;
  SendFrom(peer, "1234 18 1 131 01 015\x14");
  EXPECT_EQ(NextAnswer(), "\x06");
  EXPECT_EQ(state.ReceivedCount, 2);
}

TEST_P(NetworkExchangeTest, EncryptedFrameInEncryptedAckOut) {
  Open(true);
  TRijndael receiver_side;
  receiver_side.SetKeyString(kDefaultKeyString192);
  SendFrom(peer, receiver_side.EncryptPayload(WrapSiaBody(kSiaEvent)).Wire());
  const std::string packet = NextAnswer();
  ASSERT_EQ(packet.size(), 50u);  // 19 bytes of ACK in two blocks
  EXPECT_EQ(receiver_side.DecryptPacket(packet), kSiaAck);
  // A datagram of a length no packet has is dropped without an answer.
  SendFrom(peer, std::string(19, 'x'));
  SendFrom(peer, receiver_side.EncryptPayload(WrapSiaBody(kSiaEvent)).Wire());
  EXPECT_EQ(receiver_side.DecryptPacket(NextAnswer()), kSiaAck);
  EXPECT_EQ(state.ReceivedCount, 2);
}

INSTANTIATE_TEST_SUITE_P(Loopbacks, NetworkExchangeTest,
                         ::testing::Values(Loopback{"127.0.0.1", "127.0.0.2"},
                                           Loopback{"::1", nullptr}),
                         [](const auto& info) {
                           return std::string(info.param.address) == "::1" ? std::string("IPv6")
                                                                           : std::string("IPv4");
                         });

}  // namespace
}  // namespace v7400
