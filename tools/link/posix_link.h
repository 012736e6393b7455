// What the receiver emulator and the load tool share of their links to the simulator, on plain
// POSIX descriptors: serial devices and pseudo-terminals in raw mode, and UDP addresses.
#pragma once

#include <sys/socket.h>

#include <string>
#include <string_view>
#include <vector>

namespace v7400::posix {

// Bytes pass as they are: no echo, no line editing, no translation.
void MakeRaw(int fd);
// A serial device opened raw and non-blocking; -1 with errno set when it cannot be opened.
int OpenRaw(const std::string& device);
// Everything a non-blocking descriptor has waiting, as read.
std::vector<std::string> ReadChunks(int fd);
// All of `bytes`, or false on an error; a full buffer is waited out when `wait`, else an error.
bool WriteAll(int fd, std::string_view bytes, bool wait);

struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t size = 0;
  int Family() const { return storage.ss_family; }
  const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// The first UDP address of `host` and `port`; a getaddrinfo() status, 0 when resolved.
int Resolve(const std::string& host, const std::string& port, SocketAddress& address);

enum class Scope { kAny, kLoopback };
// The address a socket of `family` binds to for `port` (0: any free port).
SocketAddress LocalAddress(int family, int port, Scope scope);
// The port a socket is bound to.
int LocalPort(int fd);

}  // namespace v7400::posix
