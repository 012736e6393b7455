#include "emu_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "codec/cipher.h"
#include "posix_link.h"

namespace v7400::emu {
namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

class UdpLink : public EmuLink {
 public:
  UdpLink(int fd, const posix::SocketAddress& peer, std::optional<TRijndael> cipher)
      : fd_(fd), peer_(peer), cipher_(std::move(cipher)) {}
  ~UdpLink() override { close(fd_); }

  bool Send(const std::string& frame) override {
    const std::string wire = cipher_ ? cipher_->EncryptPayload(frame).Wire() : frame;
    return sendto(fd_, wire.data(), wire.size(), 0, peer_.Get(), peer_.size) ==
           static_cast<ssize_t>(wire.size());
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
    return "listening on UDP port " + std::to_string(posix::LocalPort(fd_)) +
           (cipher_ ? " (AES packets)" : "");
  }

 private:
  int fd_;
  posix::SocketAddress peer_;
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

  bool Send(const std::string& frame) override { return posix::WriteAll(fd_, frame, false); }

  std::vector<std::string> ReadFrames() override {
    for (const std::string& chunk : posix::ReadChunks(fd_)) splitter_.Feed(chunk);
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

std::unique_ptr<EmuLink> OpenUdp(const EmuOptions& options, std::string& error) {
  posix::SocketAddress peer;
  if (const int rc = posix::Resolve(options.host, std::to_string(options.port), peer); rc != 0) {
    error = "cannot resolve \"" + options.host + "\": " + gai_strerror(rc);
    return nullptr;
  }
  const int fd = socket(peer.Family(), SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = SystemError("cannot open a UDP socket");
    return nullptr;
  }
  const posix::SocketAddress local =
      posix::LocalAddress(peer.Family(), options.local_port, posix::Scope::kAny);
  if (bind(fd, local.Get(), local.size) != 0) {
    error = SystemError("cannot listen on UDP port " + std::to_string(options.local_port));
    close(fd);
    return nullptr;
  }
  std::optional<TRijndael> cipher;
  if (!options.key_string.empty()) {
    cipher.emplace();
    cipher->SetKeyString(options.key_string);
  }
  return std::make_unique<UdpLink>(fd, peer, std::move(cipher));
}

std::unique_ptr<EmuLink> OpenSerial(const EmuOptions& options, std::string& error) {
  const int fd = posix::OpenRaw(options.device);
  if (fd < 0) {
    error = SystemError("cannot open " + options.device);
    return nullptr;
  }
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
  posix::MakeRaw(ours);
  posix::MakeRaw(theirs);
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
