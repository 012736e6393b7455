// The two transports as the protocol sees them.
#pragma once

#include <string>

#include "core/simulator_state.h"
#include "core/udp_endpoint.h"

namespace v7400 {

// The receive side and the write of the serial port.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  virtual bool ByteReady() = 0;
  virtual char ReadByte() = 0;
  // Writes the whole frame in one call.
  virtual void Write(const std::string& bytes) = 0;
};

// Sends one frame to the receiver over UDP (encrypting it when encryption is on).
class DatagramSender {
 public:
  virtual ~DatagramSender() = default;
  virtual void SendDatagram(const std::string& bytes) = 0;
  // Why a datagram could not go out now (the receiver's name has no address), or empty text.
  virtual std::string SendProblem() const { return {}; }
};

// Sends a frame on the transport the connection mode chooses: UDP in network mode, else serial.
inline void SendOnLink(const SimulatorState& state, SerialPort& serial, DatagramSender& network,
                       const std::string& bytes) {
  if (state.ConnectionMode == ConnectionMode::kNetwork) {
    network.SendDatagram(bytes);
  } else {
    serial.Write(bytes);
  }
}

}  // namespace v7400

namespace v7400 {

// What the network receive path asks of the transport: whether a datagram comes from the
// configured receiver, and the plain payload of an encrypted packet.
class NetworkIngress {
 public:
  virtual ~NetworkIngress() = default;
  virtual bool IsFromReceiver(const std::string& sender_address, IpVersion version) = 0;
  virtual std::string DecryptPacket(const std::string& datagram) = 0;
};

}  // namespace v7400
