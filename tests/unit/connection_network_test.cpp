// The UDP side: bindings, status texts, receiver names, sending and the sender check.
#include <gtest/gtest.h>

#include <functional>

#include "connection_fixture.h"
#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

using testing::ConnectionManagerTest;
using testing::Ipv6;
using testing::kKey;
using testing::NetworkLines;
using testing::SerialLines;

TEST_F(ConnectionManagerTest, NetworkStatusWithIPv4Receiver) {
  WriteLines(NetworkLines("192.0.2.20"));
  Open();
  EXPECT_EQ(view.status[2], "Local IP: 192.0.2.5 [Port:10000]   V9100 IP:192.0.2.20 [Port:10000]");
  ASSERT_TRUE(endpoint.binding.has_value());
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv4, "0.0.0.0", 10000, 0}));
  EXPECT_TRUE(endpoint.active);
  EXPECT_FALSE(serial.open);
  EXPECT_EQ(state.ConnectionMode, ConnectionMode::kNetwork);
  EXPECT_EQ(state.ReceiverAddress, "192.0.2.20");
  EXPECT_EQ(state.ReceiverPort, "10000");
}

TEST_F(ConnectionManagerTest, IPv6ReceiverBindsToTheFirstGlobalAddress) {
  adapters.adapters = std::vector<NetworkAdapter>{
      {AdapterType::kEthernet, {Ipv6(0xFE, 0x80, 1, 4), Ipv6(0x20, 0x01, 2, 0)}}};
  std::vector<std::string> lines = NetworkLines("2001:DB8::20");
  lines[14] = "192.0.2.5";  // an IPv4 local address does not serve an IPv6 receiver
  lines[9] = "10001";
  WriteLines(lines);
  Open();
  const std::string global = "2001:0000:0000:0000:0000:0000:0000:0002";
  ASSERT_TRUE(endpoint.binding.has_value());
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv6, global, 10001, 0}));
  EXPECT_EQ(view.status[2],
            "Local IP: " + global + " [Port:10001]   V9100 IP:2001:DB8::20 [Port:10000]");
}

TEST_F(ConnectionManagerTest, LinkLocalBindingGetsTheScope) {
  adapters.adapters =
      std::vector<NetworkAdapter>{{AdapterType::kEthernet, {Ipv6(0xFE, 0x80, 1, 4)}}};
  std::vector<std::string> lines = NetworkLines("FE80::20");
  WriteLines(lines);
  Open();
  const std::string link_local = "FE80:0000:0000:0000:0000:0000:0000:0001";
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv6, link_local, 10000, 4}));
  manager.SendDatagram("x");
  ASSERT_EQ(endpoint.sent.size(), 1u);
  EXPECT_EQ(endpoint.sent[0].to, (UdpDestination{"FE80::20", 10000, 4}));

  lines[14] = "2001:db8::5";  // configured IPv6 local address
  lines[7] = "fe80::20";      // lower case: no scope
  WriteLines(lines);
  Open();
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv6, "2001:db8::5", 10000, 0}));
  manager.SendDatagram("x");
  EXPECT_EQ(endpoint.sent[1].to, (UdpDestination{"fe80::20", 10000, 0}));
  EXPECT_EQ(view.status[2], "Local IP: 2001:db8::5 [Port:10000]   V9100 IP:fe80::20 [Port:10000]");
}

TEST_F(ConnectionManagerTest, IPv6ReceiverWithoutIPv6ShowsThePrimaryIPv4) {
  WriteLines(NetworkLines("::1"));
  Open();
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv6, "", 10000, 0}));
  EXPECT_EQ(view.status[2], "Local IP: 192.0.2.5 [Port:10000]   V9100 IP:::1 [Port:10000]");
}

TEST_F(ConnectionManagerTest, HostNameReceiverIsResolvedAtOpen) {
  resolver.table["receiver.example"] = {"2001:db8::20", "192.0.2.20", "192.0.2.21"};
  WriteLines(NetworkLines("receiver.example"));
  Open();
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv4, "0.0.0.0", 10000, 0}));
  EXPECT_EQ(view.status[2],
            "Local IP: 192.0.2.5 [Port:10000]   V9100 DNS Name:receiver.example [Port:10000]");
  EXPECT_TRUE(SenderMatchesReceiver(state, "192.0.2.21", IpVersion::kIPv4));
  EXPECT_FALSE(SenderMatchesReceiver(state, "192.0.2.22", IpVersion::kIPv4));
  manager.SendDatagram("\x06");
  ASSERT_EQ(endpoint.sent.size(), 1u);
  EXPECT_EQ(endpoint.sent[0].to, (UdpDestination{"192.0.2.20", 10000, 0}));

  // A name that does not resolve still opens the link; it matches and reaches nobody.
  WriteLines(NetworkLines("unknown.example"));
  Open();
  EXPECT_TRUE(endpoint.active);
  EXPECT_TRUE(state.ReceiverResolvedAddresses.empty());
  EXPECT_FALSE(SenderMatchesReceiver(state, "192.0.2.20", IpVersion::kIPv4));
  EXPECT_THROW(manager.SendDatagram("\x06"), std::runtime_error);
}

TEST_F(ConnectionManagerTest, ReceiverPortIsTrimmedOnlyByTheDialog) {
  std::vector<std::string> lines = NetworkLines("192.0.2.20");
  lines[8] = " 10000\t";
  WriteLines(lines);
  Open();
  EXPECT_EQ(state.ReceiverPort, " 10000\t");
  Open(OpenVariant::kDialog);
  EXPECT_EQ(state.ReceiverPort, "10000");
}

TEST_F(ConnectionManagerTest, PortInUseIsShownReportedOncePerSpellAndRetried) {
  std::vector<std::string> problems;
  manager.SetProblemHandler([&](const std::string& message) { problems.push_back(message); });
  const std::string text = "Local IP: 192.0.2.5 [Port:10000]   V9100 IP:192.0.2.20 [Port:10000]";
  std::vector<std::string> lines = NetworkLines("192.0.2.20");
  WriteLines(lines);
  endpoint.activate_error = "address in use";
  Open();
  EXPECT_EQ(view.status[2], text + kPortBusySuffix);
  manager.RetryBinding();
  Open(OpenVariant::kDialog);  // "Settings" tries at once, within the same spell
  endpoint.activate_error.clear();
  manager.RetryBinding();
  EXPECT_TRUE(endpoint.active);
  EXPECT_EQ(view.status[2], text);
  EXPECT_FALSE(manager.BindingPending());

  lines[9] = "75536";  // would bind port 10000 as 16 bits
  WriteLines(lines);
  Open();
  EXPECT_FALSE(endpoint.active);
  EXPECT_EQ(view.status[2], text + kPortOutOfRangeSuffix);
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "address in use", "APSsets.sys line 10: local port 75536 out of range"}));
}

TEST_F(ConnectionManagerTest, UnresolvedOwnNameShowsTheBindingAndIsReportedOncePerSpell) {
  std::vector<std::string> problems;
  manager.SetProblemHandler([&](const std::string& message) { problems.push_back(message); });
  resolver.table["simhost"] = {"127.0.1.1"};  // a hosts entry names no address of the link
  WriteLines(NetworkLines("192.0.2.20"));
  Open();
  const std::string receiver = " [Port:10000]   V9100 IP:192.0.2.20 [Port:10000]";
  EXPECT_EQ(view.status[2], "Local IP: 0.0.0.0" + receiver);
  resolver.table.clear();
  Open(OpenVariant::kDialog);
  adapters.adapters = std::vector<NetworkAdapter>{{AdapterType::kEthernet, {}, {"192.0.2.7"}}};
  Open(OpenVariant::kDialog);
  EXPECT_EQ(view.status[2], "Local IP: 192.0.2.7" + receiver);
  EXPECT_EQ(problems.size(), 1u);
}

TEST_F(ConnectionManagerTest, GivenSettingsStandInForTheFileUntilTheDialogWritesIt) {
  ConnectionSettings given;
  given.connection_mode = ConnectionMode::kNetwork;
  given.receiver_address = "192.0.2.30";
  int adopted = 0;
  manager.UseGivenSettings(given, [&] { ++adopted; });
  Open();  // no file
  EXPECT_FALSE(state.SettingsMissing);
  EXPECT_EQ(state.ReceiverAddress, "192.0.2.30");
  WriteLines(NetworkLines("192.0.2.20"));  // what the dialog's "OK" writes
  Open(OpenVariant::kDialog);
  EXPECT_EQ(adopted, 1);
  EXPECT_EQ(state.ReceiverAddress, "192.0.2.20");
}

TEST_F(ConnectionManagerTest, SendDatagramPlainAndWithTheCrcOption) {
  WriteLines(NetworkLines("192.0.2.20"));
  Open();
  state.Debug.SimulateSendingCrcError = true;
  state.Debug.OnlyOneTime = false;
  manager.SendDatagram("\nABC\r");
  manager.SendDatagram("\x06");  // too short to corrupt
  EXPECT_TRUE(state.Debug.SimulateSendingCrcError);
  state.Debug.OnlyOneTime = true;
  manager.SendDatagram("\x06");
  EXPECT_FALSE(state.Debug.SimulateSendingCrcError);
  manager.SendDatagram("\nABC\r");
  ASSERT_EQ(endpoint.sent.size(), 4u);
  EXPECT_EQ(endpoint.sent[0].bytes, std::string("\n\0BC\r", 5));
  EXPECT_EQ(endpoint.sent[1].bytes, "\x06");
  EXPECT_EQ(endpoint.sent[2].bytes, "\x06");
  EXPECT_EQ(endpoint.sent[3].bytes, "\nABC\r");
  EXPECT_EQ(endpoint.sent[3].to, (UdpDestination{"192.0.2.20", 10000, 0}));
}

TEST_F(ConnectionManagerTest, SendDatagramEncryptedIgnoresTheCrcOption) {
  std::vector<std::string> lines = NetworkLines("192.0.2.20");
  lines[12] = "1";
  lines[13] = MaskKeyString(kKey);
  WriteLines(lines);
  Open();
  cipher.SetKeyString(state.KeyString);
  state.Debug.SimulateSendingCrcError = true;
  manager.SendDatagram("\nABC\r");
  EXPECT_TRUE(state.Debug.SimulateSendingCrcError);
  ASSERT_EQ(endpoint.sent.size(), 1u);
  EXPECT_EQ(endpoint.sent[0].bytes.size(), 34u);
  TRijndael peer;
  peer.SetKeyString(kKey);
  EXPECT_EQ(peer.DecryptPacket(endpoint.sent[0].bytes), "\nABC\r");
  EXPECT_THROW(manager.SendDatagram(std::string(1025, 'x')), std::length_error);
  EXPECT_EQ(endpoint.sent.size(), 1u);
}

TEST_F(ConnectionManagerTest, SendDatagramFailures) {
  WriteLines(NetworkLines("192.0.2.20"));
  Open();
  for (const char* port : {"abc", "", "70000", "-1", " 10000"}) {
    state.ReceiverPort = port;
    EXPECT_ANY_THROW(manager.SendDatagram("\x06")) << port;
  }
  state.ReceiverPort = "10000";
  endpoint.send_error = "network unreachable";
  EXPECT_THROW(manager.SendDatagram("\x06"), std::runtime_error);
  EXPECT_TRUE(endpoint.sent.empty());
}

// Both are worked out once and kept while the settings stay as they are: every datagram asks.
TEST_F(ConnectionManagerTest, SenderCheckAndDestinationFollowEachChangeOfTheReceiver) {
  using enum IpVersion;
  WriteLines(NetworkLines("192.0.2.20"));
  Open();
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(manager.IsFromReceiver("192.0.2.20", kIPv4));
    EXPECT_FALSE(manager.IsFromReceiver("192.0.2.21", kIPv4));
  }
  state.ReceiverAddress = "192.0.2.21";
  EXPECT_FALSE(manager.IsFromReceiver("192.0.2.20", kIPv4));
  EXPECT_TRUE(manager.IsFromReceiver("192.0.2.21", kIPv4));
  manager.SendDatagram("\x06");
  EXPECT_EQ(endpoint.sent.back().to, (UdpDestination{"192.0.2.21", 10000, 0}));

  state.ReceiverAddress = "receiver.example";  // resolved to nothing yet
  for (int i = 0; i < 2; ++i) EXPECT_THROW(manager.SendDatagram("\x06"), std::runtime_error);
  EXPECT_FALSE(manager.SendProblem().empty());
  state.ReceiverResolvedAddresses = {"192.0.2.30"};
  EXPECT_TRUE(manager.IsFromReceiver("192.0.2.30", kIPv4));
  EXPECT_TRUE(manager.SendProblem().empty());
  state.ReceiverPort = "10005";
  manager.SendDatagram("\x06");
  EXPECT_EQ(endpoint.sent.back().to, (UdpDestination{"192.0.2.30", 10005, 0}));
}

TEST(SenderMatchesReceiverTest, Table) {
  using enum IpVersion;
  struct Case {
    const char* receiver;
    const char* sender;
    IpVersion version;
    bool matches;
  };
  const Case cases[] = {
      {"192.0.2.20", "192.0.2.20", kIPv4, true},
      {"192.0.2.20", "192.0.2.21", kIPv4, false},
      {"192.0.2.20", "127.0.0.2", kIPv4, false},
      {"FE80::211:22FF:FE33:4455", "fe80:0:0:0:211:22ff:fe33:4455", kIPv6, true},
      {"fe80::1", "FE80:0000:0000:0000:0000:0000:0000:0001", kIPv6, true},
      {"::1", "::1", kIPv6, true},
      {"::1", "::2", kIPv6, false},
      {"::1", "0:0:0:0:0:0:0:1", kIPv4, false},  // IPv4 binding compares the texts
      {"localhost", "127.0.0.1", kIPv4, false},  // nothing resolved
  };
  for (const Case& c : cases) {
    SimulatorState state;
    state.ReceiverAddress = c.receiver;
    EXPECT_EQ(SenderMatchesReceiver(state, c.sender, c.version), c.matches)
        << c.receiver << " / " << c.sender;
  }
  SimulatorState state;
  state.ReceiverAddress = "192.0.2.20";
  state.ReceiverResolvedAddresses = {"192.0.2.21"};  // stale names never widen a numeric address
  EXPECT_FALSE(SenderMatchesReceiver(state, "192.0.2.21", IpVersion::kIPv4));
}

}  // namespace
}  // namespace v7400
