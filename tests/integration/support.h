// Helpers for the tests against real peers: waiting on the event loop, a pseudo-terminal pair
// from socat, and the openssl command line.
#pragma once

#include <fcntl.h>
#include <unistd.h>

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

// The far end of the line, as the receiver would hold it.
class PeerEnd {
 public:
  explicit PeerEnd(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
  // Takes over an open descriptor.
  explicit PeerEnd(int fd) : fd_(fd) {}
  ~PeerEnd() {
    if (fd_ >= 0) ::close(fd_);
  }
  PeerEnd(const PeerEnd&) = delete;
  PeerEnd& operator=(const PeerEnd&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  bool Write(const std::string& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Writes everything, keeping the event loop running while the line is full.
  bool WriteAll(const std::string& bytes, int timeout_ms = 10000) {
    std::size_t done = 0;
    return WaitUntil(
        [&] {
          const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
          if (put > 0) done += static_cast<std::size_t>(put);
          return done == bytes.size();
        },
        timeout_ms);
  }
  // Reads what has arrived, keeping the event loop running while waiting for `count` bytes.
  std::string Read(std::size_t count, int timeout_ms = 5000) {
    std::string bytes;
    WaitUntil(
        [&] {
          char buffer[4096];
          ssize_t got;
          while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
          }
          return bytes.size() >= count;
        },
        timeout_ms);
    return bytes;
  }

 private:
  int fd_;
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
