// Plays the receiver side of the link: sends event frames to the simulator over UDP or a serial
// device and prints every answer it gets back as hex, one line per answer.
//
//   receiver-emu udp <host> <port> <local-port> sia|4100 <count> [line]
//   receiver-emu serial <device> sia|4100 <count> [line]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/display_text.h"
#include "codec/frame.h"

namespace {

std::string EventFrame(bool sia, int index, const std::string& line) {
  char sequence[8];
  std::snprintf(sequence, sizeof sequence, "%04d", index % 10000);
  if (!sia) return "EVENT " + std::to_string(index) + "\x14";
  return v7400::WrapSiaBody(std::string("\t") + sequence + "01" + line + "[#1234|NBA05]");
}

// The answer the simulator must give in automatic mode.
std::string ExpectedAnswer(bool sia, int index, const std::string& line) {
  if (!sia) return "\x06";
  char sequence[8];
  std::snprintf(sequence, sizeof sequence, "%04d", index % 10000);
  return v7400::WrapSiaBody(std::string("\t") + sequence + "01" + line + "[]");
}

void Report(const std::string& answer, const std::string& expected) {
  if (answer.empty()) {
    std::printf("no answer\n");
  } else {
    std::printf("%s %s\n", v7400::RenderHex(answer).c_str(),
                answer == expected ? "ok" : "unexpected");
  }
  std::fflush(stdout);
}

// Waits up to `ms` for readable data on `fd`.
bool Readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) > 0;
}

int RunUdp(const char* host, const char* port, int local_port, bool sia, int count,
           const std::string& line) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* target = nullptr;
  if (getaddrinfo(host, port, &hints, &target) != 0) return 2;
  const int fd = socket(target->ai_family, SOCK_DGRAM, 0);
  sockaddr_storage local{};
  socklen_t local_size = 0;
  if (target->ai_family == AF_INET6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&local);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(static_cast<std::uint16_t>(local_port));
    a->sin6_addr = in6addr_loopback;
    local_size = sizeof(sockaddr_in6);
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&local);
    a->sin_family = AF_INET;
    a->sin_port = htons(static_cast<std::uint16_t>(local_port));
    a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local_size = sizeof(sockaddr_in);
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), local_size) != 0) return 3;
  for (int i = 1; i <= count; ++i) {
    const std::string frame = EventFrame(sia, i, line);
    sendto(fd, frame.data(), frame.size(), 0, target->ai_addr, target->ai_addrlen);
    std::string answer;
    if (Readable(fd, 2000)) {
      char buffer[2048];
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n > 0) answer.assign(buffer, static_cast<std::size_t>(n));
    }
    Report(answer, ExpectedAnswer(sia, i, line));
  }
  freeaddrinfo(target);
  close(fd);
  return 0;
}

int RunSerial(const char* device, bool sia, int count, const std::string& line) {
  const int fd = open(device, O_RDWR | O_NOCTTY);
  if (fd < 0) return 2;
  termios raw{};
  tcgetattr(fd, &raw);
  cfmakeraw(&raw);
  tcsetattr(fd, TCSANOW, &raw);
  for (int i = 1; i <= count; ++i) {
    const std::string frame = EventFrame(sia, i, line);
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return 4;
    std::string answer;
    while (Readable(fd, answer.empty() ? 2000 : 100)) {
      char buffer[256];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      answer.append(buffer, static_cast<std::size_t>(n));
    }
    Report(answer, ExpectedAnswer(sia, i, line));
  }
  close(fd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 6 && args[0] == "udp") {
    return RunUdp(argv[2], argv[3], std::atoi(argv[4]), args[4] == "sia", std::atoi(argv[6]),
                  args.size() > 6 ? args[6] : "05");
  }
  if (args.size() >= 4 && args[0] == "serial") {
    return RunSerial(argv[2], args[2] == "sia", std::atoi(argv[4]),
                     args.size() > 4 ? args[4] : "05");
  }
  std::fprintf(stderr,
               "usage: receiver-emu udp <host> <port> <local-port> sia|4100 <count> [line]\n"
               "       receiver-emu serial <device> sia|4100 <count> [line]\n");
  return 1;
}
