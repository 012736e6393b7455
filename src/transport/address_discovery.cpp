#include "transport/address_discovery.h"

#include <stdexcept>

#include "transport/address_checks.h"

namespace v7400 {

namespace {

bool IsLinkLocal(const AdapterAddress& address) {
  return address.bytes[0] == 0xFE && address.bytes[1] == 0x80;
}

}  // namespace

std::vector<NetworkAdapter> AddressDiscovery::QualifyingAdapters() {
  std::vector<NetworkAdapter> qualifying;
  std::optional<std::vector<NetworkAdapter>> adapters = source_.Adapters();
  if (!adapters) return qualifying;
  for (NetworkAdapter& adapter : *adapters) {
    if (adapter.type == AdapterType::kEthernet || adapter.type == AdapterType::kWireless) {
      qualifying.push_back(std::move(adapter));
    }
  }
  return qualifying;
}

void AddressDiscovery::RecordLinkLocalScope() {
  for (const NetworkAdapter& adapter : QualifyingAdapters()) {
    for (const AdapterAddress& address : adapter.ipv6_unicast) {
      if (IsLinkLocal(address)) {
        link_local_scope_id_ = address.scope_id;
        break;
      }
    }
  }
}

void AddressDiscovery::ListIPv6Addresses(std::vector<std::string>& list) {
  for (const NetworkAdapter& adapter : QualifyingAdapters()) {
    for (const AdapterAddress& address : adapter.ipv6_unicast) {
      list.push_back(FormatIPv6Bytes(address.bytes));
    }
  }
}

std::string AddressDiscovery::FirstGlobalIPv6() {
  std::string result;
  std::string fallback;
  for (const NetworkAdapter& adapter : QualifyingAdapters()) {
    for (const AdapterAddress& address : adapter.ipv6_unicast) {
      link_local_scope_id_ = address.scope_id;
      if (IsLinkLocal(address)) {
        fallback = FormatIPv6Bytes(address.bytes);
        continue;
      }
      result = FormatIPv6Bytes(address.bytes);
      if (address.flags == 0) break;
    }
    if (!result.empty()) return result;
  }
  return fallback;
}

std::string AddressDiscovery::ShownIPv4Address(std::string& failure, bool keep_loopback) {
  std::string primary;
  try {
    primary = PrimaryIPv4Address();
  } catch (const std::exception& error) {
    failure = error.what();
  }
  if (!primary.empty() && (keep_loopback || !primary.starts_with("127."))) return primary;
  for (const NetworkAdapter& adapter : QualifyingAdapters()) {
    if (!adapter.ipv4.empty()) return adapter.ipv4.front();
  }
  return {};
}

std::string AddressDiscovery::PrimaryIPv4Address() {
  for (const std::string& address : resolver_.Resolve(source_.LocalHostName())) {
    if (IsIPv4Address(address)) return address;
  }
  return {};
}

}  // namespace v7400
