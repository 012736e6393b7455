// The link on the Qt transports: serial port, UDP endpoint, address discovery, the cipher and
// the connection manager that reads "APSsets.sys".
#pragma once

#include <QSettings>
#include <QTimer>
#include <memory>
#include <string>

#include "app/link.h"
#include "codec/cipher.h"
#include "core/display_view.h"
#include "core/prompts.h"
#include "core/serial_device.h"
#include "core/simulator_state.h"
#include "transport/address_discovery.h"
#include "transport/connection_manager.h"
#include "transport/link_options.h"
#include "transport/qt/qt_network_info.h"
#include "transport/qt/qt_port_name_preferences.h"
#include "transport/qt/qt_serial_device.h"
#include "transport/qt/platform_udp_endpoint.h"
#include "transport/settings_dialog_logic.h"

namespace v7400 {

class QtLink : public Link {
 public:
  static constexpr int kFinishWritesMs = 1000;

  QtLink(SimulatorState& state, DisplayView& view, Prompts& prompts,
         const std::string& settings_path)
      : state_(state),
        port_settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                       QStringLiteral("V7400")),
        port_names_(port_settings_),
        given_names_(port_names_),
        serial_(given_names_),
        discovery_(adapters_, resolver_),
        connection_(
            state,
            ConnectionPorts{serial_, endpoint_, discovery_, resolver_, cipher_, prompts, view},
            settings_path) {
    // A UDP port that could not be bound is tried again once a second, as a lost serial
    // device is.
    retry_timer_.setInterval(1000);
    QObject::connect(&retry_timer_, &QTimer::timeout, [this] { connection_.RetryBinding(); });
    retry_timer_.start();
  }

  SerialPort& Serial() override { return serial_; }
  DatagramSender& Network() override { return connection_; }
  NetworkIngress& Ingress() override { return connection_; }

  void SetSerialDataHandler(SerialDataHandler handler) override {
    serial_.SetDataAvailableHandler(std::move(handler));
  }
  void SetSerialLinkHandler(SerialLinkHandler handler) override {
    serial_.SetLinkStateHandler(std::move(handler));
  }
  void SetConnectionProblemHandler(ProblemHandler handler) override {
    connection_.SetProblemHandler(std::move(handler));
  }
  void DiscoverLinkLocalAddress() override { discovery_.RecordLinkLocalScope(); }
  bool CreateNetworkObjects() override { return true; }
  void OpenConnectionAtStartup() override { connection_.OpenConnection(OpenVariant::kStartUp); }
  void AttachDatagramHandler(DatagramHandler handler) override {
    endpoint_.SetDatagramHandler([handler = std::move(handler)](const ReceivedDatagram& d) {
      handler(d.bytes, d.sender, d.version);
    });
  }
  void SetBurstEndHandler(std::function<void()> handler) override {
    endpoint_.SetBurstEndHandler(std::move(handler));
  }
  void CreateCipher(const std::string& key_string) override { cipher_.SetKeyString(key_string); }
  void ReleaseNetworkObjects() override {
    endpoint_.SetDatagramHandler(nullptr);
    endpoint_.SetBurstEndHandler(nullptr);
    endpoint_.Deactivate();
  }

  // What the settings dialog works with: the link's state, transports and connection manager,
  // the dialog's own `test_port` and the dialog's `prompts`.
  SettingsDialogPorts DialogPorts(SerialDevice& test_port, Prompts& prompts) {
    return SettingsDialogPorts{
        .state = state_,
        .discovery = discovery_,
        .main_serial = serial_,
        .test_serial = test_port,
        .prompts = prompts,
        .connection = connection_,
        .device_for_port = [this](int port) { return serial_.DeviceFor(port); },
    };
  }
  // The link named on the command line takes the settings file's place for this run.
  void UseGivenLink(const GivenLink& link) {
    if (!link.serial_device.empty()) {
      given_names_.Give(link.settings.port_number, link.serial_device);
    }
    connection_.UseGivenSettings(link.settings, [this] { given_names_.Adopt(); },
                                 link.serial_device);
  }
  bool IsOpen() const override {
    return state_.ConnectionMode == ConnectionMode::kNetwork ? endpoint_.IsActive()
                                                             : serial_.IsOpen();
  }
  std::string SerialDeviceName() const override {
    const int port = serial_.Settings().port_number;
    const std::string device = serial_.DeviceFor(port);
    return device.empty() ? "COM" + std::to_string(port) : device;
  }
  std::uint16_t LocalPort() const override { return endpoint_.DefaultPort(); }
  std::uint16_t BoundLocalPort() const override { return endpoint_.BoundPort(); }
  void FinishSerialWrites() override { serial_.FinishWrites(kFinishWritesMs); }

  // A serial port of the dialog's own for its port test, on the same COM table.
  std::unique_ptr<SerialDevice> MakeTestPort() {
    return std::make_unique<QtSerialDevice>(given_names_);
  }

 private:
  SimulatorState& state_;
  QSettings port_settings_;
  QtPortNamePreferences port_names_;
  GivenPortNames given_names_;
  QtSerialDevice serial_;
  PlatformUdpEndpoint endpoint_;
  QtAdapterSource adapters_;
  QtHostResolver resolver_;
  AddressDiscovery discovery_;
  TRijndael cipher_;
  ConnectionManager connection_;
  QTimer retry_timer_;
};

// `settings_path`: the settings file, WorkDir joined with "APSsets.sys".
std::unique_ptr<QtLink> MakeQtLink(SimulatorState& state, DisplayView& view, Prompts& prompts,
                                   const std::string& settings_path);

}  // namespace v7400
