#include "transport/qt/batched_udp_endpoint.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace v7400 {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string AddressTextOf(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  const void* bytes = address.ss_family == AF_INET6
                          ? static_cast<const void*>(
                                &reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr)
                          : static_cast<const void*>(
                                &reinterpret_cast<const sockaddr_in*>(&address)->sin_addr);
  if (inet_ntop(address.ss_family, bytes, text, sizeof text) == nullptr) return {};
  return text;
}

// The sender without its port: a receiver that changes its source port is the same sender.
bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b) {
  if (a.ss_family != b.ss_family) return false;
  if (a.ss_family == AF_INET6) {
    const auto& x = reinterpret_cast<const sockaddr_in6&>(a);
    const auto& y = reinterpret_cast<const sockaddr_in6&>(b);
    return std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0;
  }
  return reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr ==
         reinterpret_cast<const sockaddr_in&>(b).sin_addr.s_addr;
}

std::string SystemError(int error) { return std::strerror(error); }

}  // namespace

SocketAddress ToSocketAddress(const std::string& text, std::uint32_t scope_id,
                              std::uint16_t port) {
  const std::string numeric = Trimmed(text);
  SocketAddress result;
  auto& v4 = reinterpret_cast<sockaddr_in&>(result.storage);
  auto& v6 = reinterpret_cast<sockaddr_in6&>(result.storage);
  if (inet_pton(AF_INET, numeric.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    result.size = sizeof v4;
  } else if (inet_pton(AF_INET6, numeric.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    v6.sin6_scope_id = scope_id;
    result.size = sizeof v6;
  } else {
    throw std::invalid_argument("'" + text + "' is not a numeric address");
  }
  return result;
}

BatchedUdpEndpoint::BatchedUdpEndpoint(QObject* parent) : QObject(parent) {}

BatchedUdpEndpoint::~BatchedUdpEndpoint() { CloseSocket(); }

void BatchedUdpEndpoint::Deactivate() {
  binding_.reset();
  CloseSocket();
}

void BatchedUdpEndpoint::CloseSocket() {
  if (fd_ < 0) return;
  // Answers already written still go out: a handler may close the socket after answering.
  try {
    SendQueued();
  } catch (const std::runtime_error&) {
    // The socket is going; what it refused goes with it.
  }
  queued_count_ = 0;
  // The notifier may be the one whose signal is being handled: stop it now, free it later.
  notifier_->setEnabled(false);
  notifier_.release()->deleteLater();
  ::close(fd_);
  fd_ = -1;
  ++generation_;
}

void BatchedUdpEndpoint::Activate() {
  CloseSocket();
  if (!binding_) throw std::runtime_error("the UDP endpoint has no binding");
  OpenSocket(*binding_);
  if (first_parts_.empty()) {
    first_parts_.resize(kBatch * kFirstPart);
    overflow_.reset(new char[kBatch * kOverflowPart]);
    slots_.resize(2 * kBatch);
    senders_.resize(kBatch);
    headers_.resize(kBatch);
  }
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &BatchedUdpEndpoint::ReadPending);
}

void BatchedUdpEndpoint::OpenSocket(const UdpBinding& binding) {
  const bool v6 = binding.version == IpVersion::kIPv6;
  const SocketAddress local = binding.address.empty()
                                  ? ToSocketAddress(v6 ? "::" : "0.0.0.0", 0, binding.port)
                                  : ToSocketAddress(binding.address, binding.scope_id,
                                                    binding.port);
  const int family = local.storage.ss_family;
  const int fd = ::socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("Cannot open a UDP socket: " + SystemError(errno));
  // Not shared (no SO_REUSEADDR): a second program on the port must be told, not left to split
  // the receiver's datagrams with the first. An IPv6 binding takes IPv6 only.
  const int on = 1;
  if (family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local.storage), local.size) != 0) {
    const int error = errno;
    ::close(fd);
    throw std::runtime_error("Cannot bind UDP port " + std::to_string(binding.port) + " on " +
                             AddressTextOf(local.storage) + ": " + SystemError(error));
  }
  // A burst not read yet waits in the system's buffer: ask for a large one. The system grants
  // at most its own limit (net.core.rmem_max); beyond that it drops a burst before we see it.
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
  fd_ = fd;
  version_ = binding.version;
  ++generation_;
}

std::uint16_t BatchedUdpEndpoint::BoundPort() const {
  if (fd_ < 0) return 0;
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.ss_family == AF_INET6
                   ? reinterpret_cast<const sockaddr_in6&>(address).sin6_port
                   : reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

int BatchedUdpEndpoint::ReceiveBufferBytes() const {
  int bytes = 0;
  socklen_t size = sizeof bytes;
  if (fd_ < 0 || ::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, &size) != 0) return 0;
  return bytes;
}

const SocketAddress& BatchedUdpEndpoint::DestinationOf(const UdpDestination& to) {
  if (destination_.size == 0 || !(to == destination_text_)) {
    destination_ = ToSocketAddress(to.address, to.scope_id, to.port);
    destination_text_ = to;
  }
  return destination_;
}

void BatchedUdpEndpoint::SendTo(const std::string& bytes, const UdpDestination& to) {
  if (fd_ < 0) throw std::runtime_error("the UDP endpoint is not active");
  if (queued_count_ == queued_.size()) queued_.emplace_back();
  Outgoing& datagram = queued_[queued_count_++];
  datagram.bytes.assign(bytes);
  datagram.to = DestinationOf(to);
  if (!delivering_) SendQueued();
}

void BatchedUdpEndpoint::SendQueued() {
  std::string refusal;
  std::size_t done = 0;
  while (done < queued_count_) {
    const std::size_t count = std::min<std::size_t>(queued_count_ - done, kBatch);
    std::vector<mmsghdr>& out = out_headers_;
    std::vector<iovec>& pieces = out_slots_;
    out.assign(count, mmsghdr{});
    pieces.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      Outgoing& datagram = queued_[done + i];
      pieces[i] = {datagram.bytes.data(), datagram.bytes.size()};
      out[i].msg_hdr.msg_name = &datagram.to.storage;
      out[i].msg_hdr.msg_namelen = datagram.to.size;
      out[i].msg_hdr.msg_iov = &pieces[i];
      out[i].msg_hdr.msg_iovlen = 1;
    }
    const int sent = ::sendmmsg(fd_, out.data(), static_cast<unsigned>(count), 0);
    if (sent > 0) {
      done += static_cast<std::size_t>(sent);
      continue;
    }
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) {
      // The send buffer is full for a moment: wait for room rather than drop an answer.
      pollfd writable{fd_, POLLOUT, 0};
      if (error == EINTR || ::poll(&writable, 1, 100) > 0) continue;
    }
    // The datagram the system refuses is skipped; the rest still go.
    if (refusal.empty()) {
      refusal = "UDP send to " + AddressTextOf(queued_[done].to.storage) +
                " failed: " + SystemError(error);
    }
    ++done;
  }
  queued_count_ = 0;
  if (!refusal.empty()) throw std::runtime_error(refusal);
}

const std::string& BatchedUdpEndpoint::SenderText(const sockaddr_storage& from) {
  if (sender_text_.empty() || !SameHost(from, sender_)) {
    sender_ = from;
    sender_text_ = AddressTextOf(from);
  }
  return sender_text_;
}

void BatchedUdpEndpoint::ReadPending() {
  // A handler that runs an event loop of its own (a message box) must not read into the
  // buffers still being handed over: the notifier rests until the outer read is done.
  if (reading_) {
    notifier_->setEnabled(false);
    return;
  }
  reading_ = true;
  // A flood is handled in slices so it cannot keep the user-interface thread to itself; the
  // notifier is level-triggered and fires again for what a slice leaves.
  constexpr int kDatagramsPerSlice = 512;
  const std::uint64_t generation = generation_;
  std::exception_ptr first_error;
  int handled = 0;
  // Read again until the socket is empty: a peer that waits for each answer has often sent its
  // next frame by the time the answer is out, and it is cheaper to take it now than after
  // another turn of the event loop.
  while (handled < kDatagramsPerSlice && generation == generation_) {
    const int read = ReadBatch(first_error);
    if (read == 0) break;
    handled += read;
  }
  reading_ = false;
  if (generation == generation_) notifier_->setEnabled(true);
  if (handled > 0 && burst_end_) burst_end_();
  if (first_error) std::rethrow_exception(first_error);
}

int BatchedUdpEndpoint::ReadBatch(std::exception_ptr& first_error) {
  // The system writes back only into the headers of what it read (and, on an error, perhaps the
  // next one): those are set up again.
  for (int i = 0; i < headers_dirty_; ++i) {
    slots_[2 * i] = {first_parts_.data() + i * kFirstPart, kFirstPart};
    slots_[2 * i + 1] = {overflow_.get() + i * kOverflowPart, kOverflowPart};
    headers_[i] = {};
    headers_[i].msg_hdr.msg_name = &senders_[i];
    headers_[i].msg_hdr.msg_namelen = sizeof(sockaddr_storage);
    headers_[i].msg_hdr.msg_iov = &slots_[2 * i];
    headers_[i].msg_hdr.msg_iovlen = 2;
  }
  const int read = ::recvmmsg(fd_, headers_.data(), kBatch, MSG_DONTWAIT, nullptr);
  headers_dirty_ = read < 0 ? kBatch : std::min(read + 1, kBatch);
  if (read <= 0) return 0;
  // Every datagram is handed over even when one handler fails; the first failure is rethrown
  // once the slice's answers are out.
  const std::uint64_t generation = generation_;
  delivering_ = true;
  for (int i = 0; i < read && generation == generation_; ++i) {
    try {
      Deliver(i);
    } catch (...) {
      if (!first_error) first_error = std::current_exception();
    }
  }
  delivering_ = false;
  try {
    if (generation == generation_) SendQueued();
  } catch (...) {
    if (!first_error) first_error = std::current_exception();
  }
  return read;
}

void BatchedUdpEndpoint::Deliver(int index) {
  if (!handler_) return;
  const mmsghdr& header = headers_[index];
  const std::size_t size = std::min<std::size_t>(header.msg_len, kMaxDatagram);
  delivered_.bytes.assign(first_parts_.data() + index * kFirstPart, std::min(size, kFirstPart));
  if (size > kFirstPart) {
    delivered_.bytes.append(overflow_.get() + index * kOverflowPart, size - kFirstPart);
  }
  delivered_.sender = SenderText(senders_[index]);
  delivered_.version = version_;
  handler_(delivered_);
}

}  // namespace v7400
