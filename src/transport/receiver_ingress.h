// The network receive path's view of the transport: sender check and packet decryption.
#pragma once

#include <string>

#include "protocol/link_ports.h"
#include "protocol/simulator_state.h"
#include "transport/cipher.h"
#include "transport/connection_manager.h"

namespace v7400 {

class ReceiverIngress : public NetworkIngress {
 public:
  ReceiverIngress(const SimulatorState& state, const TRijndael& cipher)
      : state_(state), cipher_(cipher) {}

  bool IsFromReceiver(const std::string& sender_address, bool ipv6) override {
    return SenderMatchesReceiver(state_, sender_address, ipv6);
  }
  std::string DecryptPacket(const std::string& datagram) override {
    return cipher_.DecryptPacket(datagram);
  }

 private:
  const SimulatorState& state_;
  const TRijndael& cipher_;
};

}  // namespace v7400
