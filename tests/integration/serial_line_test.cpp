// The serial port adapter when the line misbehaves: a peer that stops reading, a device that
// goes away and comes back, old bytes waiting in the system's buffer at open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

#include "integration/support.h"
#include "transport/qt/qt_port_name_preferences.h"
#include "transport/qt/qt_serial_device.h"

namespace v7400 {
namespace {

using integration::PeerEnd;
using integration::WaitUntil;

// A pseudo-terminal pair under fixed paths, which can be unplugged and plugged in again.
class PluggablePty {
 public:
  explicit PluggablePty(const QString& dir)
      : device_(dir + QStringLiteral("/com")), peer_(dir + QStringLiteral("/peer")) {}
  ~PluggablePty() { Unplug(); }

  bool Plug() {
    socat_.setProgram(QStringLiteral("socat"));
    socat_.setArguments({QStringLiteral("pty,raw,echo=0,link=") + device_,
                         QStringLiteral("pty,raw,echo=0,link=") + peer_});
    socat_.start();
    return socat_.waitForStarted(5000) &&
           WaitUntil([&] { return QFileInfo::exists(device_) && QFileInfo::exists(peer_); });
  }
  void Unplug() {
    if (socat_.state() == QProcess::NotRunning) return;
    socat_.terminate();  // socat removes its links on SIGTERM
    if (!socat_.waitForFinished(3000)) socat_.kill();
    socat_.waitForFinished(3000);
  }
  std::string Device() const { return device_.toStdString(); }
  std::string Peer() const { return peer_.toStdString(); }

 private:
  QString device_;
  QString peer_;
  QProcess socat_;
};

// A pseudo-terminal whose master the test holds: the two directions have buffers of their own,
// so a peer that does not read never holds up what it writes (a relay like socat would stall).
class PtyMaster {
 public:
  PtyMaster() : fd_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    if (fd_ >= 0 && (::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0)) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~PtyMaster() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Ready() const { return fd_ >= 0; }
  std::string SlavePath() const { return ::ptsname(fd_); }
  // A descriptor of the master end of its own.
  int DupMaster() const { return ::dup(fd_); }

 private:
  int fd_;
};

class SerialLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pty.Plug()) GTEST_SKIP() << "socat could not make a pseudo-terminal pair";
    preferences.WritePortName(3, pty.Device());
    SerialSettings settings;
    settings.port_number = 3;
    settings.baud_rate = 115200;
    serial.SetSettings(settings);
    serial.SetLinkStateHandler([this](bool up, const std::string& why) {
      changes.push_back({up, why});
    });
  }

  // Answers every frame ended by CR with a 32-byte answer carrying the frame.
  void AnswerFrames() {
    serial.SetDataAvailableHandler([this](int) {
      while (serial.ByteReady()) {
        const char byte = serial.ReadByte();
        frame += byte;
        if (byte != '\r') continue;
        frame.resize(31, '.');
        serial.Write(frame + "\n");
        frame.clear();
      }
    });
  }

  struct Change {
    bool up;
    std::string why;
  };
  QTemporaryDir dir;
  PluggablePty pty{dir.path()};
  QSettings store{dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat};
  QtPortNamePreferences preferences{store};
  QtSerialDevice serial{preferences};
  std::vector<Change> changes;
  std::string frame;
};

std::string Frame(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "F%05d\r", number);
  return text;
}

// Far more answers than the line holds: they wait in the port and go out in order once the
// peer reads again. The port stays open all the while.
TEST_F(SerialLineTest, AnswersWaitForAPeerThatDoesNotRead) {
  PtyMaster master;
  ASSERT_TRUE(master.Ready());
  preferences.WritePortName(3, master.SlavePath());
  AnswerFrames();
  ASSERT_TRUE(serial.Open()) << serial.FailureText();
  PeerEnd peer(master.DupMaster());
  constexpr int kFrames = 5000;
  std::string frames;
  for (int i = 0; i < kFrames; ++i) frames += Frame(i);
  ASSERT_TRUE(peer.WriteAll(frames));
  WaitUntil([] { return false; }, 1000);  // the peer reads nothing for a second
  EXPECT_TRUE(serial.IsOpen());

  const std::string answers = peer.Read(kFrames * 32, 20000);
  ASSERT_EQ(answers.size(), static_cast<std::size_t>(kFrames * 32));
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_EQ(answers.substr(static_cast<std::size_t>(i) * 32, 6), Frame(i).substr(0, 6))
        << "answer " << i;
  }
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_TRUE(changes.empty());
}

// Unplugged: the port closes and says so once; plugged in again under the same path: it opens
// by itself and answers again.
TEST_F(SerialLineTest, LostDeviceIsReportedOnceAndReopened) {
  AnswerFrames();
  ASSERT_TRUE(serial.Open()) << serial.FailureText();
  {
    PeerEnd peer(pty.Peer());
    ASSERT_TRUE(peer.WriteAll(Frame(1) + "F0000"));  // the second frame is cut by the loss
    ASSERT_EQ(peer.Read(32).substr(0, 6), Frame(1).substr(0, 6));
    pty.Unplug();
  }
  ASSERT_TRUE(WaitUntil([&] { return !changes.empty(); })) << "the loss went unnoticed";
  EXPECT_FALSE(changes[0].up);
  EXPECT_NE(changes[0].why.find(pty.Device()), std::string::npos) << changes[0].why;
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_TRUE(serial.IsLost());
  EXPECT_THROW(serial.Write("x"), std::runtime_error);
  // A closed port cannot spin; nothing more is reported while the device is away.
  WaitUntil([] { return false; }, 300);
  EXPECT_EQ(changes.size(), 1u);

  frame.clear();
  ASSERT_TRUE(pty.Plug());
  ASSERT_TRUE(
      WaitUntil([&] { return changes.size() == 2; }, 2 * QtSerialDevice::kReopenIntervalMs + 2000));
  EXPECT_TRUE(changes[1].up);
  EXPECT_TRUE(serial.IsOpen());
  PeerEnd peer(pty.Peer());
  ASSERT_TRUE(peer.WriteAll(Frame(2)));
  EXPECT_EQ(peer.Read(32).substr(0, 6), Frame(2).substr(0, 6));
}

// Bytes that reached the line before the port opened are discarded with the input, although
// none of them is visible to the port yet.
TEST_F(SerialLineTest, DiscardInputDropsWhatWaitedBeforeTheOpen) {
  std::string received;
  serial.SetDataAvailableHandler([&](int) {
    while (serial.ByteReady()) received += serial.ReadByte();
  });
  PeerEnd peer(pty.Peer());
  ASSERT_TRUE(peer.WriteAll("old"));
  WaitUntil([] { return false; }, 100);  // let socat carry the bytes across
  ASSERT_TRUE(serial.Open()) << serial.FailureText();
  serial.DiscardInput();
  ASSERT_TRUE(peer.WriteAll("new"));
  ASSERT_TRUE(WaitUntil([&] { return received.size() >= 3; }));
  WaitUntil([] { return false; }, 100);
  EXPECT_EQ(received, "new");
}

}  // namespace
}  // namespace v7400
