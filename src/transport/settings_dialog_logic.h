// The settings dialog without its widgets: the values its controls hold, loading them from the
// settings file (which also refreshes the running protocol and key values), the mode, list and
// encryption rules, and the checks and file write behind "OK".
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/prompts.h"
#include "core/serial_device.h"
#include "core/simulator_state.h"
#include "transport/address_discovery.h"
#include "transport/connection_manager.h"
#include "transport/key_edit_rules.h"

namespace v7400 {

inline constexpr char kInvalidKeyStringMessage[] = "Invalid KeyString!";
inline constexpr char kInvalidIpMessage[] = "Invalid ip!";
inline constexpr char kKeyReturnedMessage[] = "The KeyString has been returned to default.";
inline constexpr char kSettingsNotWrittenMessage[] = "The settings could not be written to ";

inline constexpr int kTrailerItemCount = 255;
inline constexpr std::array<int, 11> kBaudRates = {110,  300,   600,   1200,  2400,  4800,
                                                   9600, 19200, 38400, 57600, 115200};
inline constexpr std::size_t kReceiverAddressMaxLength = 39;
inline constexpr std::size_t kPortTextMaxLength = 5;

// What the dialog's controls hold; the defaults are those of the form's design.
struct SettingsForm {
  ConnectionMode mode = ConnectionMode::kNetwork;  // RadioGroup1
  int com_port_index = 1;   // RDcomport: COM1 .. COM8
  int data_bits_index = 1;  // RDdatabits: 7, 8
  int parity_index = 0;     // RDParity
  int stop_bits_index = 1;  // RDstopbitSel
  int baud_index = 4;       // CBcomspeed, kBaudRates
  bool hardware_flow = false;
  bool software_flow = false;
  std::string receiver_address = "0.0.0.0";  // Edit1
  std::string receiver_port = "10000";       // Edit2
  std::string local_port = "10000";          // Edit4
  std::vector<std::string> local_addresses;  // cbx_LocalIP
  int local_address_index = -1;
  int trailer_index = 19;  // the end byte is index + 1
  int space_index = 1;
  bool encryption = false;
  int aes_index = -1;  // cbx_AESSelection
  KeyEditTexts key_edits;
  std::array<bool, kKeyEditCount> key_masked{};  // shown as "*"

  bool operator==(const SettingsForm&) const = default;
};

// "1   (Hex 01)" .. "255   (Hex FF)".
std::string TrailerItemText(int value);
// "COM3", or "COM3  (ttyUSB0)" when the port stands for the device "/dev/ttyUSB0": the folder
// is left out so four captions fit side by side.
std::string ComPortCaption(int port_number, const std::string& device);

// Key edits in use: 16, 24 or 32 for "AES 128", "AES 192" and anything else.
int KeyEditsInUse(int aes_index);
bool KeyEditEnabled(const SettingsForm& form, int number);
// The texts of the key edits in use, joined.
std::string KeyText(const SettingsForm& form);
// The settings file the form stands for.
ConnectionSettings SettingsFromForm(const SettingsForm& form);

struct SettingsDialogPorts {
  SimulatorState& state;
  AddressDiscovery& discovery;
  SerialDevice& main_serial;  // the window's port
  SerialDevice& test_serial;  // the dialog's own, only for trying a port
  Prompts& prompts;
  ConnectionManager& connection;
  // The device COMn stands for; empty when none.
  std::function<std::string(int port_number)> device_for_port = nullptr;
};

enum class AcceptOutcome { kClose, kStay, kStayInReceiverAddress };

class SettingsDialogLogic {
 public:
  explicit SettingsDialogLogic(const SettingsDialogPorts& ports) : ports_(ports) {}

  // Reads the settings file into the form and refreshes the running values from it. A line
  // that cannot be read keeps the design default; its message is returned for the error log.
  // Without a file the form keeps its design defaults and one message is returned.
  std::vector<std::string> Load(SettingsForm& form);
  // After the mode changed: in TCP/IP mode the local address list is filled afresh.
  void ModeChanged(SettingsForm& form, std::vector<std::string>& errors);
  // "&Return Key String to default value": the edits are filled and shown, then the box says so.
  void ReturnKeyToDefault(SettingsForm& form,
                          const std::function<void(const SettingsForm&)>& show = nullptr);
  // "OK": the checks, the port test, the file and the new connection.
  AcceptOutcome Accept(const SettingsForm& form);
  // The reveal chord's box with every key edit's text.
  void ShowRevealMessage(const KeyEditTexts& edits) {
    ports_.prompts.ShowMessage(RevealMessage(edits));
  }

  std::string ComPortCaption(int port_number) const;
  std::string DeviceForPort(int port_number) const;

 private:
  void LoadSerialLines(const SettingsLines& lines, SettingsForm& form,
                       std::vector<std::string>& errors);
  void LoadNetworkLines(const SettingsLines& lines, SettingsForm& form,
                        std::vector<std::string>& errors);
  void LoadKeyLine(const std::string& line, SettingsForm& form);
  void SelectStoredLocalAddress(SettingsForm& form, std::string stored,
                                std::vector<std::string>& errors);
  void FillLocalAddresses(SettingsForm& form, std::vector<std::string>& errors);
  bool CheckNetworkFields(const SettingsForm& form, AcceptOutcome& outcome);
  bool TestSerialPort(int port_number);

  SettingsDialogPorts ports_;
};

}  // namespace v7400
