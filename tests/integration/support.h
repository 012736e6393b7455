// Helpers for the tests against real peers: waiting on the event loop, a pseudo-terminal pair
// from socat, and the openssl command line.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <string>

namespace v7400::integration {

// Runs the event loop until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeout_ms = 5000) {
  QDeadlineTimer deadline(timeout_ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Two linked pseudo-terminals made by socat; socat is ended with the object.
class PtyPair {
 public:
  PtyPair() {
    socat_.setProgram(QStringLiteral("socat"));
    socat_.setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                         QStringLiteral("pty,raw,echo=0"), QStringLiteral("pty,raw,echo=0")});
    socat_.start();
    if (!socat_.waitForStarted(5000)) return;
    QByteArray log;
    const QRegularExpression pty(QStringLiteral("PTY is (/dev/\\S+)"));
    WaitUntil([&] {
      socat_.waitForReadyRead(50);
      log += socat_.readAllStandardError();
      first_.clear();
      second_.clear();
      auto matches = pty.globalMatch(QString::fromLocal8Bit(log));
      if (matches.hasNext()) first_ = matches.next().captured(1).toStdString();
      if (matches.hasNext()) second_ = matches.next().captured(1).toStdString();
      // socat links the two ends once it reports the transfer loop.
      return !second_.empty() && log.contains("starting data transfer loop");
    });
  }
  ~PtyPair() {
    socat_.kill();
    socat_.waitForFinished(3000);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ready() const { return !first_.empty() && !second_.empty(); }
  const std::string& First() const { return first_; }
  const std::string& Second() const { return second_; }

 private:
  QProcess socat_;
  std::string first_;
  std::string second_;
};

// Runs openssl with the arguments and the input; the output, or an empty optional-like flag.
inline bool RunOpenssl(const QStringList& arguments, const QByteArray& input, QByteArray& output) {
  QProcess openssl;
  openssl.start(QStringLiteral("openssl"), arguments);
  if (!openssl.waitForStarted(5000)) return false;
  openssl.write(input);
  openssl.closeWriteChannel();
  if (!openssl.waitForFinished(10000)) return false;
  output = openssl.readAllStandardOutput();
  return openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

}  // namespace v7400::integration
