// OpenConnection and SendDatagram with the real adapters: a settings file in a temporary
// directory, a pseudo-terminal as COM5 and a peer socket on the loopback address.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QSettings>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <fstream>

#include "integration/support.h"
#include "transport/connection_manager.h"
#include "transport/key_string_mask.h"
#include "transport/qt/qt_network_info.h"
#include "transport/qt/qt_port_name_preferences.h"
#include "transport/qt/qt_serial_device.h"
#include "transport/qt/qt_udp_endpoint.h"
#include "unit/fakes/fake_display_view.h"
#include "unit/fakes/fake_prompts.h"

namespace v7400 {
namespace {

using integration::PtyPair;
using integration::WaitUntil;

std::uint16_t FreeUdpPort() {
  QUdpSocket probe;
  probe.bind(QHostAddress::LocalHost, 0);
  return probe.localPort();
}

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTest() { InitialiseLines(state); }

  void WriteSettings(const ConnectionSettings& settings) {
    ASSERT_TRUE(WriteSettingsFile(settings_path, settings));
  }

  QTemporaryDir dir;
  std::filesystem::path settings_path =
      std::filesystem::path(dir.path().toStdString()) / kSettingsFileName;
  QSettings store{dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat};
  QtPortNamePreferences port_names{store};
  SimulatorState state;
  QtSerialDevice serial{port_names};
  QtUdpEndpoint endpoint;
  QtAdapterSource adapters;
  QtHostResolver resolver;
  AddressDiscovery discovery{adapters, resolver};
  TRijndael cipher;
  testing::FakePrompts prompts;
  testing::FakeDisplayView view;
  ConnectionManager manager{
      state, {serial, endpoint, discovery, resolver, cipher, prompts, view}, settings_path};
};

TEST_F(ConnectionTest, SerialLinkFromTheSettingsFile) {
  PtyPair pty;
  if (!pty.Ready()) GTEST_SKIP() << "socat could not make a pseudo-terminal pair";
  port_names.WritePortName(5, pty.First());
  ConnectionSettings settings;
  settings.port_number = 5;
  settings.baud_rate = 19200;
  WriteSettings(settings);

  manager.OpenConnection(OpenVariant::kStartUp);
  EXPECT_EQ(view.status[2], "Local PC:  COM5 8N1 19200");
  ASSERT_TRUE(serial.IsOpen()) << serial.FailureText();
  EXPECT_FALSE(endpoint.IsActive());
  EXPECT_FALSE(state.OpenFailed);

  std::string received;
  serial.SetDataAvailableHandler([&](int) {
    while (serial.ByteReady()) received += serial.ReadByte();
  });
  QFile peer(QString::fromStdString(pty.Second()));
  ASSERT_TRUE(peer.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
  peer.write("\x01\x02\x14", 3);
  ASSERT_TRUE(WaitUntil([&] { return received.size() == 3; }));
  EXPECT_EQ(received, "\x01\x02\x14");
}

TEST_F(ConnectionTest, MissingSerialPortAtStartUp) {
  port_names.WritePortName(6, dir.filePath(QStringLiteral("no-such-tty")).toStdString());
  ConnectionSettings settings;
  settings.port_number = 6;
  WriteSettings(settings);
  manager.OpenConnection(OpenVariant::kStartUp);
  EXPECT_EQ(prompts.errors,
            std::vector<std::string>{"Either Com6 does not exist in your PC or the com port is "
                                     "damaged,please configure to another com port."});
  EXPECT_TRUE(state.OpenFailed);
  EXPECT_EQ(view.status[2], "COM settings:");
}

class ConnectionUdpTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.bind(QHostAddress::LocalHost, 0));
    local_port = FreeUdpPort();
    settings.connection_mode = ConnectionMode::kNetwork;
    settings.receiver_address = "127.0.0.1";
    settings.receiver_port = std::to_string(peer.localPort());
    settings.local_port = std::to_string(local_port);
  }

  std::string NextDatagram() {
    if (!WaitUntil([&] { return peer.hasPendingDatagrams(); })) return "<nothing>";
    const QByteArray data = peer.receiveDatagram().data();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
  }

  QUdpSocket peer;
  std::uint16_t local_port = 0;
  ConnectionSettings settings;
};

TEST_F(ConnectionUdpTest, PlainAndEncryptedDatagrams) {
  WriteSettings(settings);
  manager.OpenConnection(OpenVariant::kStartUp);
  ASSERT_TRUE(endpoint.IsActive());
  std::string failure;
  std::string shown = discovery.ShownIPv4Address(failure);
  if (shown.empty()) shown = "0.0.0.0";
  EXPECT_EQ(view.status[2], "Local IP: " + shown + " [Port:" + std::to_string(local_port) +
                                "]   V9100 IP:127.0.0.1 [Port:" + settings.receiver_port + "]");

  std::vector<ReceivedDatagram> received;
  endpoint.SetDatagramHandler([&](const ReceivedDatagram& d) { received.push_back(d); });
  peer.writeDatagram(QByteArray("\x06"), QHostAddress::LocalHost, local_port);
  ASSERT_TRUE(WaitUntil([&] { return !received.empty(); }));
  EXPECT_TRUE(SenderMatchesReceiver(state, received[0].sender, IpVersion::kIPv4));

  manager.SendDatagram("\n47D40B\t00010100[]\r");
  EXPECT_EQ(NextDatagram(), "\n47D40B\t00010100[]\r");

  settings.encryption = true;
  settings.key_string = kDefaultKeyString256;
  WriteSettings(settings);
  manager.OpenConnection(OpenVariant::kDialog);
  ASSERT_TRUE(state.EncryptionEnabled);
  manager.SendDatagram("\n47D40B\t00010100[]\r");
  const std::string packet = NextDatagram();
  ASSERT_EQ(packet.size(), 50u);
  TRijndael receiver_side;
  receiver_side.SetKeyString(kDefaultKeyString256);
  EXPECT_EQ(receiver_side.DecryptPacket(packet), "\n47D40B\t00010100[]\r");
}

TEST_F(ConnectionUdpTest, ReceiverGivenByName) {
  settings.receiver_address = "localhost";
  WriteSettings(settings);
  manager.OpenConnection(OpenVariant::kStartUp);
  ASSERT_TRUE(endpoint.IsActive());
  EXPECT_NE(view.status[2].find("   V9100 DNS Name:localhost [Port:"), std::string::npos)
      << view.status[2];
  EXPECT_TRUE(SenderMatchesReceiver(state, "127.0.0.1", IpVersion::kIPv4));
  EXPECT_FALSE(SenderMatchesReceiver(state, "127.0.0.2", IpVersion::kIPv4));
  manager.SendDatagram("\x06");
  EXPECT_EQ(NextDatagram(), "\x06");
}

// The holder shares its address, as a second simulator did; the endpoint is still refused.
TEST_F(ConnectionUdpTest, LocalPortInUseIsShownAndBoundOnceFreed) {
  QUdpSocket holder;
  ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, local_port, QAbstractSocket::ShareAddress));
  WriteSettings(settings);
  manager.OpenConnection(OpenVariant::kStartUp);
  EXPECT_FALSE(endpoint.IsActive());
  const std::string busy = view.status[2];
  EXPECT_THROW(manager.SendDatagram("\x06"), std::runtime_error);
  holder.close();
  manager.RetryBinding();
  EXPECT_TRUE(endpoint.IsActive());
  EXPECT_EQ(view.status[2] + kPortBusySuffix, busy);
}

}  // namespace
}  // namespace v7400
