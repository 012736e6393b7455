// Opening the configured transport from the settings file.
#include <gtest/gtest.h>

#include <functional>

#include "connection_fixture.h"
#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

using testing::ConnectionManagerTest;
using testing::FakeSerialDevice;
using testing::FakeUdpEndpoint;
using testing::kKey;
using testing::NetworkLines;
using testing::SerialLines;

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
  // Nothing visible yet: the system's buffer may still hold old bytes, so the input goes too.
  serial.calls.clear();
  Open();
  EXPECT_EQ(serial.calls,
            (std::vector<std::string>{"close", "open", "discard input", "discard output"}));
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

// At start-up the status panel tells the user to make settings, and the window asks for them.
TEST_F(ConnectionManagerTest, NoSettingsFileLeavesEverythingClosed) {
  const struct {
    OpenVariant variant;
    std::string status;
  } cases[] = {{OpenVariant::kStartUp, kNoSettingsStatus}, {OpenVariant::kDialog, "COM settings:"}};
  for (const auto& c : cases) {
    state.ReceiverAddress = "old";
    state.SettingsMissing = false;
    view.status[2] = "COM settings:";
    serial.calls.clear();
    Open(c.variant);
    EXPECT_FALSE(serial.open);
    EXPECT_FALSE(endpoint.active);
    EXPECT_EQ(view.status[2], c.status);
    EXPECT_EQ(state.SettingsMissing, c.variant == OpenVariant::kStartUp);
    EXPECT_EQ(state.PackageEndChar, 20);
    EXPECT_FALSE(state.EncryptionEnabled);
    EXPECT_EQ(state.KeyString, "");
    EXPECT_FALSE(state.OpenFailed);
    EXPECT_TRUE(prompts.errors.empty());
    EXPECT_EQ(serial.calls, std::vector<std::string>{"close"});
  }
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
         EXPECT_EQ(t.state.ConnectionMode, ConnectionMode::kSerial);
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
         EXPECT_EQ(t.state.ConnectionMode, ConnectionMode::kNetwork);
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

// Each line that cannot be used is named in the error log with its value, once.
TEST_F(ConnectionManagerTest, RefusedLinesAreNamedWithTheirValue) {
  std::vector<std::string> problems;
  manager.SetProblemHandler([&](const std::string& message) { problems.push_back(message); });
  const struct {
    std::size_t line;
    std::string text;
    const char* message;
  } cases[] = {
      {0,
       "\xEF\xBB\xBF"
       "1",
       "APSsets.sys line 1: serial port '\xEF\xBB\xBF"
       "1' is not a number"},
      {4, "99999999999", "APSsets.sys line 5: baud rate 99999999999 out of range"},
      {8, "70000", "APSsets.sys line 9: receiver port 70000 out of range"},
      {8, "0", "APSsets.sys line 9: receiver port 0 out of range"},
      {9, "99999", "APSsets.sys line 10: local port 99999 out of range"},
      {9, "-1", "APSsets.sys line 10: local port -1 out of range"},
      {10, "", "APSsets.sys line 11: end character '' is not a number"},
      {13, std::string(31, 'A') + "Z", "APSsets.sys line 14: key string is not hexadecimal"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = testing::NetworkLines("192.0.2.20");
    lines[c.line] = c.text;
    WriteLines(lines);
    problems.clear();
    endpoint = FakeUdpEndpoint{};
    Open();
    EXPECT_EQ(problems, std::vector<std::string>{c.message}) << c.text;
    EXPECT_FALSE(endpoint.active) << c.text;
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
  // A device named on the command line is named in the box, not the COM port standing for it.
  manager.UseGivenSettings(ConnectionSettings{}, {}, "/dev/ttyUSB7");  // serial by default
  prompts.errors.clear();
  Open();
  EXPECT_EQ(prompts.errors, std::vector<std::string>{"/dev/ttyUSB7 could not be opened: "
                                                     "Permission denied"});
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
  EXPECT_EQ(static_cast<int>(state.ConnectionMode), 2);
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

}  // namespace
}  // namespace v7400
