#include "transport/connection_manager.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "codec/frame.h"
#include "transport/address_checks.h"
#include "transport/key_string_mask.h"

namespace v7400 {

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string ComparableAddress(const std::string& text, IpVersion version) {
  return version == IpVersion::kIPv6 ? PadIPv6Groups(Upper(ExpandIPv6(text))) : Upper(text);
}

bool IsNumericAddress(const std::string& text) {
  return IsIPv4Address(text) || IsIPv6Address(text);
}

// Removes leading and trailing blanks and control characters.
std::string TrimControl(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// The port text as the low 16 bits of its decimal value.
std::uint16_t LocalPortNumber(const std::string& text) {
  return static_cast<std::uint16_t>(static_cast<unsigned>(ParseSettingsInteger(text)) & 0xFFFF);
}

std::uint16_t DestinationPort(const std::string& text) {
  const int port = ParseSettingsInteger(text);
  if (port < 0 || port > 0xFFFF)
    throw std::out_of_range("receiver port " + text + " is out of range");
  return static_cast<std::uint16_t>(port);
}

constexpr char kParityLetters[] = "NOEMS";

}  // namespace

namespace {

std::string ComName(int port_number) { return "Com" + std::to_string(port_number); }

}  // namespace

std::string PortAlreadyOpenMessage(int port_number) {
  return PortFailureMessage(ComName(port_number), "already open");
}

std::string PortMissingMessage(int port_number) {
  return PortFailureMessage(ComName(port_number), "doesn't exist");
}

std::string PortOpenFailedMessage(int port_number, const std::string& failure) {
  return ComName(port_number) + " could not be opened: " + failure;
}

std::string PortFailureMessage(int port_number, const std::string& failure) {
  return PortFailureMessage(ComName(port_number), failure);
}

std::string PortFailureMessage(const std::string& port_name, const std::string& failure) {
  if (failure.find("already open") != std::string::npos) {
    return port_name +
           " has already been opened by another program,please configure to another com port.";
  }
  if (failure.find("doesn't exist") != std::string::npos) {
    return "Either " + port_name +
           " does not exist in your PC or the com port is damaged,please configure to another "
           "com port.";
  }
  return port_name + " could not be opened: " + failure;
}

bool SenderMatchesReceiver(const SimulatorState& state, const std::string& sender,
                           IpVersion version) {
  const std::string wanted = ComparableAddress(sender, version);
  if (ComparableAddress(state.ReceiverAddress, version) == wanted) return true;
  if (IsNumericAddress(state.ReceiverAddress)) return false;
  return std::any_of(
      state.ReceiverResolvedAddresses.begin(), state.ReceiverResolvedAddresses.end(),
      [&](const std::string& resolved) { return ComparableAddress(resolved, version) == wanted; });
}

void ConnectionManager::OpenConnection(OpenVariant variant) {
  ports_.serial.Close();
  ports_.endpoint.Deactivate();
  retry_pending_ = false;
  if (variant == OpenVariant::kDialog && given_lines_) {
    given_lines_.reset();
    if (on_given_adopted_) on_given_adopted_();
  }
  const bool given = variant == OpenVariant::kStartUp && given_lines_;
  if (const std::string problem = given ? std::string() : SettingsFileProblem(settings_path_);
      variant == OpenVariant::kStartUp && !problem.empty()) {
    // A file that is there but cannot be read (a FIFO, a folder, no permission) is worth a line.
    std::error_code error;
    if (std::filesystem::exists(settings_path_, error)) Report(problem);
    state_.SettingsMissing = true;
    ports_.view.ShowStatus(kStatusPanelConnection, kNoSettingsStatus);
    return;
  }
  try {
    std::string refusal;
    const SettingsLines lines = given ? *given_lines_ : ReadSettingsFile(settings_path_, &refusal);
    if (!refusal.empty()) Report(refusal);
    std::string status;
    if (!ApplySerialLines(lines, variant, status)) return;
    ApplyProtocolLines(lines, variant);
    if (state_.ConnectionMode == ConnectionMode::kNetwork) status = ActivateEndpoint();
    ports_.view.ShowStatus(kStatusPanelConnection, status);
  } catch (const std::exception& error) {
    // A line that cannot be read or a bad key string ends the operation here; the status panel
    // keeps its previous text and the error log says which line.
    Report(error.what());
  }
}

bool ConnectionManager::ApplySerialLines(const SettingsLines& lines, OpenVariant variant,
                                         std::string& status) {
  SerialSettings serial = ports_.serial.Settings();
  serial.port_number = SettingsLineInteger(kLinePortNumber, lines[kLinePortNumber]);
  ports_.serial.SetSettings(serial);
  status = kSerialStatusPrefix + lines[kLinePortNumber];

  serial.data_bits = SettingsLineInteger(kLineDataBits, lines[kLineDataBits]);
  ports_.serial.SetSettings(serial);
  status += " " + lines[kLineDataBits];

  const int parity = SettingsLineInteger(kLineParity, lines[kLineParity]);
  if (parity >= 0 && parity <= 4) {
    serial.parity = static_cast<Parity>(parity);
    ports_.serial.SetSettings(serial);
    status += kParityLetters[parity];
  }

  status += lines[kLineStopBits];
  serial.stop_bits = SettingsLineInteger(kLineStopBits, lines[kLineStopBits]);
  ports_.serial.SetSettings(serial);

  status += " " + lines[kLineBaudRate];
  serial.baud_rate = SettingsLineInteger(kLineBaudRate, lines[kLineBaudRate]);
  ports_.serial.SetSettings(serial);

  const int flow = SettingsLineInteger(kLineFlowControl, lines[kLineFlowControl]);
  if (flow >= 0 && flow <= 3) {
    serial.hardware_flow = (flow & 1) != 0;
    serial.software_flow = (flow & 2) != 0;
    ports_.serial.SetSettings(serial);
  }

  state_.ConnectionMode = static_cast<ConnectionMode>(
      SettingsLineInteger(kLineConnectionMode, lines[kLineConnectionMode]));
  return state_.ConnectionMode != ConnectionMode::kSerial || OpenSerialPort(variant);
}

bool ConnectionManager::OpenSerialPort(OpenVariant variant) {
  if (!ports_.serial.Open()) {
    if (variant == OpenVariant::kStartUp) {
      const int port = ports_.serial.Settings().port_number;
      ports_.prompts.ShowError(
          PortFailureMessage(given_device_.empty() ? ComName(port) : given_device_,
                             ports_.serial.FailureText()));
      state_.OpenFailed = true;
    }
    return false;
  }
  // Whatever waited on the line before the port opened is no frame of this session; the
  // system's buffer is not visible through ByteReady right after the open.
  ports_.serial.DiscardInput();
  ports_.serial.DiscardOutput();
  return true;
}

void ConnectionManager::ApplyProtocolLines(const SettingsLines& lines, OpenVariant variant) {
  const bool network = state_.ConnectionMode == ConnectionMode::kNetwork;
  if (network) {
    state_.ReceiverAddress = lines[kLineReceiverAddress];
    state_.ReceiverResolvedAddresses.clear();
    state_.ReceiverPort = variant == OpenVariant::kDialog ? TrimControl(lines[kLineReceiverPort])
                                                          : lines[kLineReceiverPort];
    // Refused here, or every answer would fail to go out while the frames look answered.
    SettingsLinePort(kLineReceiverPort, state_.ReceiverPort, false);
    const int local_port = SettingsLineInteger(kLineLocalPort, lines[kLineLocalPort]);
    // The port is kept as 16 bits; a larger number would quietly bind another port.
    out_of_range_port_ = local_port >= 0 && local_port <= 0xFFFF ? "" : lines[kLineLocalPort];
    ports_.endpoint.SetDefaultPort(LocalPortNumber(lines[kLineLocalPort]));
  }
  state_.PackageEndChar = SettingsLineInteger(kLineEndCharIndex, lines[kLineEndCharIndex]) + 1;
  state_.SpaceConverting = SettingsLineInteger(kLineSpaceConversion, lines[kLineSpaceConversion]);
  state_.EncryptionEnabled = lines[kLineEncryption] == "1";
  try {
    state_.KeyString = MaskKeyString(lines[kLineMaskedKey]);
  } catch (const std::invalid_argument&) {
    // The key itself stays out of the message.
    throw std::invalid_argument(SettingsLineMessage(kLineMaskedKey, "", "is not hexadecimal"));
  }
  if (variant == OpenVariant::kDialog) ports_.cipher.SetKeyString(state_.KeyString);
  configured_local_address_ = lines[kLineLocalAddress];
}

std::string ConnectionManager::ActivateEndpoint() {
  const bool ipv6_receiver = IsIPv6Address(state_.ReceiverAddress);
  std::string ipv6_local;
  UdpBinding binding;
  binding.port = ports_.endpoint.DefaultPort();
  if (ipv6_receiver) {
    ipv6_local = IsIPv6Address(configured_local_address_) ? configured_local_address_
                                                          : ports_.discovery.FirstGlobalIPv6();
    binding.version = IpVersion::kIPv6;
    binding.address = ipv6_local;
    binding.scope_id = ScopeIdFor(ipv6_local, ports_.discovery.LinkLocalScopeId());
  } else {
    binding.address = "0.0.0.0";
  }
  ports_.endpoint.SetBinding(binding);
  const bool bound = out_of_range_port_.empty() && TryActivate();
  if (!IsNumericAddress(state_.ReceiverAddress)) ResolveReceiverName();

  // What the socket listens on: an IPv4 binding takes every address, so the one shown is this
  // computer's own, or the binding itself when it has none to show.
  std::string shown_local = ipv6_local;
  if (shown_local.empty()) {
    std::string failure;
    shown_local = ports_.discovery.ShownIPv4Address(failure);
    if (!failure.empty() && !name_failing_) Report(failure);
    name_failing_ = !failure.empty();
    if (shown_local.empty()) shown_local = binding.address;
  }
  const char* label =
      IsNumericAddress(state_.ReceiverAddress) ? kLabelReceiverIp : kLabelReceiverName;
  // Port 0 lets the system choose; the text says which port that was.
  const std::uint16_t shown_port =
      bound && binding.port == 0 ? ports_.endpoint.BoundPort() : binding.port;
  connection_text_ = "Local IP: " + shown_local + " [Port:" + std::to_string(shown_port) + "]   " +
                     label + state_.ReceiverAddress + " [Port:" + state_.ReceiverPort + "]";
  if (!out_of_range_port_.empty()) {
    Report(SettingsLineMessage(kLineLocalPort, out_of_range_port_, "out of range"));
    return connection_text_ + kPortOutOfRangeSuffix;
  }
  retry_pending_ = !bound;
  return bound ? connection_text_ : connection_text_ + kPortBusySuffix;
}

bool ConnectionManager::TryActivate() {
  try {
    ports_.endpoint.Activate();
  } catch (const std::runtime_error& error) {
    if (!bind_failing_) Report(error.what());
    bind_failing_ = true;
    return false;
  }
  bind_failing_ = false;
  return true;
}

void ConnectionManager::RetryBinding() {
  if (!retry_pending_ || state_.Closing != 0 || state_.ConnectionMode != ConnectionMode::kNetwork) {
    return;
  }
  if (!TryActivate()) return;
  retry_pending_ = false;
  ports_.view.ShowStatus(kStatusPanelConnection, connection_text_);
}

void ConnectionManager::ResolveReceiverName() {
  try {
    state_.ReceiverResolvedAddresses = ports_.resolver.Resolve(state_.ReceiverAddress);
  } catch (const std::exception&) {
    // An unknown name matches no sender and cannot be sent to; the link still opens.
    state_.ReceiverResolvedAddresses.clear();
  }
}

bool ConnectionManager::KeyMatches(const ReceiverKey& key) const {
  return key.valid && key.port == state_.ReceiverPort && key.address == state_.ReceiverAddress &&
         key.resolved == state_.ReceiverResolvedAddresses &&
         key.scope_id == ports_.discovery.LinkLocalScopeId();
}

ConnectionManager::ReceiverKey ConnectionManager::CurrentKey() const {
  return ReceiverKey{state_.ReceiverPort, state_.ReceiverAddress, state_.ReceiverResolvedAddresses,
                     ports_.discovery.LinkLocalScopeId(), true};
}

bool ConnectionManager::IsFromReceiver(const std::string& sender_address, IpVersion version) {
  SenderMemo& memo = sender_memo_;
  if (!KeyMatches(memo.key) || memo.sender != sender_address || memo.version != version) {
    memo = SenderMemo{CurrentKey(), sender_address, version,
                      SenderMatchesReceiver(state_, sender_address, version)};
  }
  return memo.matches;
}

const UdpDestination& ConnectionManager::Destination() const {
  DestinationMemo& memo = destination_memo_;
  if (!KeyMatches(memo.key)) {
    memo = DestinationMemo{CurrentKey(), {}, nullptr};
    try {
      memo.destination = WorkOutDestination();
    } catch (...) {
      memo.failure = std::current_exception();
    }
  }
  if (memo.failure) std::rethrow_exception(memo.failure);
  return memo.destination;
}

UdpDestination ConnectionManager::WorkOutDestination() const {
  UdpDestination to;
  to.port = DestinationPort(state_.ReceiverPort);
  to.address = state_.ReceiverAddress;
  if (!IsNumericAddress(to.address)) {
    const auto& resolved = state_.ReceiverResolvedAddresses;
    const auto ipv4 = std::find_if(resolved.begin(), resolved.end(), IsIPv4Address);
    if (ipv4 == resolved.end()) {
      throw std::runtime_error("receiver '" + to.address + "' has no IPv4 address");
    }
    to.address = *ipv4;
  }
  to.scope_id = ScopeIdFor(to.address, ports_.discovery.LinkLocalScopeId());
  return to;
}

std::string ConnectionManager::SendProblem() const {
  try {
    Destination();
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}

void ConnectionManager::SendDatagram(const std::string& bytes) {
  state_.SentWire.clear();
  if (state_.EncryptionEnabled) {
    const UdpDestination& to = Destination();
    std::string packet = ports_.cipher.EncryptPayload(bytes).Wire();
    ports_.endpoint.SendTo(packet, to);
    state_.SentWire = std::move(packet);
    return;
  }
  if (!state_.Debug.SimulateSendingCrcError) {
    ports_.endpoint.SendTo(bytes, Destination());  // the wire holds the frame as it is
    return;
  }
  std::string frame = bytes;
  ApplySendingCrcError(frame, 1, state_.Debug);
  ports_.endpoint.SendTo(frame, Destination());
  state_.SentWire = std::move(frame);
}

}  // namespace v7400
