#include "transport/qt/qt_network_info.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <stdexcept>

#include "transport/qt/qt_udp_endpoint.h"

namespace v7400 {

namespace {

AdapterType TypeOf(const QNetworkInterface& interface) {
  switch (interface.type()) {
    case QNetworkInterface::Ethernet:
      return AdapterType::kEthernet;
    case QNetworkInterface::Wifi:
      return AdapterType::kWireless;
    default:
      return AdapterType::kOther;
  }
}

}  // namespace

std::optional<std::vector<NetworkAdapter>> QtAdapterSource::Adapters() {
  std::vector<NetworkAdapter> adapters;
  for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
    NetworkAdapter adapter;
    adapter.type = TypeOf(interface);
    for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
      const QHostAddress ip = entry.ip();
      if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback()) {
        adapter.ipv4.push_back(ip.toString().toStdString());
      }
      if (ip.protocol() != QAbstractSocket::IPv6Protocol || ip.isMulticast()) continue;
      AdapterAddress address;
      const Q_IPV6ADDR raw = ip.toIPv6Address();
      for (std::size_t i = 0; i < address.bytes.size(); ++i) address.bytes[i] = raw[i];
      address.scope_id = static_cast<std::uint32_t>(interface.index());
      address.flags = entry.dnsEligibility() == QNetworkAddressEntry::DnsEligible ? 1u : 0u;
      adapter.ipv6_unicast.push_back(address);
    }
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

std::string QtAdapterSource::LocalHostName() { return QHostInfo::localHostName().toStdString(); }

std::vector<std::string> QtHostResolver::Resolve(const std::string& name) {
  const QHostInfo info = QHostInfo::fromName(QString::fromStdString(name));
  if (info.error() != QHostInfo::NoError) {
    throw std::runtime_error("'" + name +
                             "' cannot be resolved: " + info.errorString().toStdString());
  }
  std::vector<std::string> addresses;
  for (const QHostAddress& address : info.addresses()) addresses.push_back(AddressText(address));
  return addresses;
}

}  // namespace v7400
