// The serial port adapter over a pseudo-terminal pair: one end is COMn, the test holds the other.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "integration/support.h"
#include "transport/qt/qt_port_name_preferences.h"
#include "transport/qt/qt_serial_device.h"

namespace v7400 {
namespace {

using integration::PeerEnd;
using integration::PtyPair;
using integration::WaitUntil;

class SerialDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pty.Ready()) GTEST_SKIP() << "socat could not make a pseudo-terminal pair";
    preferences.WritePortName(5, pty.First());
    SerialSettings settings;
    settings.port_number = 5;
    settings.baud_rate = 19200;
    serial.SetSettings(settings);
  }

  PtyPair pty;
  QTemporaryDir dir;
  QSettings store{dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat};
  QtPortNamePreferences preferences{store};
  QtSerialDevice serial{preferences};
};

TEST_F(SerialDeviceTest, ExchangeOverAPseudoTerminal) {
  EXPECT_EQ(store.value(QStringLiteral("Ports/COM5")).toString().toStdString(), pty.First());
  std::vector<int> notifications;
  std::string received;
  serial.SetDataAvailableHandler([&](int count) {
    notifications.push_back(count);
    while (serial.ByteReady()) received += serial.ReadByte();
  });
  ASSERT_TRUE(serial.Open()) << serial.FailureText();
  serial.DiscardInput();
  serial.DiscardOutput();
  PeerEnd peer(pty.Second());
  ASSERT_TRUE(peer.IsOpen());

  const std::string frame("\n47D40B\t00010100[]\r\x00\xFF\x11\x13", 23);
  ASSERT_TRUE(peer.Write(frame));
  ASSERT_TRUE(WaitUntil([&] { return received.size() >= frame.size(); }));
  EXPECT_EQ(received, frame);
  ASSERT_FALSE(notifications.empty());
  EXPECT_GE(notifications.front(), 1);

  serial.Write(std::string("\x06\x15\x00", 3));
  EXPECT_EQ(peer.Read(3), std::string("\x06\x15\x00", 3));
}

TEST_F(SerialDeviceTest, EveryLineSettingOpens) {
  // A Linux pseudo-terminal refuses 7 data bits and even parity; those are left to real ports.
  const SerialSettings variants[] = {
      {5, 8, Parity::kOdd, 2, 9600, false, false},
      {5, 8, Parity::kMark, 0, 115200, true, false},
      {5, 8, Parity::kSpace, 1, 300, false, true},
      {5, 8, Parity::kNone, 1, 57600, true, true},
  };
  for (const SerialSettings& settings : variants) {
    serial.SetSettings(settings);
    EXPECT_TRUE(serial.Open()) << serial.FailureText() << " parity "
                               << static_cast<int>(settings.parity);
    serial.Close();
    EXPECT_FALSE(serial.IsOpen());
  }
  serial.SetSettings({5, 9, Parity::kNone, 1, 9600, false, false});
  EXPECT_FALSE(serial.Open());
  EXPECT_NE(serial.FailureText().find("data bits"), std::string::npos);
}

// Bytes left behind by a handler that stops early are offered again without new input.
TEST_F(SerialDeviceTest, LeftoverBytesGetAnotherNotification) {
  std::string received;
  serial.SetDataAvailableHandler([&](int) {
    if (serial.ByteReady()) received += serial.ReadByte();
  });
  ASSERT_TRUE(serial.Open()) << serial.FailureText();
  PeerEnd peer(pty.Second());
  ASSERT_TRUE(peer.Write("ABCDE"));
  EXPECT_TRUE(WaitUntil([&] { return received == "ABCDE"; })) << received;
}

TEST_F(SerialDeviceTest, FailureTextsTellBusyFromMissing) {
  ASSERT_TRUE(serial.Open()) << serial.FailureText();
  QtSerialDevice second(preferences);
  second.SetSettings(serial.Settings());
  EXPECT_FALSE(second.Open());
  EXPECT_NE(second.FailureText().find("already open"), std::string::npos) << second.FailureText();

  preferences.WritePortName(6, "/dev/pts/no-such-terminal");
  second.SetSettings({6, 8, Parity::kNone, 1, 9600, false, false});
  EXPECT_FALSE(second.Open());
  EXPECT_NE(second.FailureText().find("doesn't exist"), std::string::npos) << second.FailureText();

  // A write on a closed port opens it first; a port that cannot be opened throws.
  EXPECT_THROW(second.Write("x"), std::runtime_error);
  serial.Close();
  PeerEnd peer(pty.Second());
  serial.Write("reopened");
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(peer.Read(8), "reopened");
}

TEST(SerialDeviceDefaults, ComPortsFollowTheMachineDevices) {
  QTemporaryDir dir;
  QSettings store(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat);
  QtPortNamePreferences preferences(store);
  QtSerialDevice serial(preferences);
  const std::vector<std::string> devices = QtSerialDevice::MachineDevices();
  for (int port = 1; port <= kComPortCount; ++port) {
    const std::size_t index = static_cast<std::size_t>(port - 1);
    EXPECT_EQ(serial.DeviceFor(port), index < devices.size() ? devices[index] : "");
  }
  SerialSettings settings;
  settings.port_number = static_cast<int>(devices.size()) + 1;
  serial.SetSettings(settings);
  EXPECT_FALSE(serial.Open());
  EXPECT_NE(serial.FailureText().find("doesn't exist"), std::string::npos);
}

}  // namespace
}  // namespace v7400
