#include "transport/connection_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <initializer_list>

#include "fakes/fake_display_view.h"
#include "fakes/fake_prompts.h"
#include "fakes/fake_transport.h"
#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

using testing::CountingRandom;
using testing::FakeAdapterSource;
using testing::FakeDisplayView;
using testing::FakeHostResolver;
using testing::FakePrompts;
using testing::FakeSerialDevice;
using testing::FakeUdpEndpoint;

const char kKey[] = "00112233445566778899AABBCCDDEEFF";

std::vector<std::string> SerialLines() {
  return {"1", "8", "0", "1", "9600", "0", "0", "", "", "", "19", "1", "0", "", ""};
}
std::vector<std::string> NetworkLines(const std::string& receiver) {
  return {"1", "8", "0", "1", "9600", "0", "1", receiver, "10000", "10000", "19", "1", "0", "", ""};
}

AdapterAddress Ipv6(std::uint8_t first, std::uint8_t second, std::uint8_t last,
                    std::uint32_t scope) {
  AdapterAddress address;
  address.bytes[0] = first;
  address.bytes[1] = second;
  address.bytes[15] = last;
  address.scope_id = scope;
  return address;
}

class ConnectionManagerTest : public ::testing::Test {
 public:
  ConnectionManagerTest() {
    std::filesystem::create_directories(dir_);
    std::filesystem::remove(dir_ / kSettingsFileName);
    resolver.table["simhost"] = {"192.0.2.5"};
    InitialiseLines(state);
  }
  ~ConnectionManagerTest() override { std::filesystem::remove_all(dir_); }

  void WriteLines(const std::vector<std::string>& lines) {
    std::ofstream file(dir_ / kSettingsFileName, std::ios::binary);
    for (const std::string& line : lines) file << line << "\r\n";
  }
  void Open(OpenVariant variant = OpenVariant::kStartUp) { manager.OpenConnection(variant); }

  static std::filesystem::path TestDirectory() {
    return std::filesystem::temp_directory_path() /
           ("v7400-conn-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  std::filesystem::path dir_ = TestDirectory();
  SimulatorState state;
  FakeSerialDevice serial;
  FakeUdpEndpoint endpoint;
  FakeAdapterSource adapters;
  FakeHostResolver resolver;
  AddressDiscovery discovery{adapters, resolver};
  CountingRandom random;
  TRijndael cipher{random};
  FakePrompts prompts;
  FakeDisplayView view;
  ConnectionManager manager{state,
                            {serial, endpoint, discovery, resolver, cipher, prompts, view},
                            dir_ / kSettingsFileName};
};

TEST_F(ConnectionManagerTest, SerialStatusTexts) {
  struct Case {
    std::vector<std::pair<std::size_t, std::string>> changes;
    std::string status;
    Parity parity;
    int stop_bits;
  };
  const Case cases[] = {
      {{}, "Local PC:  COM1 8N1 9600", Parity::kNone, 1},
      {{{3, "0"}}, "Local PC:  COM1 8N0 9600", Parity::kNone, 0},
      {{{0, "3"}, {1, "7"}, {2, "2"}, {3, "2"}, {4, "115200"}},
       "Local PC:  COM3 7E2 115200",
       Parity::kEven,
       2},
      {{{2, "3"}}, "Local PC:  COM1 8M1 9600", Parity::kMark, 1},
      {{{2, "4"}}, "Local PC:  COM1 8S1 9600", Parity::kSpace, 1},
      {{{2, "9"}}, "Local PC:  COM1 81 9600", Parity::kOdd, 1},  // keeps the previous parity
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = SerialLines();
    for (const auto& [line, text] : c.changes) lines[line] = text;
    WriteLines(lines);
    serial.settings.parity = Parity::kOdd;
    Open();
    EXPECT_EQ(view.status[2], c.status);
    EXPECT_EQ(serial.settings.parity, c.parity) << c.status;
    EXPECT_EQ(serial.settings.stop_bits, c.stop_bits) << c.status;
    EXPECT_TRUE(serial.open);
  }
}

TEST_F(ConnectionManagerTest, SerialOpenSequence) {
  WriteLines(SerialLines());
  serial.incoming = {'x'};
  Open();
  EXPECT_EQ(serial.calls,
            (std::vector<std::string>{"close", "open", "discard input", "discard output"}));
  EXPECT_EQ(endpoint.deactivations, 1);
  EXPECT_FALSE(endpoint.active);
  serial.calls.clear();
  Open();
  EXPECT_EQ(serial.calls, (std::vector<std::string>{"close", "open", "discard output"}));
}

TEST_F(ConnectionManagerTest, FlowControlValues) {
  const struct {
    const char* line;
    bool hardware;
    bool software;
  } cases[] = {{"0", false, false}, {"1", true, false},  {"4", true, false},
               {"2", false, true},  {"-1", false, true}, {"3", true, true}};
  for (const auto& c : cases) {  // a value outside 0..3 keeps the previous flow settings
    std::vector<std::string> lines = SerialLines();
    lines[5] = c.line;
    WriteLines(lines);
    Open();
    EXPECT_EQ(serial.settings.hardware_flow, c.hardware) << c.line;
    EXPECT_EQ(serial.settings.software_flow, c.software) << c.line;
  }
}

TEST_F(ConnectionManagerTest, NetworkStatusWithIPv4Receiver) {
  WriteLines(NetworkLines("192.0.2.20"));
  Open();
  EXPECT_EQ(view.status[2], "Local IP: 192.0.2.5 [Port:10000]   V9100 IP:192.0.2.20 [Port:10000]");
  ASSERT_TRUE(endpoint.binding.has_value());
  EXPECT_EQ(*endpoint.binding, (UdpBinding{IpVersion::kIPv4, "0.0.0.0", 10000, 0}));
  EXPECT_TRUE(endpoint.active);
  EXPECT_FALSE(serial.open);
  EXPECT_EQ(state.ConnectionMode, 1);
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
  EXPECT_TRUE(SenderMatchesReceiver(state, "192.0.2.21", false));
  EXPECT_FALSE(SenderMatchesReceiver(state, "192.0.2.22", false));
  manager.SendDatagram("\x06");
  ASSERT_EQ(endpoint.sent.size(), 1u);
  EXPECT_EQ(endpoint.sent[0].to, (UdpDestination{"192.0.2.20", 10000, 0}));

  // A name that does not resolve still opens the link; it matches and reaches nobody.
  WriteLines(NetworkLines("unknown.example"));
  Open();
  EXPECT_TRUE(endpoint.active);
  EXPECT_TRUE(state.ReceiverResolvedAddresses.empty());
  EXPECT_FALSE(SenderMatchesReceiver(state, "192.0.2.20", false));
  EXPECT_THROW(manager.SendDatagram("\x06"), std::runtime_error);
}

TEST_F(ConnectionManagerTest, NoSettingsFileLeavesEverythingClosed) {
  state.ReceiverAddress = "old";
  Open();
  EXPECT_FALSE(serial.open);
  EXPECT_FALSE(endpoint.active);
  EXPECT_EQ(view.status[2], "COM settings:");
  EXPECT_EQ(state.PackageEndChar, 20);
  EXPECT_EQ(state.SpaceConverting, 1);
  EXPECT_FALSE(state.EncryptionEnabled);
  EXPECT_EQ(state.KeyString, "");
  EXPECT_FALSE(state.OpenFailed);
  EXPECT_TRUE(prompts.errors.empty());
  EXPECT_EQ(serial.calls, std::vector<std::string>{"close"});
}

// A line that cannot be read stops the operation there: the lines before it stay applied.
TEST_F(ConnectionManagerTest, PartialApplicationOnABadLine) {
  struct Case {
    std::size_t line;
    std::string text;
    std::function<void(const ConnectionManagerTest&)> check;
  };
  const Case cases[] = {
      {0, "COM1",
       [](const ConnectionManagerTest& t) { EXPECT_EQ(t.serial.settings, SerialSettings{}); }},
      {2, "x",
       [](const ConnectionManagerTest& t) {
         EXPECT_EQ(t.serial.settings.port_number, 4);
         EXPECT_EQ(t.serial.settings.data_bits, 7);
         EXPECT_EQ(t.serial.settings.parity, Parity::kNone);
         EXPECT_EQ(t.state.ConnectionMode, 0);
       }},
      {4, " 9600",
       [](const ConnectionManagerTest& t) {
         EXPECT_EQ(t.serial.settings.stop_bits, 2);
         EXPECT_EQ(t.serial.settings.baud_rate, 9600);
         EXPECT_FALSE(t.serial.open);
       }},
      {6, "", [](const ConnectionManagerTest& t) { EXPECT_FALSE(t.endpoint.active); }},
      {9, "port",
       [](const ConnectionManagerTest& t) {
         EXPECT_EQ(t.state.ConnectionMode, 1);
         EXPECT_EQ(t.state.ReceiverAddress, "192.0.2.20");
         EXPECT_EQ(t.state.ReceiverPort, "10002");
         EXPECT_EQ(t.endpoint.default_port, 0);
         EXPECT_EQ(t.state.PackageEndChar, 20);
       }},
      {10, "2O",
       [](const ConnectionManagerTest& t) {
         EXPECT_EQ(t.endpoint.default_port, 10001);
         EXPECT_EQ(t.state.PackageEndChar, 20);
         EXPECT_FALSE(t.endpoint.active);
       }},
      {11, "1.0",
       [](const ConnectionManagerTest& t) {
         EXPECT_EQ(t.state.PackageEndChar, 4);
         EXPECT_EQ(t.state.SpaceConverting, 1);
       }},
      {13, std::string(31, 'A') + "Z",
       [](const ConnectionManagerTest& t) {
         EXPECT_EQ(t.state.SpaceConverting, 0);
         EXPECT_TRUE(t.state.EncryptionEnabled);
         EXPECT_EQ(t.state.KeyString, "");
         EXPECT_FALSE(t.endpoint.active);
       }},
  };
  for (const Case& c : cases) {
    SimulatorState fresh;
    InitialiseLines(fresh);
    state = std::move(fresh);
    serial = FakeSerialDevice{};
    endpoint = FakeUdpEndpoint{};
    view.status[2] = "COM settings:";
    std::vector<std::string> lines = {"4",     "7",
                                      "0",     "2",
                                      "9600",  "0",
                                      "1",     "192.0.2.20",
                                      "10002", "10001",
                                      "3",     "0",
                                      "1",     MaskKeyString(kKey),
                                      ""};
    lines[c.line] = c.text;
    WriteLines(lines);
    Open();
    SCOPED_TRACE("line " + std::to_string(c.line + 1));
    c.check(*this);
    EXPECT_EQ(view.status[2], "COM settings:");
    EXPECT_TRUE(prompts.errors.empty());
  }
}

TEST_F(ConnectionManagerTest, SerialOpenFailureAtStartUp) {
  struct Case {
    std::string failure;
    std::string message;
  };
  const Case cases[] = {
      {"Port /dev/ttyS2 is already open",
       "Com3 has already been opened by another program,please configure to another com port."},
      {"Port /dev/ttyS2 doesn't exist",
       "Either Com3 does not exist in your PC or the com port is damaged,please configure to "
       "another com port."},
      {"Permission denied", "Com3 could not be opened: Permission denied"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = SerialLines();
    lines[0] = "3";
    lines[10] = "5";
    WriteLines(lines);
    state.OpenFailed = false;
    state.PackageEndChar = 20;
    prompts.errors.clear();
    serial.failure = c.failure;
    Open();
    EXPECT_EQ(prompts.errors, std::vector<std::string>{c.message});
    EXPECT_TRUE(state.OpenFailed);
    EXPECT_EQ(state.PackageEndChar, 20);  // lines 8 to 15 not applied
    EXPECT_EQ(view.status[2], "COM settings:");
  }
}

TEST_F(ConnectionManagerTest, SerialOpenFailureFromTheDialogIsSilent) {
  WriteLines(SerialLines());
  serial.failure = "Port /dev/ttyS0 doesn't exist";
  Open(OpenVariant::kDialog);
  EXPECT_TRUE(prompts.errors.empty());
  EXPECT_FALSE(state.OpenFailed);
  EXPECT_EQ(state.PackageEndChar, 20);
}

TEST_F(ConnectionManagerTest, ModeTwoOpensNeitherTransport) {
  std::vector<std::string> lines = SerialLines();
  lines[6] = "2";
  WriteLines(lines);
  Open();
  EXPECT_FALSE(serial.open);
  EXPECT_FALSE(endpoint.active);
  EXPECT_EQ(view.status[2], "Local PC:  COM1 8N1 9600");
  EXPECT_EQ(state.ConnectionMode, 2);
}

TEST_F(ConnectionManagerTest, SerialModeKeepsTheNetworkSettings) {
  state.ReceiverAddress = "192.0.2.99";
  state.ReceiverPort = "999";
  endpoint.default_port = 999;
  std::vector<std::string> lines = NetworkLines("192.0.2.20");
  lines[6] = "0";
  WriteLines(lines);
  Open();
  EXPECT_EQ(state.ReceiverAddress, "192.0.2.99");
  EXPECT_EQ(state.ReceiverPort, "999");
  EXPECT_EQ(endpoint.default_port, 999);
}

TEST_F(ConnectionManagerTest, EncryptionFlagAndKey) {
  const struct {
    const char* text;
    bool on;
  } cases[] = {{"1", true}, {"1 ", false}, {"true", false}, {"0", false}, {"", false}};
  for (const auto& c : cases) {
    std::vector<std::string> lines = SerialLines();
    lines[12] = c.text;
    lines[13] = MaskKeyString(kKey);
    WriteLines(lines);
    Open();
    EXPECT_EQ(state.EncryptionEnabled, c.on) << c.text;
    EXPECT_EQ(state.KeyString, kKey);
  }
  EXPECT_EQ(cipher.KeyString(), "");  // start-up leaves the cipher alone
  Open(OpenVariant::kDialog);
  EXPECT_EQ(cipher.KeyString(), kKey);
  std::vector<std::string> lines = SerialLines();
  lines[13] = "ABC";  // not a key: empty key string, the cipher keeps its key
  WriteLines(lines);
  Open(OpenVariant::kDialog);
  EXPECT_EQ(state.KeyString, "");
  EXPECT_EQ(cipher.KeyString(), kKey);
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

TEST_F(ConnectionManagerTest, LocalPortIsTakenAsSixteenBits) {
  std::vector<std::string> lines = NetworkLines("192.0.2.20");
  lines[9] = "75536";
  WriteLines(lines);
  Open();
  EXPECT_EQ(endpoint.default_port, 10000);
}

TEST_F(ConnectionManagerTest, PortInUseEndsSilently) {
  WriteLines(NetworkLines("192.0.2.20"));
  endpoint.activate_error = "address in use";
  Open();
  EXPECT_FALSE(endpoint.active);
  EXPECT_EQ(view.status[2], "COM settings:");
  EXPECT_EQ(state.PackageEndChar, 20);  // applied before the activation
  EXPECT_TRUE(prompts.errors.empty());
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

TEST(SenderMatchesReceiverTest, Table) {
  struct Case {
    const char* receiver;
    const char* sender;
    bool ipv6;
    bool matches;
  };
  const Case cases[] = {
      {"192.0.2.20", "192.0.2.20", false, true},
      {"192.0.2.20", "192.0.2.21", false, false},
      {"192.0.2.20", "127.0.0.2", false, false},
      {"FE80::211:22FF:FE33:4455", "fe80:0:0:0:211:22ff:fe33:4455", true, true},
      {"fe80::1", "FE80:0000:0000:0000:0000:0000:0000:0001", true, true},
      {"::1", "::1", true, true},
      {"::1", "::2", true, false},
      {"::1", "0:0:0:0:0:0:0:1", false, false},  // IPv4 binding compares the texts
      {"localhost", "127.0.0.1", false, false},  // nothing resolved
  };
  for (const Case& c : cases) {
    SimulatorState state;
    state.ReceiverAddress = c.receiver;
    EXPECT_EQ(SenderMatchesReceiver(state, c.sender, c.ipv6), c.matches)
        << c.receiver << " / " << c.sender;
  }
  SimulatorState state;
  state.ReceiverAddress = "192.0.2.20";
  state.ReceiverResolvedAddresses = {"192.0.2.21"};  // stale names never widen a numeric address
  EXPECT_FALSE(SenderMatchesReceiver(state, "192.0.2.21", false));
}

}  // namespace
}  // namespace v7400
