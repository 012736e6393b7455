// Both UDP endpoints (QUdpSocket and the batched one) against a peer socket on the loopback
// addresses.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <memory>
#include <vector>

#include "integration/support.h"
#include "transport/connection_manager.h"
#include "transport/qt/platform_udp_endpoint.h"
#include "transport/qt/qt_udp_endpoint.h"

namespace v7400 {
namespace {

using integration::WaitUntil;

struct Loopback {
  const char* address;
  IpVersion version;
  bool batched;
};

std::unique_ptr<UdpEndpoint> MakeEndpoint(bool batched) {
  if (batched) return std::make_unique<PlatformUdpEndpoint>();
  return std::make_unique<QtUdpEndpoint>();
}

bool CanBind(const QHostAddress& address) {
  QUdpSocket probe;
  return probe.bind(address, 0);
}

class UdpEndpointTest : public ::testing::TestWithParam<Loopback> {
 protected:
  void SetUp() override {
    const QHostAddress loopback(QString::fromLatin1(GetParam().address));
    if (!CanBind(loopback)) GTEST_SKIP() << "no " << GetParam().address << " on this machine";
    endpoint.SetDatagramHandler([this](const ReceivedDatagram& d) { received.push_back(d); });
    endpoint.SetBinding({GetParam().version, GetParam().address, 0, 0});
    endpoint.Activate();
    ASSERT_TRUE(peer.bind(loopback, 0));
  }

  std::vector<ReceivedDatagram> received;
  std::unique_ptr<UdpEndpoint> owned = MakeEndpoint(GetParam().batched);
  UdpEndpoint& endpoint = *owned;
  QUdpSocket peer;
};

TEST_P(UdpEndpointTest, DatagramsBothWays) {
  const QHostAddress loopback(QString::fromLatin1(GetParam().address));
  const QByteArray frame("\n47D40B\t00010100[]\r\x00\xFF", 21);
  peer.writeDatagram(frame, loopback, endpoint.BoundPort());
  ASSERT_TRUE(WaitUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received[0].bytes, std::string(frame.constData(), 21));
  EXPECT_EQ(received[0].version, GetParam().version);
  EXPECT_TRUE(SenderMatchesReceiver(
      [&] {
        SimulatorState state;
        state.ReceiverAddress = GetParam().address;
        return state;
      }(),
      received[0].sender, GetParam().version))
      << received[0].sender;

  endpoint.SendTo("\x06", {GetParam().address, peer.localPort(), 0});
  ASSERT_TRUE(WaitUntil([&] { return peer.hasPendingDatagrams(); }));
  const QNetworkDatagram answer = peer.receiveDatagram();
  EXPECT_EQ(answer.data(), QByteArray("\x06"));
  EXPECT_EQ(answer.senderPort(), endpoint.BoundPort());

  // An empty datagram is a datagram too.
  peer.writeDatagram(QByteArray(), loopback, endpoint.BoundPort());
  ASSERT_TRUE(WaitUntil([&] { return received.size() == 2; }));
  EXPECT_EQ(received[1].bytes, "");
}

TEST_P(UdpEndpointTest, DeactivateStopsListening) {
  const QHostAddress loopback(QString::fromLatin1(GetParam().address));
  const std::uint16_t port = endpoint.BoundPort();
  endpoint.Deactivate();
  EXPECT_FALSE(endpoint.IsActive());
  EXPECT_THROW(endpoint.SendTo("x", {GetParam().address, peer.localPort(), 0}), std::runtime_error);
  peer.writeDatagram(QByteArray("lost"), loopback, port);
  EXPECT_FALSE(WaitUntil([&] { return !received.empty(); }, 300));
  // The port is free again.
  QUdpSocket again;
  EXPECT_TRUE(again.bind(loopback, port));
}

// A burst larger than one slice is delivered whole and in order.
TEST_P(UdpEndpointTest, BurstIsDeliveredInOrder) {
  const QHostAddress loopback(QString::fromLatin1(GetParam().address));
  for (int i = 0; i < 100; ++i) {
    peer.writeDatagram(QByteArray::number(i), loopback, endpoint.BoundPort());
  }
  ASSERT_TRUE(WaitUntil([&] { return received.size() == 100; })) << received.size();
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(received[static_cast<std::size_t>(i)].bytes, std::to_string(i));
}

// A burst far larger than a slice, answered as it is read, leaves the endpoint listening: the
// frame after it is delivered and answered too.
TEST_P(UdpEndpointTest, BurstThenFrameIsStillAnswered) {
  const QHostAddress loopback(QString::fromLatin1(GetParam().address));
  endpoint.SetDatagramHandler([this](const ReceivedDatagram& d) {
    received.push_back(d);
    endpoint.SendTo(d.bytes, {GetParam().address, peer.localPort(), 0});
  });
  peer.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                       PlatformUdpEndpoint::kReceiveBufferBytes);
  // Each answer echoes its datagram: the answers come back in arrival order.
  int answers = 0;
  auto count_answers = [&] {
    while (peer.hasPendingDatagrams()) {
      const QByteArray answer = peer.receiveDatagram().data();
      ASSERT_LT(static_cast<std::size_t>(answers), received.size());
      ASSERT_EQ(answer.toStdString(), received[static_cast<std::size_t>(answers)].bytes);
      ++answers;
    }
  };
  constexpr int kBurst = 1000;
  for (int i = 0; i < kBurst; ++i) {
    peer.writeDatagram(QByteArray::number(i), loopback, endpoint.BoundPort());
  }
  // The system may drop part of a burst beyond the buffer it granted; what arrives is in order.
  const bool large_buffer =
      endpoint.ReceiveBufferBytes() >= 1024 * 1024 &&
      peer.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt() >= 1024 * 1024;
  WaitUntil(
      [&] {
        count_answers();
        return received.size() == kBurst;
      },
      large_buffer ? 5000 : 500);
  if (large_buffer) {
    EXPECT_EQ(received.size(), static_cast<std::size_t>(kBurst));
  }
  for (std::size_t i = 1; i < received.size(); ++i) {
    ASSERT_LT(std::stoi(received[i - 1].bytes), std::stoi(received[i].bytes));
  }
  const std::size_t before = received.size();
  peer.writeDatagram(QByteArray("last"), loopback, endpoint.BoundPort());
  ASSERT_TRUE(WaitUntil([&] { return received.size() == before + 1; }))
      << "deaf after " << before << " datagrams";
  EXPECT_EQ(received.back().bytes, "last");
  WaitUntil([&] {
    count_answers();
    return answers == static_cast<int>(before + 1);
  });
  if (large_buffer) {
    EXPECT_EQ(answers, static_cast<int>(before + 1));
  }
}

// A handler that closes the endpoint mid-burst: what was answered before still goes out, the
// rest goes with the socket; and the largest datagram there is arrives whole.
TEST_P(UdpEndpointTest, ClosedMidBurstAndLargestDatagram) {
  const QHostAddress loopback(QString::fromLatin1(GetParam().address));
  const std::string largest(65507 - (GetParam().version == IpVersion::kIPv6 ? 40 : 20), 'x');
  peer.writeDatagram(QByteArray::fromStdString(largest), loopback, endpoint.BoundPort());
  ASSERT_TRUE(WaitUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received[0].bytes, largest);

  received.clear();
  endpoint.SetDatagramHandler([this](const ReceivedDatagram& d) {
    received.push_back(d);
    endpoint.SendTo(d.bytes, {GetParam().address, peer.localPort(), 0});
    if (received.size() == 5) endpoint.Deactivate();
  });
  for (int i = 0; i < 20; ++i) {
    peer.writeDatagram(QByteArray::number(i), loopback, endpoint.BoundPort());
  }
  ASSERT_TRUE(WaitUntil([&] { return received.size() == 5; }));
  std::vector<std::string> answers;
  WaitUntil([&] {
    while (peer.hasPendingDatagrams()) answers.push_back(peer.receiveDatagram().data().toStdString());
    return answers.size() >= 5;
  });
  EXPECT_EQ(answers, (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_FALSE(WaitUntil([&] { return received.size() > 5; }, 200));
}

INSTANTIATE_TEST_SUITE_P(
    Loopbacks, UdpEndpointTest,
    ::testing::Values(Loopback{"127.0.0.1", IpVersion::kIPv4, false},
                      Loopback{"::1", IpVersion::kIPv6, false},
                      Loopback{"127.0.0.1", IpVersion::kIPv4, true},
                      Loopback{"::1", IpVersion::kIPv6, true}),
    [](const auto& info) {
      return std::string(info.param.version == IpVersion::kIPv4 ? "IPv4" : "IPv6") +
             (info.param.batched ? "Batched" : "Qt");
    });

class UdpEndpointErrors : public ::testing::TestWithParam<bool> {};

TEST_P(UdpEndpointErrors, PortInUseAndBadAddresses) {
  const auto first = MakeEndpoint(GetParam());
  first->SetBinding({IpVersion::kIPv4, "127.0.0.1", 0, 0});
  first->Activate();
  const auto second = MakeEndpoint(GetParam());
  second->SetBinding({IpVersion::kIPv4, "127.0.0.1", first->BoundPort(), 0});
  EXPECT_THROW(second->Activate(), std::runtime_error);
  EXPECT_FALSE(second->IsActive());
  EXPECT_THROW(first->SendTo("x", {"not-an-address", 10000, 0}), std::invalid_argument);
  const auto unbound = MakeEndpoint(GetParam());
  EXPECT_THROW(unbound->Activate(), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Endpoints, UdpEndpointErrors, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Batched" : "Qt"; });

// Another loopback address is another sender: its text does not match the receiver's.
TEST_P(UdpEndpointErrors, SenderAddressIsReported) {
  QUdpSocket other;
  if (!other.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0)) GTEST_SKIP() << "no 127.0.0.2";
  std::vector<ReceivedDatagram> received;
  const auto owned = MakeEndpoint(GetParam());
  UdpEndpoint& endpoint = *owned;
  endpoint.SetDatagramHandler([&](const ReceivedDatagram& d) { received.push_back(d); });
  endpoint.SetBinding({IpVersion::kIPv4, "0.0.0.0", 0, 0});
  endpoint.Activate();
  other.writeDatagram(QByteArray("x"), QHostAddress(QStringLiteral("127.0.0.1")),
                      endpoint.BoundPort());
  ASSERT_TRUE(WaitUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received[0].sender, "127.0.0.2");
  SimulatorState state;
  state.ReceiverAddress = "127.0.0.1";
  EXPECT_FALSE(SenderMatchesReceiver(state, received[0].sender, IpVersion::kIPv4));
}

}  // namespace
}  // namespace v7400
