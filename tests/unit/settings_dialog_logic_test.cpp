// The settings dialog's loading, checks and file, over the real connection manager and fakes.
#include "transport/settings_dialog_logic.h"

#include <gtest/gtest.h>

#include "codec/cipher.h"
#include "connection_fixture.h"
#include "fakes/temp_dir.h"
#include "transport/key_string_mask.h"

namespace v7400 {
namespace {

using testing::ConnectionManagerTest;
using testing::FakeSerialDevice;
using testing::kKey;
using testing::NetworkLines;
using testing::SerialLines;

class SettingsDialogTest : public ConnectionManagerTest {
 protected:
  SettingsForm Load() {
    SettingsForm form;
    errors = logic.Load(form);
    return form;
  }
  std::vector<std::string> FileLines() {
    const std::string text = testing::ReadFile((dir_ / kSettingsFileName).string());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
  }
  static void FillKey(SettingsForm& form, const std::string& key) {
    for (std::size_t i = 0; i < form.key_edits.size(); ++i)
      form.key_edits[i] = i * 2 < key.size() ? key.substr(i * 2, 2) : "";
  }

  FakeSerialDevice test_port;
  SettingsDialogLogic logic{{state, discovery, serial, test_port, prompts, manager,
                             [](int port) { return port == 3 ? "/dev/ttyUSB0" : ""; }}};
  std::vector<std::string> errors;
};

TEST_F(SettingsDialogTest, PortNumberOutsideOneToEightShowsCom1) {
  const std::pair<const char*, int> cases[] = {{"0", 0}, {"9", 0}, {"-3", 0}, {"8", 7}, {"3", 2}};
  for (const auto& [line, index] : cases) {
    std::vector<std::string> lines = SerialLines();
    lines[0] = line;
    WriteLines(lines);
    EXPECT_EQ(Load().com_port_index, index) << line;
  }
}

TEST_F(SettingsDialogTest, MalformedLinesKeepDefaultsAndTheRestIsStillRead) {
  std::vector<std::string> lines = NetworkLines("192.0.2.20");
  lines[1] = "eight";
  lines[4] = "9601";  // not offered: the selection stays
  lines[10] = "7";
  lines.resize(12);  // lines 13 to 15 missing
  WriteLines(lines);
  state.EncryptionEnabled = true;
  const SettingsForm form = Load();
  EXPECT_EQ(errors, std::vector<std::string>{"'eight' is not a valid integer value"});
  EXPECT_EQ(form.data_bits_index, 1);
  EXPECT_EQ(form.baud_index, 4);
  EXPECT_EQ(form.mode, ConnectionMode::kNetwork);
  EXPECT_EQ(form.receiver_address, "192.0.2.20");
  EXPECT_EQ(form.trailer_index, 7);
  EXPECT_EQ(state.PackageEndChar, 8);
  EXPECT_FALSE(state.EncryptionEnabled);
  EXPECT_EQ(form.local_addresses, std::vector<std::string>{"192.0.2.5"});
  EXPECT_EQ(form.local_address_index, 0);

  ASSERT_EQ(logic.Accept(form), AcceptOutcome::kClose);
  EXPECT_EQ(FileLines(), (std::vector<std::string>{
                             "1", "8", "0", "1", "2400", "0", "1", "192.0.2.20", "10000", "10000",
                             "7", "1", "0", MaskKeyString(kDefaultKeyString128), "192.0.2.5"}));
}

TEST_F(SettingsDialogTest, KeyLineSelectsSizeOrFallsBackToTheDefault) {
  const std::string key192 = std::string(kKey) + "0123456789ABCDEF";
  const struct {
    std::string line;
    int aes_index;
    std::string key;
    bool encryption;
  } cases[] = {
      {std::string(30, '1'), 0, kDefaultKeyString128, false},
      {std::string(32, 'G'), 0, kDefaultKeyString128, false},
      {"", 0, kDefaultKeyString128, false},
      {MaskKeyString(kKey), 0, kKey, true},
      {MaskKeyString(key192), 1, key192, true},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = NetworkLines("192.0.2.20");
    lines[12] = "1";
    lines[13] = c.line;
    WriteLines(lines);
    const SettingsForm form = Load();
    EXPECT_EQ(form.aes_index, c.aes_index) << c.line;
    EXPECT_EQ(form.encryption, c.encryption) << c.line;
    EXPECT_EQ(state.EncryptionEnabled, c.encryption) << c.line;
    EXPECT_EQ(state.KeyString, c.key) << c.line;
    EXPECT_EQ(KeyText(form), c.key) << c.line;
    EXPECT_EQ(form.key_edits[c.key.size() / 2], "") << c.line;
    EXPECT_TRUE(form.key_masked[0]);
  }
}

TEST_F(SettingsDialogTest, CancelLeavesTheRunningValuesFollowingTheFile) {
  std::vector<std::string> lines = SerialLines();
  lines[10] = "2";
  lines[11] = "0";
  WriteLines(lines);
  state.ConnectionMode = ConnectionMode::kNetwork;
  Load();  // and no Accept: the dialog was cancelled
  EXPECT_EQ(state.PackageEndChar, 3);
  EXPECT_EQ(state.SpaceConverting, 0);
  EXPECT_EQ(state.ConnectionMode, ConnectionMode::kSerial);
  EXPECT_EQ(state.KeyString, kDefaultKeyString128);
  EXPECT_TRUE(serial.calls.empty());
}

TEST_F(SettingsDialogTest, NetworkChecksStopBeforeTheFileIsWritten) {
  const struct {
    int aes_index;
    int short_edit;  // key edit number left with one character, 0 for none
    std::string address;
    const char* error;
    AcceptOutcome outcome;
  } cases[] = {
      {1, 17, "192.0.2.20", kInvalidKeyStringMessage, AcceptOutcome::kStay},
      {0, 0, "192.0.2.300", kInvalidIpMessage, AcceptOutcome::kStayInReceiverAddress},
      {2, 0, "receiver.example", kInvalidIpMessage, AcceptOutcome::kStayInReceiverAddress},
      {0, 0, "FE80::1", nullptr, AcceptOutcome::kClose},
      {1, 0, "192.0.2.20", nullptr, AcceptOutcome::kClose},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir_ / kSettingsFileName);
    prompts.errors.clear();
    SettingsForm form;
    form.aes_index = c.aes_index;
    FillKey(form, std::string(kDefaultKeyString256) + "ZZ");
    if (c.short_edit != 0) form.key_edits[c.short_edit - kFirstKeyEdit] = "7";
    form.receiver_address = c.address;
    EXPECT_EQ(logic.Accept(form), c.outcome) << c.address;
    if (c.error == nullptr) {
      EXPECT_TRUE(prompts.errors.empty()) << c.address;
      EXPECT_EQ(FileLines().at(13).size(), KeyEditsInUse(c.aes_index) * 2u);
    } else {
      EXPECT_EQ(prompts.errors, std::vector<std::string>{c.error});
      EXPECT_FALSE(std::filesystem::exists(dir_ / kSettingsFileName)) << c.address;
    }
  }
}

TEST_F(SettingsDialogTest, SerialModeStoresAnEmptyKeyAndReadsBackTheDefault) {
  SettingsForm form;
  form.mode = ConnectionMode::kSerial;
  form.com_port_index = 2;
  form.hardware_flow = form.software_flow = true;
  form.encryption = true;
  form.key_edits[0] = "AB";  // the rest empty: no message in serial mode
  form.receiver_port = "100\r\n00";
  ASSERT_EQ(logic.Accept(form), AcceptOutcome::kClose);
  EXPECT_TRUE(prompts.errors.empty());
  EXPECT_EQ(test_port.settings.port_number, 3);
  EXPECT_EQ(test_port.calls, (std::vector<std::string>{"open", "close"}));
  EXPECT_EQ(FileLines(), (std::vector<std::string>{"3", "8", "0", "1", "2400", "3", "0", "0.0.0.0",
                                                   "10000", "10000", "19", "1", "1", "", ""}));
  EXPECT_TRUE(serial.open);  // reopened by the new connection
  const SettingsForm loaded = Load();
  EXPECT_EQ(KeyText(loaded), kDefaultKeyString128);
  EXPECT_FALSE(loaded.encryption);
  EXPECT_FALSE(state.EncryptionEnabled);
}

TEST_F(SettingsDialogTest, FailedPortTestKeepsFileAndRestoresTheMainPort) {
  const std::pair<const char*, std::string> cases[] = {
      {"Port is already open", PortAlreadyOpenMessage(4)},
      {"Device doesn't exist", PortMissingMessage(4)},
  };
  for (const auto& [failure, message] : cases) {
    prompts.errors.clear();
    serial.open = true;
    serial.calls.clear();
    test_port.failure = failure;
    SettingsForm form;
    form.mode = ConnectionMode::kSerial;
    form.com_port_index = 3;
    EXPECT_EQ(logic.Accept(form), AcceptOutcome::kStay);
    EXPECT_EQ(prompts.errors, std::vector<std::string>{message});
    EXPECT_EQ(serial.calls, (std::vector<std::string>{"close", "open"}));
    EXPECT_FALSE(test_port.open);
    EXPECT_FALSE(std::filesystem::exists(dir_ / kSettingsFileName));
  }
}

TEST_F(SettingsDialogTest, UnwritableFileIsReportedAndTheDialogStays) {
  std::filesystem::create_directory(dir_ / kSettingsFileName);
  SettingsForm form;
  FillKey(form, kDefaultKeyString256);
  EXPECT_EQ(logic.Accept(form), AcceptOutcome::kStay);
  EXPECT_EQ(prompts.errors, std::vector<std::string>{kSettingsNotWrittenMessage +
                                                     (dir_ / kSettingsFileName).string()});
  EXPECT_EQ(endpoint.deactivations, 0);  // no new connection
}

// The address list is filled in either mode and without a file, the IPv4 address selected, so
// line 15 is never written empty; without a file the design defaults stay and "OK" writes them.
TEST_F(SettingsDialogTest, FirstStartAndSerialFilesKeepDefaultsAndTheIpv4LocalAddress) {
  adapters.adapters =
      std::vector<NetworkAdapter>{{AdapterType::kEthernet, {testing::Ipv6(0x20, 0x01, 9, 4)}}};
  const std::string path = (dir_ / kSettingsFileName).string();
  const std::string key = MaskKeyString(kDefaultKeyString128);
  const struct {
    std::vector<std::string> file;  // none when empty
    std::vector<std::string> errors;
    std::vector<std::string> written;
  } cases[] = {
      {{},
       {"Cannot open file \"" + path + "\". No such file or directory"},
       {"2", "8", "0", "1", "2400", "0", "1", "0.0.0.0", "10000", "10000", "19", "1", "0", key,
        "192.0.2.5"}},
      {SerialLines(),
       {},
       {"1", "8", "0", "1", "9600", "0", "0", "", "", "", "19", "1", "0", key, "192.0.2.5"}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(path);
    if (!c.file.empty()) WriteLines(c.file);
    const SettingsForm form = Load();
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(form.local_address_index, 0);
    EXPECT_EQ(logic.Accept(form), AcceptOutcome::kClose);
    EXPECT_TRUE(prompts.errors.empty()) << prompts.errors.front();
    EXPECT_EQ(FileLines(), c.written);
  }
}

TEST_F(SettingsDialogTest, LocalAddressSelection) {
  adapters.adapters = std::vector<NetworkAdapter>{
      {AdapterType::kEthernet, {testing::Ipv6(0xFE, 0x80, 1, 4), testing::Ipv6(0x20, 0x01, 9, 4)}}};
  const std::string link_local = "FE80:0000:0000:0000:0000:0000:0000:0001";
  const std::string global = "2001:0000:0000:0000:0000:0000:0000:0009";
  const struct {
    std::string running_receiver;
    std::string stored;
    int index;
  } cases[] = {
      {"192.0.2.20", "fe80:0000:0000:0000:0000:0000:0000:0001", 0},  // IPv4 receiver wins
      {"FE80::7", "fe80:0000:0000:0000:0000:0000:0000:0001", 1},     // letter case ignored
      {"FE80::7", "192.0.2.5", 2},                                   // first global instead
      {"receiver.example", "198.51.100.1", 1},                       // not listed
      {"receiver.example", "192.0.2.5", 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = NetworkLines("192.0.2.20");
    lines[14] = c.stored;
    WriteLines(lines);
    state.ReceiverAddress = c.running_receiver;
    const SettingsForm form = Load();
    EXPECT_EQ(form.local_addresses, (std::vector<std::string>{"192.0.2.5", link_local, global}));
    EXPECT_EQ(form.local_address_index, c.index) << c.running_receiver << " " << c.stored;
  }
}

TEST_F(SettingsDialogTest, ReturnKeyToDefaultFillsOnlyTheEditsInUse) {
  SettingsForm form;
  form.aes_index = 1;
  form.key_edits[24] = "99";
  logic.ReturnKeyToDefault(form);
  EXPECT_EQ(KeyText(form), kDefaultKeyString192);
  EXPECT_EQ(form.key_edits[24], "99");
  EXPECT_TRUE(form.key_masked[23]);
  EXPECT_FALSE(form.key_masked[24]);
  EXPECT_EQ(prompts.information, std::vector<std::string>{kKeyReturnedMessage});
}

TEST(SettingsDialogTexts, TrailerItemsAndComCaptions) {
  EXPECT_EQ(TrailerItemText(1), "1   (Hex 01)");
  EXPECT_EQ(TrailerItemText(20), "20   (Hex 14)");
  EXPECT_EQ(TrailerItemText(255), "255   (Hex FF)");
  EXPECT_EQ(ComPortCaption(3, "/dev/ttyUSB0"), "COM3  (ttyUSB0)");
  EXPECT_EQ(ComPortCaption(5, "/dev/pts/7"), "COM5  (pts/7)");
  EXPECT_EQ(ComPortCaption(6, "COM6"), "COM6  (COM6)");
  EXPECT_EQ(ComPortCaption(4, ""), "COM4");
  EXPECT_EQ(ComPortCaption(2, "/dev/"), "COM2");
}

}  // namespace
}  // namespace v7400
