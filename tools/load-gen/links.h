// The two links a receiver has to the automation computer, as plain POSIX descriptors: a UDP
// socket and a serial device (a pseudo-terminal in the benchmarks).
#pragma once

#include <sys/socket.h>

#include <string>
#include <vector>

namespace loadgen {

class Link {
 public:
  virtual ~Link() = default;
  virtual int Descriptor() const = 0;
  virtual bool Send(const std::string& bytes) = 0;
  // Several frames in as few system calls as the link allows.
  virtual bool SendAll(const std::vector<std::string>& frames) {
    for (const std::string& frame : frames) {
      if (!Send(frame)) return false;
    }
    return true;
  }
  // Everything that can be read now without waiting: datagrams for UDP, chunks for serial.
  virtual std::vector<std::string> ReadAvailable() = 0;
};

class UdpLink : public Link {
 public:
  // Bound to 127.0.0.1 or ::1 (as the target's family) at `local_port` (0: any free port).
  // With an empty `host` the link only listens and answers whoever sent the last datagram.
  UdpLink(const std::string& host, const std::string& port, int local_port);
  ~UdpLink() override;
  int Descriptor() const override { return fd_; }
  bool Send(const std::string& bytes) override;
  bool SendAll(const std::vector<std::string>& frames) override;
  std::vector<std::string> ReadAvailable() override;
  int LocalPort() const;

 private:
  int fd_ = -1;
  sockaddr_storage peer_{};
  socklen_t peer_size_ = 0;
};

class SerialLink : public Link {
 public:
  explicit SerialLink(const std::string& device);  // raw mode, non-blocking
  ~SerialLink() override;
  int Descriptor() const override { return fd_; }
  // Waits for room as long as it takes: a serial line never drops what is written.
  bool Send(const std::string& bytes) override;
  std::vector<std::string> ReadAvailable() override;

 private:
  int fd_ = -1;
};

// Waits up to `timeout_ms` (may be 0) until `link` has something to read.
bool WaitReadable(const Link& link, int timeout_ms);

}  // namespace loadgen
