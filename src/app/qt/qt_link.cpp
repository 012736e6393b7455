#include "app/qt/qt_link.h"

#include <QSettings>

#include "transport/address_discovery.h"
#include "transport/cipher.h"
#include "transport/connection_manager.h"
#include "transport/qt/qt_network_info.h"
#include "transport/qt/qt_port_name_preferences.h"
#include "transport/qt/qt_serial_device.h"
#include "transport/qt/qt_udp_endpoint.h"

namespace v7400 {

namespace {

class QtLink : public Link {
 public:
  QtLink(SimulatorState& state, DisplayView& view, Prompts& prompts,
         const std::string& settings_path)
      : port_settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                       QStringLiteral("V7400")),
        port_names_(port_settings_),
        serial_(port_names_),
        discovery_(adapters_, resolver_),
        connection_(
            state,
            ConnectionPorts{serial_, endpoint_, discovery_, resolver_, cipher_, prompts, view},
            settings_path) {}

  SerialPort& Serial() override { return serial_; }
  DatagramSender& Network() override { return connection_; }
  NetworkIngress& Ingress() override { return connection_; }

  void SetSerialDataHandler(SerialDataHandler handler) override {
    serial_.SetDataAvailableHandler(std::move(handler));
  }
  void SetSerialLinkHandler(SerialLinkHandler handler) override {
    serial_.SetLinkStateHandler(std::move(handler));
  }
  void DiscoverLinkLocalAddress() override { discovery_.RecordLinkLocalScope(); }
  bool CreateNetworkObjects() override { return true; }
  void OpenConnectionAtStartup() override { connection_.OpenConnection(OpenVariant::kStartUp); }
  void AttachDatagramHandler(DatagramHandler handler) override {
    endpoint_.SetDatagramHandler([handler = std::move(handler)](const ReceivedDatagram& d) {
      handler(d.bytes, d.sender, d.version == IpVersion::kIPv6);
    });
  }
  void CreateCipher(const std::string& key_string) override { cipher_.SetKeyString(key_string); }
  void ReleaseNetworkObjects() override {
    endpoint_.SetDatagramHandler(nullptr);
    endpoint_.Deactivate();
  }

 private:
  QSettings port_settings_;
  QtPortNamePreferences port_names_;
  QtSerialDevice serial_;
  QtUdpEndpoint endpoint_;
  QtAdapterSource adapters_;
  QtHostResolver resolver_;
  AddressDiscovery discovery_;
  TRijndael cipher_;
  ConnectionManager connection_;
};

}  // namespace

std::unique_ptr<Link> MakeQtLink(SimulatorState& state, DisplayView& view, Prompts& prompts,
                                 const std::string& settings_path) {
  return std::make_unique<QtLink>(state, view, prompts, settings_path);
}

}  // namespace v7400
