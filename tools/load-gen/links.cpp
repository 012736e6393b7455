#include "links.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace loadgen {

namespace {

// After a short or failed write: false on a real error, else a brief wait for room.
bool WaitWritable(int fd, long written) {
  if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
  pollfd p{fd, POLLOUT, 0};
  poll(&p, 1, 10);
  return true;
}

constexpr int kSocketBuffer = 4 << 20;

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

socklen_t LoopbackAddress(int family, int port, sockaddr_storage& address) {
  if (family == AF_INET6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&address);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(static_cast<std::uint16_t>(port));
    a->sin6_addr = in6addr_loopback;
    return sizeof(sockaddr_in6);
  }
  auto* a = reinterpret_cast<sockaddr_in*>(&address);
  a->sin_family = AF_INET;
  a->sin_port = htons(static_cast<std::uint16_t>(port));
  a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sizeof(sockaddr_in);
}

}  // namespace

UdpLink::UdpLink(const std::string& host, const std::string& port, int local_port) {
  int family = AF_INET;
  if (!host.empty()) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* target = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &target) != 0) {
      throw std::runtime_error("cannot resolve " + host + " port " + port);
    }
    family = target->ai_family;
    std::memcpy(&peer_, target->ai_addr, target->ai_addrlen);
    peer_size_ = target->ai_addrlen;
    freeaddrinfo(target);
  }
  fd_ = socket(family, SOCK_DGRAM | SOCK_NONBLOCK, 0);
  if (fd_ < 0) Fail("socket");
  setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kSocketBuffer, sizeof kSocketBuffer);
  setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &kSocketBuffer, sizeof kSocketBuffer);
  sockaddr_storage local{};
  const socklen_t size = LoopbackAddress(family, local_port, local);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&local), size) != 0) Fail("bind");
}

UdpLink::~UdpLink() { close(fd_); }

int UdpLink::LocalPort() const {
  sockaddr_storage local{};
  socklen_t size = sizeof local;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
  if (local.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
  }
  return ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

bool UdpLink::Send(const std::string& bytes) {
  if (peer_size_ == 0) return false;
  for (;;) {
    const ssize_t n =
        sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&peer_), peer_size_);
    if (n >= 0) return true;
    if (errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd_, POLLOUT, 0};
    poll(&p, 1, 10);
  }
}

bool UdpLink::SendAll(const std::vector<std::string>& frames) {
  if (peer_size_ == 0) return false;
  std::vector<iovec> parts(frames.size());
  std::vector<mmsghdr> messages(frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    parts[i] = {const_cast<char*>(frames[i].data()), frames[i].size()};
    messages[i].msg_hdr = {};
    messages[i].msg_hdr.msg_name = &peer_;
    messages[i].msg_hdr.msg_namelen = peer_size_;
    messages[i].msg_hdr.msg_iov = &parts[i];
    messages[i].msg_hdr.msg_iovlen = 1;
  }
  std::size_t done = 0;
  while (done < frames.size()) {
    const int n =
        sendmmsg(fd_, messages.data() + done, static_cast<unsigned>(frames.size() - done), 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (!WaitWritable(fd_, n)) {
      return false;
    }
  }
  return true;
}

std::vector<std::string> UdpLink::ReadAvailable() {
  constexpr std::size_t kBatch = 64;
  constexpr std::size_t kMaxDatagram = 2048;  // an ACK is 19 bytes; longer answers are cut
  static std::vector<char> buffers(kBatch * kMaxDatagram);
  std::vector<std::string> datagrams;
  for (;;) {
    iovec parts[kBatch];
    mmsghdr messages[kBatch];
    sockaddr_storage from[kBatch];
    for (std::size_t i = 0; i < kBatch; ++i) {
      parts[i] = {buffers.data() + i * kMaxDatagram, kMaxDatagram};
      messages[i].msg_hdr = {};
      messages[i].msg_hdr.msg_name = &from[i];
      messages[i].msg_hdr.msg_namelen = sizeof from[i];
      messages[i].msg_hdr.msg_iov = &parts[i];
      messages[i].msg_hdr.msg_iovlen = 1;
    }
    const int n = recvmmsg(fd_, messages, kBatch, 0, nullptr);
    if (n <= 0) break;
    for (int i = 0; i < n; ++i) {
      datagrams.emplace_back(static_cast<char*>(parts[i].iov_base), messages[i].msg_len);
    }
    peer_ = from[n - 1];
    peer_size_ = messages[n - 1].msg_hdr.msg_namelen;
    if (static_cast<std::size_t>(n) < kBatch) break;
  }
  return datagrams;
}

SerialLink::SerialLink(const std::string& device) {
  fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) Fail("open " + device);
  termios raw{};
  tcgetattr(fd_, &raw);
  cfmakeraw(&raw);
  tcsetattr(fd_, TCSANOW, &raw);
}

SerialLink::~SerialLink() { close(fd_); }

bool SerialLink::Send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (!WaitWritable(fd_, n)) {
      return false;
    }
  }
  return true;
}

std::vector<std::string> SerialLink::ReadAvailable() {
  std::vector<std::string> chunks;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    chunks.emplace_back(buffer, static_cast<std::size_t>(n));
  }
  return chunks;
}

bool WaitReadable(const Link& link, int timeout_ms) {
  pollfd p{link.Descriptor(), POLLIN, 0};
  return poll(&p, 1, timeout_ms) > 0 && (p.revents & POLLIN) != 0;
}

}  // namespace loadgen
