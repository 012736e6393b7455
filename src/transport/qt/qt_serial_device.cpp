#include "transport/qt/qt_serial_device.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <stdexcept>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace v7400 {

namespace {

QSerialPort::Parity ToQt(Parity parity) {
  switch (parity) {
    case Parity::kOdd:
      return QSerialPort::OddParity;
    case Parity::kEven:
      return QSerialPort::EvenParity;
    case Parity::kMark:
      return QSerialPort::MarkParity;
    case Parity::kSpace:
      return QSerialPort::SpaceParity;
    case Parity::kNone:
      break;
  }
  return QSerialPort::NoParity;
}

// The system raises DTR and RTS when it opens the port; with hardware flow RTS then follows the
// input buffer and CTS gates the output.
// Hardware and XON/XOFF flow at once is beyond QSerialPort's choice of one; add XON/XOFF to
// the terminal settings it has just written.
bool AddSoftwareFlow(QSerialPort& port) {
#ifdef Q_OS_UNIX
  termios attributes{};
  const int handle = static_cast<int>(port.handle());
  if (::tcgetattr(handle, &attributes) != 0) return false;
  attributes.c_iflag |= IXON | IXOFF;
  attributes.c_cc[VSTART] = 0x11;
  attributes.c_cc[VSTOP] = 0x13;
  return ::tcsetattr(handle, TCSANOW, &attributes) == 0;
#else
  Q_UNUSED(port);
  return false;
#endif
}

bool IsAccessible(const QString& path) {
#ifdef Q_OS_UNIX
  return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
#else
  Q_UNUSED(path);
  return true;
#endif
}

// Why the device behind an open port is gone; empty while it is still there.
std::string WhyLineIsGone(QSerialPort& port, const QString& path) {
#ifdef Q_OS_UNIX
  pollfd probe{static_cast<int>(port.handle()), POLLIN | POLLOUT, 0};
  if (::poll(&probe, 1, 0) >= 0) {
    if ((probe.revents & POLLNVAL) != 0) return "the device is no longer valid";
    if ((probe.revents & (POLLHUP | POLLERR)) != 0) return "the device hung up";
  }
#endif
  if (!path.isEmpty() && !QFileInfo::exists(path)) return "the device was removed";
  return {};
}

}  // namespace

QtSerialDevice::QtSerialDevice(PortNamePreferences& preferences, QObject* parent)
    : QObject(parent), preferences_(preferences) {
  connect(&port_, &QSerialPort::readyRead, this, &QtSerialDevice::OnReadyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialDevice::OnError);
  reopen_timer_.setInterval(kReopenIntervalMs);
  connect(&reopen_timer_, &QTimer::timeout, this, &QtSerialDevice::TryReopen);
}

QtSerialDevice::~QtSerialDevice() { port_.close(); }

std::vector<std::string> QtSerialDevice::MachineDevices() {
  std::vector<std::string> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    devices.push_back(info.systemLocation().toStdString());
  }
  return OrderSerialDevices(std::move(devices));
}

std::string QtSerialDevice::DeviceFor(int port_number) const {
  return DeviceForPort(port_number, preferences_, MachineDevices());
}

bool QtSerialDevice::ByteReady() { return port_.bytesAvailable() > 0; }

char QtSerialDevice::ReadByte() {
  char byte = 0;
  if (!port_.getChar(&byte)) throw std::runtime_error("no byte waiting on the serial port");
  return byte;
}

void QtSerialDevice::Write(const std::string& bytes) {
  if (lost_) TryReopen();
  if (lost_) throw std::runtime_error("the serial device is away: " + device_path_.toStdString());
  if (!port_.isOpen() && !Open()) throw std::runtime_error(failure_);
  const qint64 written = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (written != static_cast<qint64>(bytes.size())) {
    throw std::runtime_error("serial write failed: " + port_.errorString().toStdString());
  }
}

void QtSerialDevice::SetSettings(const SerialSettings& settings) {
  settings_ = settings;
  if (port_.isOpen()) ApplySettings();
}

QString QtSerialDevice::ApplySettings() {
  if (settings_.data_bits < 5 || settings_.data_bits > 8) {
    return QStringLiteral("data bits %1 are not supported").arg(settings_.data_bits);
  }
  if (settings_.stop_bits < 0 || settings_.stop_bits > 2) {
    return QStringLiteral("stop bits %1 are not supported").arg(settings_.stop_bits);
  }
  const QSerialPort::FlowControl flow = settings_.hardware_flow   ? QSerialPort::HardwareControl
                                        : settings_.software_flow ? QSerialPort::SoftwareControl
                                                                  : QSerialPort::NoFlowControl;
  const bool applied =
      port_.setBaudRate(settings_.baud_rate) &&
      port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.data_bits)) &&
      port_.setParity(ToQt(settings_.parity)) &&
      port_.setStopBits(settings_.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
      port_.setFlowControl(flow);
  if (!applied) return port_.errorString();
  if (settings_.hardware_flow && settings_.software_flow && !AddSoftwareFlow(port_)) {
    return QStringLiteral("XON/XOFF flow control could not be set");
  }
  return {};
}

QString QtSerialDevice::OpenFailureText(const QString& device) const {
  switch (port_.error()) {
    case QSerialPort::DeviceNotFoundError:
      return QStringLiteral("Port %1 doesn't exist").arg(device);
    case QSerialPort::PermissionError:
      // A device we may use but cannot open is held by another program (its lock or its
      // exclusive mode); otherwise we lack the rights.
      if (IsAccessible(port_.portName().startsWith(QLatin1Char('/'))
                           ? port_.portName()
                           : QStringLiteral("/dev/") + port_.portName())) {
        return QStringLiteral("Port %1 is already open in another program").arg(device);
      }
      return QStringLiteral("Port %1: %2").arg(device, port_.errorString());
    default:
      return QStringLiteral("Port %1: %2").arg(device, port_.errorString());
  }
}

bool QtSerialDevice::Open() {
  failure_.clear();
  if (port_.isOpen()) return true;
  const QString device = QString::fromStdString(DeviceFor(settings_.port_number));
  if (device.isEmpty()) {
    failure_ = "Port COM" + std::to_string(settings_.port_number) + " doesn't exist";
    return false;
  }
  // An absolute path (a pseudo-terminal, say) is taken as it is; a bare name lives in /dev.
  port_.setPortName(device);
  device_path_ = device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
  if (!port_.open(QIODevice::ReadWrite)) {
    failure_ = OpenFailureText(device).toStdString();
    return false;
  }
  if (const QString problem = ApplySettings(); !problem.isEmpty()) {
    failure_ = QStringLiteral("Port %1: %2").arg(device, problem).toStdString();
    port_.close();
    return false;
  }
  return true;
}

void QtSerialDevice::Close() {
  // Closing on purpose also ends the wait for a lost device.
  lost_ = false;
  reopen_timer_.stop();
  if (port_.isOpen()) port_.close();
}

void QtSerialDevice::FinishWrites(int timeout_ms) {
  while (port_.isOpen() && port_.bytesToWrite() > 0 && port_.waitForBytesWritten(timeout_ms)) {
  }
}

void QtSerialDevice::DiscardInput() { port_.clear(QSerialPort::Input); }

void QtSerialDevice::DiscardOutput() { port_.clear(QSerialPort::Output); }

void QtSerialDevice::SetDataAvailableHandler(DataAvailableHandler handler) {
  handler_ = std::move(handler);
}

void QtSerialDevice::OnReadyRead() {
  const qint64 waiting = port_.bytesAvailable();
  if (!handler_ || waiting <= 0) return;
  handler_(static_cast<int>(waiting));
  // A handler that stopped early (at the end of a frame) left bytes that already arrived; they
  // get a notification of their own instead of waiting for the next byte from the line. Only
  // when it read something, so a handler that reads nothing is not called in a loop.
  const qint64 left = port_.isOpen() ? port_.bytesAvailable() : 0;
  if (left > 0 && left < waiting) {
    QMetaObject::invokeMethod(this, &QtSerialDevice::OnReadyRead, Qt::QueuedConnection);
  }
}

void QtSerialDevice::OnError(QSerialPort::SerialPortError error) {
  // A full output buffer, a hang-up and an unplugged device all arrive here, the last two
  // again and again while the port stays open. Look at the line once the signal is over.
  if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
      error != QSerialPort::WriteError) {
    return;
  }
  if (check_queued_ || !port_.isOpen()) return;
  check_queued_ = true;
  QMetaObject::invokeMethod(this, &QtSerialDevice::CheckLine, Qt::QueuedConnection);
}

void QtSerialDevice::CheckLine() {
  check_queued_ = false;
  if (!port_.isOpen()) return;
  const std::string why = WhyLineIsGone(port_, device_path_);
  if (why.empty()) {
    // The line is there; a write that could not go out yet waits in the port's buffer.
    port_.clearError();
    return;
  }
  port_.close();
  lost_ = true;
  reopen_timer_.start();
  if (link_handler_) link_handler_(false, device_path_.toStdString() + ": " + why);
}

void QtSerialDevice::TryReopen() {
  if (!lost_) {
    reopen_timer_.stop();
    return;
  }
  if (!Open()) return;
  lost_ = false;
  reopen_timer_.stop();
  // What waited on the line while it was away belongs to no frame of ours.
  DiscardInput();
  if (link_handler_) link_handler_(true, device_path_.toStdString());
}

}  // namespace v7400
