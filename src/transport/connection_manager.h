// Reads the settings file and opens the configured transport, and sends frames over UDP.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codec/cipher.h"
#include "core/display_view.h"
#include "core/link_ports.h"
#include "core/prompts.h"
#include "core/serial_device.h"
#include "core/simulator_state.h"
#include "core/udp_endpoint.h"
#include "transport/address_discovery.h"
#include "transport/connection_settings.h"

namespace v7400 {

enum class OpenVariant { kStartUp, kDialog };

inline constexpr int kStatusPanelConnection = 2;
inline constexpr char kSerialStatusPrefix[] = "Local PC:  COM";
inline constexpr char kLabelReceiverIp[] = "V9100 IP:";
inline constexpr char kLabelReceiverName[] = "V9100 DNS Name:";
// After the connection text while the UDP port cannot be bound, or is no port at all.
inline constexpr char kPortBusySuffix[] = "   (port busy, retrying)";
inline constexpr char kPortOutOfRangeSuffix[] = "   (port out of range)";
// The connection panel at a start without a settings file.
inline constexpr char kNoSettingsStatus[] =
    "No connection settings yet: press Settings to choose the link to the receiver";

// The error boxes of a serial port that cannot be opened at start-up, for "Com4" or for a
// device the command line named.
std::string PortAlreadyOpenMessage(int port_number);
std::string PortMissingMessage(int port_number);
std::string PortOpenFailedMessage(int port_number, const std::string& failure);
// The box for a failed open, chosen by the serial layer's failure text.
std::string PortFailureMessage(int port_number, const std::string& failure);
std::string PortFailureMessage(const std::string& port_name, const std::string& failure);

// True when a datagram's sender is the receiver: for an IPv6 binding both texts compare after
// expansion, padding and upper-casing, else textually ignoring case. A receiver given by host
// name also matches any address the name resolved to when the connection opened.
bool SenderMatchesReceiver(const SimulatorState& state, const std::string& sender,
                           IpVersion version);

struct ConnectionPorts {
  SerialDevice& serial;
  UdpEndpoint& endpoint;
  AddressDiscovery& discovery;
  HostResolver& resolver;
  TRijndael& cipher;
  Prompts& prompts;
  DisplayView& view;
};

class ConnectionManager : public DatagramSender, public NetworkIngress {
 public:
  ConnectionManager(SimulatorState& state, const ConnectionPorts& ports,
                    std::filesystem::path settings_path)
      : state_(state), ports_(ports), settings_path_(std::move(settings_path)) {}

  // Closes both transports, then applies the file line by line and opens the configured one.
  // A line that cannot be read ends the operation silently; what was applied stays applied.
  // A UDP port that cannot be bound is shown after the connection text and tried again by
  // RetryBinding.
  // At start-up without a settings file the status panel says so and SettingsMissing is set.
  void OpenConnection(OpenVariant variant);
  // Once a second: binds the UDP port again while it could not be bound.
  void RetryBinding();
  bool BindingPending() const { return retry_pending_; }

  // Told what the error log should get: a settings file that was refused, the first failure of
  // each spell in which the UDP port cannot be bound.
  using ProblemHandler = std::function<void(const std::string& message)>;
  void SetProblemHandler(ProblemHandler handler) { on_problem_ = std::move(handler); }

  // One frame to the receiver: encrypted when encryption is on, else with the sending-CRC
  // debug option applied. Throws when the port text is not a number, the receiver name did not
  // resolve, or the network refuses the datagram.
  void SendDatagram(const std::string& bytes) override;
  std::string SendProblem() const override;

  // For the network receive path: SenderMatchesReceiver on the current settings, and the
  // cipher's DecryptPacket (which throws for a datagram over 1042 bytes).
  bool IsFromReceiver(const std::string& sender_address, IpVersion version) override;
  std::string DecryptPacket(const std::string& datagram) override {
    return ports_.cipher.DecryptPacket(datagram);
  }

  // Settings given for this run instead of the file: used at start-up and shown by the dialog,
  // until the dialog writes the file (then `adopted` is told, so the rest of the link follows).
  // `device`: the serial device named in place of a COM port, for the messages.
  void UseGivenSettings(const ConnectionSettings& settings, std::function<void()> adopted = {},
                        std::string device = {}) {
    given_lines_ = SplitSettingsLines(settings.ToString());
    on_given_adopted_ = std::move(adopted);
    given_device_ = std::move(device);
  }
  const std::optional<SettingsLines>& GivenLines() const { return given_lines_; }

  const std::string& ConfiguredLocalAddress() const { return configured_local_address_; }
  const std::filesystem::path& SettingsPath() const { return settings_path_; }

 private:
  // Lines 1 to 7; false when the serial port failed to open (the operation ends).
  bool ApplySerialLines(const SettingsLines& lines, OpenVariant variant, std::string& status);
  bool OpenSerialPort(OpenVariant variant);
  void ApplyProtocolLines(const SettingsLines& lines, OpenVariant variant);
  // Binds and activates the endpoint; returns the status text.
  std::string ActivateEndpoint();
  // True when the endpoint listens; reports the first failure of a spell.
  bool TryActivate();
  void Report(const std::string& message) const {
    if (on_problem_) on_problem_(message);
  }
  void ResolveReceiverName();
  const UdpDestination& Destination() const;
  UdpDestination WorkOutDestination() const;

  // The receiver's settings an answer's destination and the sender check were worked out from:
  // every datagram asks both, and they change only with the settings (or the sender).
  struct ReceiverKey {
    std::string port;
    std::string address;
    std::vector<std::string> resolved;
    std::uint32_t scope_id = 0;
    bool valid = false;
  };
  bool KeyMatches(const ReceiverKey& key) const;
  ReceiverKey CurrentKey() const;
  struct DestinationMemo {
    ReceiverKey key;
    UdpDestination destination;
    std::exception_ptr failure;  // why there is none
  };
  struct SenderMemo {
    ReceiverKey key;
    std::string sender;
    IpVersion version = IpVersion::kIPv4;
    bool matches = false;
  };
  mutable DestinationMemo destination_memo_;
  SenderMemo sender_memo_;

  SimulatorState& state_;
  ConnectionPorts ports_;
  std::filesystem::path settings_path_;
  std::string configured_local_address_;
  std::string out_of_range_port_;  // the local port's text when it names no UDP port
  std::string connection_text_;    // the status text of the open UDP link, without a suffix
  bool retry_pending_ = false;
  bool bind_failing_ = false;  // within a spell of failed binds
  bool name_failing_ = false;  // within a spell in which this computer's name does not resolve
  ProblemHandler on_problem_;
  std::optional<SettingsLines> given_lines_;
  std::string given_device_;
  std::function<void()> on_given_adopted_;
};

}  // namespace v7400
