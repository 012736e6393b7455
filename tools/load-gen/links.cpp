#include "links.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "posix_link.h"

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

}  // namespace

UdpLink::UdpLink(const std::string& host, const std::string& port, int local_port) {
  int family = AF_INET;
  if (!host.empty()) {
    v7400::posix::SocketAddress target;
    if (v7400::posix::Resolve(host, port, target) != 0) {
      throw std::runtime_error("cannot resolve " + host + " port " + port);
    }
    family = target.Family();
    peer_ = target.storage;
    peer_size_ = target.size;
  }
  fd_ = socket(family, SOCK_DGRAM | SOCK_NONBLOCK, 0);
  if (fd_ < 0) Fail("socket");
  setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kSocketBuffer, sizeof kSocketBuffer);
  setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &kSocketBuffer, sizeof kSocketBuffer);
  const auto local = v7400::posix::LocalAddress(family, local_port, v7400::posix::Scope::kLoopback);
  if (bind(fd_, local.Get(), local.size) != 0) Fail("bind");
}

UdpLink::~UdpLink() { close(fd_); }

int UdpLink::LocalPort() const { return v7400::posix::LocalPort(fd_); }

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
  fd_ = v7400::posix::OpenRaw(device);
  if (fd_ < 0) Fail("open " + device);
}

SerialLink::~SerialLink() { close(fd_); }

bool SerialLink::Send(const std::string& bytes) { return v7400::posix::WriteAll(fd_, bytes, true); }

std::vector<std::string> SerialLink::ReadAvailable() { return v7400::posix::ReadChunks(fd_); }

bool WaitReadable(const Link& link, int timeout_ms) {
  pollfd p{link.Descriptor(), POLLIN, 0};
  return poll(&p, 1, timeout_ms) > 0 && (p.revents & POLLIN) != 0;
}

}  // namespace loadgen
