// Feeds datagrams of any content, from the receiver or a stranger, plain or inside AES packets,
// through the network receive path with the real connection manager behind it.
//
// Input: a flags byte, then datagrams, each a 2-byte big-endian length and its bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "fakes/command_harness.h"
#include "fakes/fake_transport.h"
#include "protocol/network_receive.h"
#include "transport/connection_manager.h"

namespace {

using namespace v7400;
using namespace v7400::testing;

constexpr unsigned kSia = 1U << 0;
constexpr unsigned kEncrypted = 1U << 1;
constexpr unsigned kManual = 1U << 2;
constexpr unsigned kIpv6 = 1U << 3;
constexpr unsigned kWrapPlainInPacket = 1U << 4;
constexpr unsigned kForeignSender = 1U << 5;

const char* const kKeys[] = {kDefaultKeyString128, kDefaultKeyString192, kDefaultKeyString256,
                             "not hex at all"};

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Rig {
  explicit Rig(unsigned flags) {
    h.state.Format = (flags & kSia) != 0 ? AutomationFormat::kSia : AutomationFormat::k4100;
    h.state.Ack = (flags & kManual) != 0 ? AckMode::kManual : AckMode::kAuto;
    h.state.ConnectionMode = ConnectionMode::kNetwork;
    h.state.ReceiverAddress = (flags & kIpv6) != 0 ? "::1" : "127.0.0.1";
    h.state.ReceiverPort = "10000";
    h.state.EncryptionEnabled = (flags & kEncrypted) != 0;
    cipher.SetKeyString(kKeys[(flags >> 6U) & 3U]);
  }

  CommandHarness h;
  FakeSerialDevice serial;
  FakeUdpEndpoint endpoint;
  FakeAdapterSource adapters;
  FakeHostResolver resolver;
  AddressDiscovery discovery{adapters, resolver};
  CountingRandom random;
  TRijndael cipher{random};
  FakePrompts prompts;
  FakeDisplayView view;
  ConnectionManager manager{h.state,
                            {serial, endpoint, discovery, resolver, cipher, prompts, view},
                            "/nonexistent/APSsets.sys"};
  InputCommands commands{CommandPorts{h.state, h.serial, manager, h.sink, h.clock, h.prompts,
                                      h.panel, h.statistics_view, h.random}};
  NetworkReceiver receiver{h.state, manager, manager, h.sink, h.clock, commands};
};

// An encrypted payload must come back unchanged through the receive side's decryption.
std::string Wrap(Rig& rig, const std::string& payload) {
  const CipherPacket packet = rig.cipher.EncryptPayload(payload);
  Check(rig.cipher.DecryptPacket(packet.Wire()) == payload);
  return packet.Wire();
}

void Deliver(Rig& rig, unsigned flags, const std::string& bytes) {
  const bool ipv6 = (flags & kIpv6) != 0;
  const bool foreign = (flags & kForeignSender) != 0;
  const std::string sender = foreign ? (ipv6 ? "::2" : "127.0.0.2") : rig.h.state.ReceiverAddress;
  const int received = rig.h.state.ReceivedCount;
  const std::size_t sent = rig.endpoint.sent.size();
  try {
    const bool wrap = (flags & kEncrypted) != 0 && (flags & kWrapPlainInPacket) != 0 &&
                      bytes.size() <= kCipherMaxPayload;
    rig.receiver.OnDatagram(wrap ? Wrap(rig, bytes) : bytes, sender,
                            ipv6 ? IpVersion::kIPv6 : IpVersion::kIPv4);
    // A plain datagram from the receiver is always counted, whatever it holds.
    if (!foreign && (flags & kEncrypted) == 0) Check(rig.h.state.ReceivedCount == received + 1);
  } catch (const std::exception&) {
    // the handler's guard writes these to the error log; the program goes on
  }
  // A stranger's datagram is neither counted nor answered.
  if (foreign) Check(rig.h.state.ReceivedCount == received && rig.endpoint.sent.size() == sent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const unsigned flags = data[0];
  Rig rig(flags);
  std::size_t at = 1;
  while (at + 2 <= size) {
    const std::size_t length =
        std::min<std::size_t>((data[at] << 8U) | data[at + 1], size - at - 2);
    Deliver(rig, flags, std::string(reinterpret_cast<const char*>(data + at + 2), length));
    at += 2 + length;
  }
  return 0;
}
