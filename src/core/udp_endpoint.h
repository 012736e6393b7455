// The UDP endpoint as the connection manager and the receive path see it: one binding, IPv4 or
// IPv6, a default port, and datagrams in and out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace v7400 {

enum class IpVersion { kIPv4, kIPv6 };

struct UdpBinding {
  IpVersion version = IpVersion::kIPv4;
  std::string address;  // local address text; empty means every address of the version
  std::uint16_t port = 0;
  std::uint32_t scope_id = 0;  // IPv6 zone, 0 when none
  bool operator==(const UdpBinding&) const = default;
};

struct UdpDestination {
  std::string address;  // numeric address text
  std::uint16_t port = 0;
  std::uint32_t scope_id = 0;
  bool operator==(const UdpDestination&) const = default;
};

struct ReceivedDatagram {
  std::string bytes;
  std::string sender;                    // the sender's numeric address, without a zone suffix
  IpVersion version = IpVersion::kIPv4;  // of the binding that received it
};

class UdpEndpoint {
 public:
  using DatagramHandler = std::function<void(const ReceivedDatagram&)>;

  virtual ~UdpEndpoint() = default;

  // Called on the user-interface thread for every datagram, one at a time.
  virtual void SetDatagramHandler(DatagramHandler handler) = 0;
  // Called once the datagrams that one read found are handled, so that what they wrote can go
  // out in one piece.
  virtual void SetBurstEndHandler(std::function<void()> /*handler*/) {}

  virtual std::uint16_t DefaultPort() const = 0;
  virtual void SetDefaultPort(std::uint16_t port) = 0;

  // Stops listening and forgets the binding.
  virtual void Deactivate() = 0;
  virtual void SetBinding(const UdpBinding& binding) = 0;
  // Starts listening on the binding. Throws std::runtime_error when the binding fails (for
  // example a port already in use).
  virtual void Activate() = 0;
  virtual bool IsActive() const = 0;
  // The port it listens on: the system's choice when the binding asked for port 0.
  virtual std::uint16_t BoundPort() const { return DefaultPort(); }
  // The receive buffer the system granted, in bytes (0 when inactive or unknown).
  virtual int ReceiveBufferBytes() const { return 0; }

  // Sends one datagram. Throws std::runtime_error when the network layer refuses it.
  virtual void SendTo(const std::string& bytes, const UdpDestination& to) = 0;
};

// What the endpoints on a real socket keep alike: the handlers, the default port and the binding.
class BasicUdpEndpoint : public UdpEndpoint {
 public:
  void SetDatagramHandler(DatagramHandler handler) override { handler_ = std::move(handler); }
  void SetBurstEndHandler(std::function<void()> handler) override {
    burst_end_ = std::move(handler);
  }
  std::uint16_t DefaultPort() const override { return default_port_; }
  void SetDefaultPort(std::uint16_t port) override { default_port_ = port; }
  void SetBinding(const UdpBinding& binding) override { binding_ = binding; }

 protected:
  DatagramHandler handler_;
  std::function<void()> burst_end_;
  std::uint16_t default_port_ = 0;
  std::optional<UdpBinding> binding_;
};

}  // namespace v7400
