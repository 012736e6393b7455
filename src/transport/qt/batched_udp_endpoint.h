// The UDP endpoint on Linux: a socket of its own watched by a QSocketNotifier. Each wake-up reads
// every waiting datagram, up to kBatch per system call (recvmmsg), and the answers written while
// one read's datagrams are handled leave together (sendmmsg), in arrival order, before the next
// read. Datagrams are still handed over one at a time on the user-interface thread.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/udp_endpoint.h"

namespace v7400 {

// A numeric socket address; `ss_family` is AF_UNSPEC when none is set.
struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t size = 0;
};

// The address text and scope as a socket address; throws std::invalid_argument for text that
// is not a numeric address.
SocketAddress ToSocketAddress(const std::string& text, std::uint32_t scope_id, std::uint16_t port);

class BatchedUdpEndpoint : public QObject, public BasicUdpEndpoint {
  Q_OBJECT

 public:
  static constexpr int kBatch = 64;
  static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

  explicit BatchedUdpEndpoint(QObject* parent = nullptr);
  ~BatchedUdpEndpoint() override;

  void Deactivate() override;
  void Activate() override;
  bool IsActive() const override { return fd_ >= 0; }
  // Inside a datagram handler the datagram waits for the end of the read it answers; elsewhere
  // it goes at once.
  void SendTo(const std::string& bytes, const UdpDestination& to) override;
  std::uint16_t BoundPort() const override;
  int ReceiveBufferBytes() const override;

 private:
  struct Outgoing {
    std::string bytes;
    SocketAddress to;
  };

  void OpenSocket(const UdpBinding& binding);
  void CloseSocket();
  void ReadPending();
  // Reads once and hands over what came; how many datagrams. The first failure of a handler or
  // of the answers' sending is kept in `first_error`.
  int ReadBatch(std::exception_ptr& first_error);
  void Deliver(int index);
  // Sends what the handlers wrote; throws std::runtime_error naming the first refusal.
  void SendQueued();
  const SocketAddress& DestinationOf(const UdpDestination& to);
  const std::string& SenderText(const sockaddr_storage& from);

  int fd_ = -1;
  // Counts sockets opened, so a read notices that a handler replaced or closed its socket.
  std::uint64_t generation_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
  IpVersion version_ = IpVersion::kIPv4;
  bool delivering_ = false;
  bool reading_ = false;

  // One slot per datagram of a read, for the largest datagram there is. A frame fits in the
  // slot's first part, side by side with the others' first parts; a larger datagram runs on
  // into the slot's part of `overflow_`, whose memory is touched only then.
  static constexpr std::size_t kMaxDatagram = 65536;
  static constexpr std::size_t kFirstPart = 2048;
  static constexpr std::size_t kOverflowPart = kMaxDatagram - kFirstPart;
  std::vector<char> first_parts_;
  std::unique_ptr<char[]> overflow_;
  std::vector<iovec> slots_;  // two pieces a datagram
  std::vector<sockaddr_storage> senders_;
  std::vector<mmsghdr> headers_;
  int headers_dirty_ = kBatch;  // how many headers the last read wrote into
  // The first `queued_count_` are waiting; the rest keep their storage for the next answers.
  std::vector<Outgoing> queued_;
  std::size_t queued_count_ = 0;
  // The datagram being handed over, its storage kept from one to the next.
  ReceivedDatagram delivered_;
  std::vector<mmsghdr> out_headers_;
  std::vector<iovec> out_slots_;

  // The last sender and destination, written out and parsed once: a receiver is one address.
  sockaddr_storage sender_{};
  std::string sender_text_;
  UdpDestination destination_text_;
  SocketAddress destination_;
};

}  // namespace v7400
