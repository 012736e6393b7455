#include "emu_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "codec/cipher.h"

namespace v7400::emu {
namespace {

constexpr char kKey[] = "00112233445566778899AABBCCDDEEFF";
const std::string kAck =
    "\x0A"
    "47D40B\t00010100[]\x0D";

// A UDP peer on 127.0.0.1 standing in for the simulator.
struct Peer {
  Peer() {
    fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    port = ntohs(a.sin_port);
  }
  ~Peer() { close(fd); }
  std::string Receive(sockaddr_in& from) const {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1) return {};
    char buffer[2048];
    socklen_t size = sizeof from;
    const ssize_t n =
        recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  int fd;
  int port;
};

std::vector<std::string> ReadSoon(EmuLink& link) {
  pollfd p{link.Fd(), POLLIN, 0};
  poll(&p, 1, 2000);
  return link.ReadFrames();
}

TEST(EmuLink, UdpCarriesFramesPlainAndAsAesPackets) {
  for (const std::string key : {"", kKey}) {
    Peer peer;
    EmuOptions options;
    options.host = "127.0.0.1";
    options.port = peer.port;
    options.key_string = key;
    std::string error;
    const auto link = OpenLink(options, error);
    ASSERT_TRUE(link) << error;
    ASSERT_TRUE(
        link->Send("\x0A"
                   "frame\x0D"));
    sockaddr_in from{};
    std::string wire = peer.Receive(from);
    TRijndael cipher;
    cipher.SetKeyString(kKey);
    if (!key.empty()) {
      EXPECT_EQ(wire.size(), 34u);
      wire = cipher.DecryptPacket(wire);
    }
    EXPECT_EQ(wire,
              "\x0A"
              "frame\x0D");
    const std::string reply = key.empty() ? kAck : cipher.EncryptPayload(kAck).Wire();
    sendto(peer.fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
    EXPECT_EQ(ReadSoon(*link), std::vector<std::string>{kAck}) << "key " << key;
  }
}

TEST(EmuLink, PtyPairCarriesFramesBothWays) {
  EmuOptions options;
  options.link = LinkKind::kPty;
  std::string error;
  const auto link = OpenLink(options, error);
  ASSERT_TRUE(link) << error;
  const int sim = open(link->DeviceName().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(sim, 0) << link->DeviceName();
  ASSERT_TRUE(link->Send("event\x0D"));
  char buffer[16] = {};
  EXPECT_EQ(read(sim, buffer, sizeof buffer), 6);
  // An ACK written in two pieces comes back whole.
  ASSERT_EQ(write(sim, kAck.data(), 5), 5);
  ASSERT_EQ(write(sim, kAck.data() + 5, kAck.size() - 5), static_cast<ssize_t>(kAck.size() - 5));
  std::vector<std::string> frames;
  for (int i = 0; i < 10 && frames.empty(); ++i) frames = ReadSoon(*link);
  EXPECT_EQ(frames, std::vector<std::string>{kAck});
  close(sim);
}

TEST(EmuLink, ReportsLinksThatCannotOpen) {
  Peer busy;
  EmuOptions udp;
  udp.host = "127.0.0.1";
  udp.port = 9;
  udp.local_port = busy.port;
  EmuOptions serial;
  serial.link = LinkKind::kSerial;
  serial.device = "/nonexistent/ttyS99";
  for (const EmuOptions& options : {udp, serial}) {
    std::string error;
    EXPECT_FALSE(OpenLink(options, error));
    EXPECT_NE(error.find("cannot"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace v7400::emu
