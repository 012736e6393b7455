#include "posix_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace v7400::posix {

void MakeRaw(int fd) {
  termios raw{};
  if (tcgetattr(fd, &raw) != 0) return;
  cfmakeraw(&raw);
  tcsetattr(fd, TCSANOW, &raw);
}

int OpenRaw(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) MakeRaw(fd);
  return fd;
}

std::vector<std::string> ReadChunks(int fd) {
  std::vector<std::string> chunks;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    chunks.emplace_back(buffer, static_cast<std::size_t>(n));
  }
  return chunks;
}

bool WriteAll(int fd, std::string_view bytes, bool wait) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (!wait || (n < 0 && errno != EAGAIN)) return false;
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, 10);
  }
  return true;
}

int Resolve(const std::string& host, const std::string& port, SocketAddress& address) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) return rc;
  std::memcpy(&address.storage, found->ai_addr, found->ai_addrlen);
  address.size = found->ai_addrlen;
  freeaddrinfo(found);
  return 0;
}

SocketAddress LocalAddress(int family, int port, Scope scope) {
  SocketAddress local;
  if (family == AF_INET6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&local.storage);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(static_cast<std::uint16_t>(port));
    a->sin6_addr = scope == Scope::kLoopback ? in6addr_loopback : in6addr_any;
    local.size = sizeof(sockaddr_in6);
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&local.storage);
    a->sin_family = AF_INET;
    a->sin_port = htons(static_cast<std::uint16_t>(port));
    a->sin_addr.s_addr = htonl(scope == Scope::kLoopback ? INADDR_LOOPBACK : INADDR_ANY);
    local.size = sizeof(sockaddr_in);
  }
  return local;
}

int LocalPort(int fd) {
  sockaddr_storage local{};
  socklen_t size = sizeof local;
  getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size);
  return local.ss_family == AF_INET6
             ? ntohs(reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port)
             : ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
}

}  // namespace v7400::posix
