#include "transport/qt/qt_udp_endpoint.h"

#include <QVariant>
#include <stdexcept>

namespace v7400 {

QHostAddress ToHostAddress(const std::string& text, std::uint32_t scope_id) {
  QHostAddress address;
  if (!address.setAddress(QString::fromStdString(text).trimmed())) {
    throw std::invalid_argument("'" + text + "' is not a numeric address");
  }
  if (scope_id != 0 && address.protocol() == QAbstractSocket::IPv6Protocol) {
    address.setScopeId(QString::number(scope_id));
  }
  return address;
}

std::string AddressText(const QHostAddress& address) {
  QHostAddress plain = address;
  plain.setScopeId(QString());
  return plain.toString().toStdString();
}

QtUdpEndpoint::~QtUdpEndpoint() { Deactivate(); }

void QtUdpEndpoint::Deactivate() {
  binding_.reset();
  CloseSocket();
}

void QtUdpEndpoint::CloseSocket() {
  if (!socket_) return;
  // The socket may be the one whose signal is being handled: close it now, free it later.
  socket_->close();
  socket_->deleteLater();
  socket_ = nullptr;
}

void QtUdpEndpoint::Activate() {
  CloseSocket();
  if (!binding_) throw std::runtime_error("the UDP endpoint has no binding");
  QHostAddress local;
  if (!binding_->address.empty()) {
    local = ToHostAddress(binding_->address, binding_->scope_id);
  } else {
    local = binding_->version == IpVersion::kIPv6 ? QHostAddress(QHostAddress::AnyIPv6)
                                                  : QHostAddress(QHostAddress::AnyIPv4);
  }
  auto* socket = new QUdpSocket(this);
  // Not shared: a second program (or a second simulator) on the port must be told, not left
  // to split the receiver's datagrams with the first.
  if (!socket->bind(local, binding_->port, QAbstractSocket::DontShareAddress)) {
    const std::string why = socket->errorString().toStdString();
    delete socket;
    throw std::runtime_error("Cannot bind UDP port " + std::to_string(binding_->port) + " on " +
                             AddressText(local) + ": " + why);
  }
  // A burst the program has not read yet waits in the system's buffer: ask for a large one.
  // The system grants at most its own limit (net.core.rmem_max on Linux); beyond that a burst
  // is dropped by the system before the program sees it.
  socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
  version_ = binding_->version;
  socket_ = socket;
  connect(socket, &QUdpSocket::readyRead, this, &QtUdpEndpoint::ReadPending);
}

std::uint16_t QtUdpEndpoint::BoundPort() const { return socket_ ? socket_->localPort() : 0; }

int QtUdpEndpoint::ReceiveBufferBytes() const {
  return socket_ ? socket_->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt()
                 : 0;
}

void QtUdpEndpoint::SendTo(const std::string& bytes, const UdpDestination& to) {
  if (!socket_) throw std::runtime_error("the UDP endpoint is not active");
  if (destination_.isNull() || to.address != destination_text_ ||
      to.scope_id != destination_scope_) {
    destination_ = ToHostAddress(to.address, to.scope_id);
    destination_text_ = to.address;
    destination_scope_ = to.scope_id;
  }
  const qint64 sent = socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()),
                                             destination_, to.port);
  if (sent != static_cast<qint64>(bytes.size())) {
    throw std::runtime_error("UDP send to " + to.address +
                             " failed: " + socket_->errorString().toStdString());
  }
}

void QtUdpEndpoint::ReadPending() {
  if (ReadSlice() > 0 && burst_end_) burst_end_();
}

int QtUdpEndpoint::ReadSlice() {
  // A burst is handled in slices so a flood cannot keep the user-interface thread to itself.
  // What a slice leaves behind is announced again by the socket itself, whose read notifier
  // stays armed while datagrams are waiting. A continuation of our own would be wrong: QUdpSocket
  // stops watching for good after it announced data that nobody then received.
  constexpr int kDatagramsPerSlice = 512;
  const QPointer<QUdpSocket> socket = socket_;
  int handled = 0;
  for (; handled < kDatagramsPerSlice; ++handled) {
    // Stop when a handler deactivated the endpoint; its datagrams go with the socket.
    if (!socket || socket != socket_) break;
    // Read until the socket is empty (-1): asking first would cost the system a second look at
    // every datagram. The buffer holds any datagram, so there is no asking for the size either.
    QHostAddress sender;
    const qint64 size = socket->readDatagram(buffer_.data(), kMaxDatagram, &sender);
    if (size < 0) break;
    if (!handler_) continue;
    if (sender != sender_ || sender_text_.empty()) {
      sender_ = sender;
      sender_text_ = AddressText(sender);
    }
    handler_(ReceivedDatagram{std::string(buffer_.data(), static_cast<std::size_t>(size)),
                              sender_text_, version_});
  }
  return handled;
}

}  // namespace v7400
