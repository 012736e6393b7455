// The real program: answers a frame over UDP, and on SIGTERM saves its preferences and ends.
#include <gtest/gtest.h>

#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "integration/support.h"

namespace v7400::integration {
namespace {

quint16 FreeUdpPort() {
  QUdpSocket probe;
  probe.bind(QHostAddress::LocalHost, 0);
  return probe.localPort();
}

void WriteSettingsFile(const QString& path, quint16 receiver_port, quint16 local_port) {
  const QStringList lines = {QStringLiteral("1"),
                             QStringLiteral("8"),
                             QStringLiteral("0"),
                             QStringLiteral("1"),
                             QStringLiteral("9600"),
                             QStringLiteral("0"),
                             QStringLiteral("1"),
                             QStringLiteral("127.0.0.1"),
                             QString::number(receiver_port),
                             QString::number(local_port),
                             QStringLiteral("19"),
                             QStringLiteral("1"),
                             QStringLiteral("0"),
                             QString(),
                             QString()};
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  for (const QString& line : lines) file.write(line.toLatin1() + "\r\n");
}

TEST(Program, AnswersAFrameAndSavesItsPreferencesOnSigterm) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QUdpSocket receiver;
  ASSERT_TRUE(receiver.bind(QHostAddress::LocalHost, 0));
  const quint16 simulator_port = FreeUdpPort();
  WriteSettingsFile(dir.filePath(QStringLiteral("APSsets.sys")), receiver.localPort(),
                    simulator_port);

  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
  program.setProcessEnvironment(environment);
  program.setWorkingDirectory(dir.path());
  program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/v7400"), {});
  ASSERT_TRUE(program.waitForStarted(5000));

  // Until the window is up the frame may go unheard: send it again until the answer comes.
  QByteArray answer;
  const bool answered = WaitUntil(
      [&] {
        if (receiver.hasPendingDatagrams()) {
          answer = receiver.receiveDatagram().data();
          return true;
        }
        receiver.writeDatagram(QByteArray("EVENT 1\x14"), QHostAddress::LocalHost, simulator_port);
        receiver.waitForReadyRead(200);
        return false;
      },
      15000);
  ASSERT_TRUE(answered);
  EXPECT_EQ(answer, QByteArray("\x06"));

  program.terminate();
  ASSERT_TRUE(program.waitForFinished(10000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);

  QSettings saved(dir.filePath(QStringLiteral("config/Corvane/V7400.conf")), QSettings::IniFormat);
  EXPECT_EQ(saved.value(QStringLiteral("SOFTWARE/Corvane/V7400/para/AutomationFormat")),
            QStringLiteral("0"));
  EXPECT_EQ(saved.value(QStringLiteral("SOFTWARE/Corvane/V7400/para/AckMode")),
            QStringLiteral("1"));
  EXPECT_EQ(saved.value(QStringLiteral("SOFTWARE/Corvane/V7400/Font1/Name")),
            QStringLiteral("Courier New"));
}

}  // namespace
}  // namespace v7400::integration
