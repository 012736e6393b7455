// The UDP endpoint on QUdpSocket: one socket for the one binding, datagrams delivered on the
// user-interface thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QUdpSocket>
#include <vector>

#include "core/udp_endpoint.h"

namespace v7400 {

class QtUdpEndpoint : public QObject, public BasicUdpEndpoint {
  Q_OBJECT

 public:
  explicit QtUdpEndpoint(QObject* parent = nullptr) : QObject(parent) {}
  ~QtUdpEndpoint() override;

  void Deactivate() override;
  // Listens on the binding set last, replacing an earlier socket.
  void Activate() override;
  bool IsActive() const override { return socket_ != nullptr; }
  void SendTo(const std::string& bytes, const UdpDestination& to) override;

  // The port the socket is bound to (the system's choice when the binding asked for 0).
  std::uint16_t BoundPort() const override;
  int ReceiveBufferBytes() const override;

  static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

 private:
  void ReadPending();
  // Handles the datagrams of one slice; how many.
  int ReadSlice();
  void CloseSocket();

  QPointer<QUdpSocket> socket_;
  static constexpr qint64 kMaxDatagram = 65536;
  std::vector<char> buffer_ = std::vector<char>(kMaxDatagram);
  // The last sender and its text: a receiver sends from one address, written out once.
  QHostAddress sender_;
  std::string sender_text_;
  IpVersion version_ = IpVersion::kIPv4;
  // The last destination, parsed once: every answer goes to the same receiver.
  std::string destination_text_;
  std::uint32_t destination_scope_ = 0;
  QHostAddress destination_;
};

// A numeric address text with the scope rule applied; throws std::invalid_argument for text
// that is not a numeric address.
QHostAddress ToHostAddress(const std::string& text, std::uint32_t scope_id);
// The address as text without a zone suffix ("::1", "192.0.2.1").
std::string AddressText(const QHostAddress& address);

}  // namespace v7400
