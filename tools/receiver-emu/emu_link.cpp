#include "emu_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "codec/cipher.h"

namespace v7400::emu {
namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

class UdpLink : public EmuLink {
 public:
  UdpLink(int fd, sockaddr_storage peer, socklen_t peer_size, std::optional<TRijndael> cipher)
      : fd_(fd), peer_(peer), peer_size_(peer_size), cipher_(std::move(cipher)) {}
  ~UdpLink() override { close(fd_); }

  bool Send(const std::string& frame) override {
    const std::string wire = cipher_ ? cipher_->EncryptPayload(frame).Wire() : frame;
    return sendto(fd_, wire.data(), wire.size(), 0, reinterpret_cast<const sockaddr*>(&peer_),
                  peer_size_) == static_cast<ssize_t>(wire.size());
  }

  std::vector<std::string> ReadFrames() override {
    std::vector<std::string> frames;
    char buffer[2048];
    for (;;) {
      const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0) break;
      std::string datagram(buffer, static_cast<std::size_t>(n));
      if (cipher_) {
        // A datagram that cannot be a packet is not a frame; drop it as the simulator does.
        if (!IsCipherPacketSize(datagram.size())) continue;
        datagram = cipher_->DecryptPacket(datagram);
      }
      frames.push_back(std::move(datagram));
    }
    return frames;
  }

  int Fd() const override { return fd_; }

  std::string Description() const override {
    sockaddr_storage local{};
    socklen_t size = sizeof local;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
    const int port = local.ss_family == AF_INET6
                         ? ntohs(reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port)
                         : ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    return "listening on UDP port " + std::to_string(port) + (cipher_ ? " (AES packets)" : "");
  }

 private:
  int fd_;
  sockaddr_storage peer_;
  socklen_t peer_size_;
  std::optional<TRijndael> cipher_;
};

class SerialLink : public EmuLink {
 public:
  SerialLink(int fd, int keep_fd, std::string name, const EmuOptions& options)
      : fd_(fd),
        keep_fd_(keep_fd),
        name_(std::move(name)),
        splitter_(options.format == FrameFormat::kSia) {}
  ~SerialLink() override {
    close(fd_);
    if (keep_fd_ >= 0) close(keep_fd_);
  }

  bool Send(const std::string& frame) override {
    std::size_t done = 0;
    while (done < frame.size()) {
      const ssize_t n = write(fd_, frame.data() + done, frame.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  std::vector<std::string> ReadFrames() override {
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      splitter_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    return splitter_.TakeFrames();
  }

  int Fd() const override { return fd_; }
  std::string Description() const override { return "serial " + name_; }
  std::string DeviceName() const override { return name_; }

 private:
  int fd_;
  int keep_fd_;  // the simulator's end of a pty pair, held open so the pair stays alive
  std::string name_;
  StreamSplitter splitter_;
};

void MakeRaw(int fd) {
  termios raw{};
  if (tcgetattr(fd, &raw) != 0) return;
  cfmakeraw(&raw);
  tcsetattr(fd, TCSANOW, &raw);
}

std::unique_ptr<EmuLink> OpenUdp(const EmuOptions& options, std::string& error) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* target = nullptr;
  const std::string port = std::to_string(options.port);
  if (const int rc = getaddrinfo(options.host.c_str(), port.c_str(), &hints, &target); rc != 0) {
    error = "cannot resolve \"" + options.host + "\": " + gai_strerror(rc);
    return nullptr;
  }
  sockaddr_storage peer{};
  std::memcpy(&peer, target->ai_addr, target->ai_addrlen);
  const socklen_t peer_size = target->ai_addrlen;
  const int family = target->ai_family;
  freeaddrinfo(target);

  const int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = SystemError("cannot open a UDP socket");
    return nullptr;
  }
  sockaddr_storage local{};
  socklen_t local_size = 0;
  if (family == AF_INET6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&local);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(static_cast<std::uint16_t>(options.local_port));
    a->sin6_addr = in6addr_any;
    local_size = sizeof(sockaddr_in6);
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&local);
    a->sin_family = AF_INET;
    a->sin_port = htons(static_cast<std::uint16_t>(options.local_port));
    a->sin_addr.s_addr = htonl(INADDR_ANY);
    local_size = sizeof(sockaddr_in);
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), local_size) != 0) {
    error = SystemError("cannot listen on UDP port " + std::to_string(options.local_port));
    close(fd);
    return nullptr;
  }
  std::optional<TRijndael> cipher;
  if (!options.key_string.empty()) {
    cipher.emplace();
    cipher->SetKeyString(options.key_string);
  }
  return std::make_unique<UdpLink>(fd, peer, peer_size, std::move(cipher));
}

std::unique_ptr<EmuLink> OpenSerial(const EmuOptions& options, std::string& error) {
  const int fd = open(options.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = SystemError("cannot open " + options.device);
    return nullptr;
  }
  MakeRaw(fd);
  return std::make_unique<SerialLink>(fd, -1, options.device, options);
}

std::unique_ptr<EmuLink> OpenPty(const EmuOptions& options, std::string& error) {
  int ours = -1;
  int theirs = -1;
  char name[256] = {};
  if (openpty(&ours, &theirs, name, nullptr, nullptr) != 0) {
    error = SystemError("cannot create a pseudo-terminal pair");
    return nullptr;
  }
  MakeRaw(ours);
  MakeRaw(theirs);
  fcntl(ours, F_SETFL, fcntl(ours, F_GETFL) | O_NONBLOCK);
  fcntl(ours, F_SETFD, FD_CLOEXEC);
  fcntl(theirs, F_SETFD, FD_CLOEXEC);
  return std::make_unique<SerialLink>(ours, theirs, name, options);
}

}  // namespace

std::unique_ptr<EmuLink> OpenLink(const EmuOptions& options, std::string& error) {
  switch (options.link) {
    case LinkKind::kUdp:
      return OpenUdp(options, error);
    case LinkKind::kSerial:
      return OpenSerial(options, error);
    case LinkKind::kPty:
      return OpenPty(options, error);
  }
  return nullptr;
}

}  // namespace v7400::emu
