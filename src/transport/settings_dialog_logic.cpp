#include "transport/settings_dialog_logic.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "codec/cipher.h"
#include "transport/address_checks.h"
#include "transport/key_string_mask.h"
#include "transport/port_names.h"

namespace v7400 {

namespace {

bool AllHex(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isxdigit(c) != 0; });
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::toupper(x) == std::toupper(y);
  });
}

// A line break inside a field would shift every later line of the file.
std::string WithoutLineBreaks(std::string text) {
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
  return text;
}

// Selects index value - offset when the line holds an integer that gives an index below
// `count`; another integer keeps the selection. Throws when the line is not an integer.
void SelectIndex(const std::string& line, int offset, int count, int& index) {
  const int selected = ParseSettingsInteger(line) - offset;
  if (selected >= 0 && selected < count) index = selected;
}

// Runs one loading step; a line that does not convert leaves its controls at their defaults.
template <typename Step>
void LoadStep(std::vector<std::string>& errors, Step&& step) {
  try {
    step();
  } catch (const std::exception& error) {
    errors.emplace_back(error.what());
  }
}

const char* DefaultKeyString(int aes_index) {
  switch (aes_index) {
    case 0:
      return kDefaultKeyString128;
    case 1:
      return kDefaultKeyString192;
    default:
      return kDefaultKeyString256;
  }
}

}  // namespace

std::string TrailerItemText(int value) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(value) & 0xFFU);
  return std::to_string(value) + "   (Hex " + hex + ")";
}

std::string ComPortCaption(int port_number, const std::string& device) {
  std::string caption = "COM" + std::to_string(port_number);
  constexpr std::string_view kDeviceFolder = "/dev/";
  std::string_view shown = device;
  if (shown.starts_with(kDeviceFolder)) shown.remove_prefix(kDeviceFolder.size());
  if (!shown.empty()) caption += "  (" + std::string(shown) + ")";
  return caption;
}

int KeyEditsInUse(int aes_index) {
  if (aes_index == 0) return 16;
  if (aes_index == 1) return 24;
  return kKeyEditCount;
}

bool KeyEditEnabled(const SettingsForm& form, int number) {
  return form.encryption && number - kFirstKeyEdit < KeyEditsInUse(form.aes_index);
}

std::string KeyText(const SettingsForm& form) {
  std::string text;
  for (int i = 0; i < KeyEditsInUse(form.aes_index); ++i) text += form.key_edits[i];
  return text;
}

ConnectionSettings SettingsFromForm(const SettingsForm& form) {
  ConnectionSettings settings;
  settings.port_number = form.com_port_index + 1;
  settings.data_bits = form.data_bits_index + 7;
  settings.parity = form.parity_index;
  settings.stop_bits = form.stop_bits_index;
  settings.baud_rate = kBaudRates.at(static_cast<std::size_t>(form.baud_index));
  settings.flow_control = (form.hardware_flow ? 1 : 0) + (form.software_flow ? 2 : 0);
  settings.connection_mode = form.mode;
  settings.receiver_address = WithoutLineBreaks(form.receiver_address);
  settings.receiver_port = WithoutLineBreaks(form.receiver_port);
  settings.local_port = WithoutLineBreaks(form.local_port);
  settings.end_char_index = form.trailer_index;
  settings.space_conversion = form.space_index;
  settings.encryption = form.encryption;
  const std::string key = KeyText(form);
  settings.key_string = AllHex(key) ? key : std::string();
  const auto index = static_cast<std::size_t>(form.local_address_index);
  if (form.local_address_index >= 0 && index < form.local_addresses.size()) {
    settings.local_address = WithoutLineBreaks(form.local_addresses[index]);
  }
  return settings;
}

std::string SettingsDialogLogic::DeviceForPort(int port_number) const {
  return ports_.device_for_port ? ports_.device_for_port(port_number) : std::string();
}

std::string SettingsDialogLogic::ComPortCaption(int port_number) const {
  return v7400::ComPortCaption(port_number, DeviceForPort(port_number));
}

std::vector<std::string> SettingsDialogLogic::Load(SettingsForm& form) {
  std::vector<std::string> errors;
  // The form opens in TCP/IP mode, which fills the address list: a serial file keeps it too,
  // and its line 15 is written from it.
  FillLocalAddresses(form, errors);
  const std::filesystem::path& path = ports_.connection.SettingsPath();
  const auto& given = ports_.connection.GivenLines();
  // Without a file the design defaults stay, with the default key in the key edits as for an
  // unusable key line, so the first "OK" writes a file.
  std::string problem = given ? std::string() : SettingsFileProblem(path);
  if (!problem.empty()) {
    errors.push_back(std::move(problem));
    LoadKeyLine({}, form);
    return errors;
  }
  const SettingsLines lines = given ? *given : ReadSettingsFile(path);
  LoadSerialLines(lines, form, errors);
  LoadNetworkLines(lines, form, errors);
  LoadKeyLine(lines[kLineMaskedKey], form);
  if (form.mode == ConnectionMode::kNetwork) {
    SelectStoredLocalAddress(form, lines[kLineLocalAddress], errors);
  }
  return errors;
}

void SettingsDialogLogic::LoadSerialLines(const SettingsLines& lines, SettingsForm& form,
                                          std::vector<std::string>& errors) {
  LoadStep(errors, [&] {
    int port = ParseSettingsInteger(lines[kLinePortNumber]);
    if (port > kComPortCount || port <= 0) port = 1;
    form.com_port_index = port - 1;
  });
  LoadStep(errors, [&] { SelectIndex(lines[kLineDataBits], 7, 2, form.data_bits_index); });
  LoadStep(errors, [&] { SelectIndex(lines[kLineParity], 0, 5, form.parity_index); });
  LoadStep(errors, [&] { SelectIndex(lines[kLineStopBits], 0, 3, form.stop_bits_index); });
  const auto rate = std::find_if(kBaudRates.begin(), kBaudRates.end(), [&](int candidate) {
    return std::to_string(candidate) == lines[kLineBaudRate];
  });
  if (rate != kBaudRates.end()) form.baud_index = static_cast<int>(rate - kBaudRates.begin());
  LoadStep(errors, [&] {
    const int flow = ParseSettingsInteger(lines[kLineFlowControl]);
    if (flow < 0 || flow > 3) return;
    form.hardware_flow = (flow & 1) != 0;
    form.software_flow = (flow & 2) != 0;
  });
  LoadStep(errors, [&] {
    int mode = static_cast<int>(form.mode);
    SelectIndex(lines[kLineConnectionMode], 0, 2, mode);
    form.mode = static_cast<ConnectionMode>(mode);
    ports_.state.ConnectionMode = form.mode;
  });
}

void SettingsDialogLogic::LoadNetworkLines(const SettingsLines& lines, SettingsForm& form,
                                           std::vector<std::string>& errors) {
  form.receiver_address = lines[kLineReceiverAddress];
  form.receiver_port = lines[kLineReceiverPort];
  form.local_port = lines[kLineLocalPort];
  LoadStep(errors, [&] {
    SelectIndex(lines[kLineEndCharIndex], 0, kTrailerItemCount, form.trailer_index);
    ports_.state.PackageEndChar = form.trailer_index + 1;
  });
  LoadStep(errors, [&] {
    SelectIndex(lines[kLineSpaceConversion], 0, 2, form.space_index);
    ports_.state.SpaceConverting = form.space_index;
  });
  form.encryption = lines[kLineEncryption] == "1";
  ports_.state.EncryptionEnabled = form.encryption;
}

void SettingsDialogLogic::LoadKeyLine(const std::string& line, SettingsForm& form) {
  std::string key;
  if (IsKeyString(line)) key = MaskKeyString(line);
  if (key.empty()) {
    // No usable key: encryption goes off and the 128-bit default takes its place.
    form.encryption = false;
    ports_.state.EncryptionEnabled = false;
    key = kDefaultKeyString128;
  }
  form.aes_index = key.size() == 32 ? 0 : key.size() == 48 ? 1 : 2;
  ports_.state.KeyString = key;
  for (int i = 0; i < kKeyEditCount; ++i) {
    const auto first = static_cast<std::size_t>(i) * kKeyEditLength;
    form.key_edits[i] = first < key.size() ? key.substr(first, kKeyEditLength) : std::string();
    form.key_masked[i] = true;
  }
}

void SettingsDialogLogic::FillLocalAddresses(SettingsForm& form, std::vector<std::string>& errors) {
  form.local_addresses.clear();
  std::string failure;
  // The list keeps the address the name resolves to, loopback or not, as it always did.
  form.local_addresses.push_back(ports_.discovery.ShownIPv4Address(failure, true));
  if (!failure.empty()) errors.push_back(failure);
  ports_.discovery.ListIPv6Addresses(form.local_addresses);
  form.local_address_index = 0;
  if (IsIPv6Address(ports_.state.ReceiverAddress) && form.local_addresses.size() >= 2) {
    form.local_address_index = 1;
  }
}

void SettingsDialogLogic::SelectStoredLocalAddress(SettingsForm& form, std::string stored,
                                                   std::vector<std::string>& errors) {
  const std::string& receiver = ports_.state.ReceiverAddress;
  if (IsIPv6Address(receiver) && !IsIPv6Address(stored)) {
    LoadStep(errors, [&] { stored = ports_.discovery.FirstGlobalIPv6(); });
  }
  const auto& list = form.local_addresses;
  const auto found = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
    return SameIgnoringCase(entry, stored);
  });
  if (found != list.end()) {
    form.local_address_index = static_cast<int>(found - list.begin());
  } else {
    form.local_address_index = list.size() >= 2 ? 1 : list.empty() ? -1 : 0;
  }
  if (IsIPv4Address(receiver) && !IsIPv4Address(stored) && !list.empty()) {
    form.local_address_index = 0;
  }
}

void SettingsDialogLogic::ModeChanged(SettingsForm& form, std::vector<std::string>& errors) {
  if (form.mode == ConnectionMode::kNetwork) FillLocalAddresses(form, errors);
}

void SettingsDialogLogic::ReturnKeyToDefault(SettingsForm& form,
                                             const std::function<void(const SettingsForm&)>& show) {
  const std::string key = DefaultKeyString(form.aes_index);
  for (int i = 0; i < KeyEditsInUse(form.aes_index); ++i) {
    form.key_edits[i] = key.substr(static_cast<std::size_t>(i) * kKeyEditLength, kKeyEditLength);
    form.key_masked[i] = true;
  }
  if (show) show(form);
  ports_.prompts.ShowInformation(kKeyReturnedMessage);
}

AcceptOutcome SettingsDialogLogic::Accept(const SettingsForm& form) {
  AcceptOutcome outcome = AcceptOutcome::kClose;
  if (form.mode == ConnectionMode::kNetwork && !CheckNetworkFields(form, outcome)) return outcome;
  if (form.mode == ConnectionMode::kSerial && !TestSerialPort(form.com_port_index + 1)) {
    return AcceptOutcome::kStay;
  }
  const std::filesystem::path& path = ports_.connection.SettingsPath();
  if (!WriteSettingsFile(path, SettingsFromForm(form))) {
    ports_.prompts.ShowError(kSettingsNotWrittenMessage + path.string());
    return AcceptOutcome::kStay;
  }
  ports_.connection.OpenConnection(OpenVariant::kDialog);
  return AcceptOutcome::kClose;
}

bool SettingsDialogLogic::CheckNetworkFields(const SettingsForm& form, AcceptOutcome& outcome) {
  const std::string key = KeyText(form);
  const auto wanted = static_cast<std::size_t>(KeyEditsInUse(form.aes_index)) * kKeyEditLength;
  if (key.size() != wanted || !IsKeyString(key)) {
    ports_.prompts.ShowError(kInvalidKeyStringMessage);
    outcome = AcceptOutcome::kStay;
    return false;
  }
  if (!IsIPv4Address(form.receiver_address) && !IsIPv6Address(form.receiver_address)) {
    ports_.prompts.ShowError(kInvalidIpMessage);
    outcome = AcceptOutcome::kStayInReceiverAddress;
    return false;
  }
  return true;
}

bool SettingsDialogLogic::TestSerialPort(int port_number) {
  const bool main_was_open = ports_.main_serial.IsOpen();
  ports_.main_serial.Close();
  SerialSettings settings = ports_.test_serial.Settings();
  settings.port_number = port_number;
  ports_.test_serial.SetSettings(settings);
  const bool opened = ports_.test_serial.Open();
  const std::string failure = ports_.test_serial.FailureText();
  ports_.test_serial.Close();
  if (main_was_open) ports_.main_serial.Open();
  if (!opened) ports_.prompts.ShowError(PortFailureMessage(port_number, failure));
  return opened;
}

}  // namespace v7400
