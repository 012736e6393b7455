// The connection to the receiver as the main window sees it: the serial port and the network
// side the receive paths use, and the creation and release steps the window runs in its fixed
// order. The program assembles it from the transports; tests hand in fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/link_ports.h"
#include "core/udp_endpoint.h"

namespace v7400 {

class Link {
 public:
  using SerialDataHandler = std::function<void(int count)>;
  using DatagramHandler =
      std::function<void(const std::string& bytes, const std::string& sender, IpVersion version)>;

  virtual ~Link() = default;

  virtual SerialPort& Serial() = 0;
  virtual DatagramSender& Network() = 0;
  virtual NetworkIngress& Ingress() = 0;

  // The serial port's data notification, attached when the window is built.
  virtual void SetSerialDataHandler(SerialDataHandler handler) = 0;
  // Told when the serial device goes away (`up` false) and when it is back.
  using SerialLinkHandler = std::function<void(bool up, const std::string& why)>;
  virtual void SetSerialLinkHandler(SerialLinkHandler /*handler*/) {}
  // Told what the error log should get about the connection: a refused settings file, a UDP
  // port that cannot be bound (once per spell).
  using ProblemHandler = std::function<void(const std::string& message)>;
  virtual void SetConnectionProblemHandler(ProblemHandler /*handler*/) {}
  // Records the link-local IPv6 scope of the machine.
  virtual void DiscoverLinkLocalAddress() = 0;
  // False when networking is unavailable.
  virtual bool CreateNetworkObjects() = 0;
  // Reads the settings file and opens the configured transport.
  virtual void OpenConnectionAtStartup() = 0;
  virtual void AttachDatagramHandler(DatagramHandler handler) = 0;
  // Told when the datagrams of one read are all handled.
  virtual void SetBurstEndHandler(std::function<void()> /*handler*/) {}
  // Gives the cipher the key string read from the settings file.
  virtual void CreateCipher(const std::string& key_string) = 0;
  virtual void ReleaseNetworkObjects() = 0;

  // Whether the configured transport is open: the serial port, or the UDP endpoint bound.
  virtual bool IsOpen() const { return true; }
  // The device the configured COM port stands for.
  virtual std::string SerialDeviceName() const { return {}; }
  // The UDP port the settings name, and the one bound (they differ for port 0).
  virtual std::uint16_t LocalPort() const { return 0; }
  virtual std::uint16_t BoundLocalPort() const { return 0; }
  // Before the program ends: the answers still queued for the serial line go out.
  virtual void FinishSerialWrites() {}
};

}  // namespace v7400
