// This computer's addresses: its IPv6 addresses on Ethernet and wireless adapters, its primary
// IPv4 address, and the scope identifier used with link-local IPv6 addresses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace v7400 {

enum class AdapterType { kEthernet, kWireless, kOther };

struct AdapterAddress {
  std::array<std::uint8_t, 16> bytes{};
  std::uint32_t scope_id = 0;
  std::uint32_t flags = 0;  // 0 for a plain address; non-zero marks a special one
};

struct NetworkAdapter {
  AdapterType type = AdapterType::kOther;
  std::vector<AdapterAddress> ipv6_unicast;  // in the order the system reports them
  std::vector<std::string> ipv4 = {};        // its IPv4 addresses, as text
};

// The operating system's adapter list and host name.
class AdapterSource {
 public:
  virtual ~AdapterSource() = default;
  // Every adapter in the order the system reports them, or nothing when the query fails.
  virtual std::optional<std::vector<NetworkAdapter>> Adapters() = 0;
  virtual std::string LocalHostName() = 0;
};

class HostResolver {
 public:
  virtual ~HostResolver() = default;
  // The numeric address texts a host name resolves to, IPv4 and IPv6, in the resolver's order.
  // Throws std::runtime_error when the name cannot be resolved.
  virtual std::vector<std::string> Resolve(const std::string& name) = 0;
};

class AddressDiscovery {
 public:
  AddressDiscovery(AdapterSource& source, HostResolver& resolver)
      : source_(source), resolver_(resolver) {}

  // Keeps the scope of the first link-local address of the last adapter that has one.
  void RecordLinkLocalScope();
  // Appends every unicast IPv6 address of every Ethernet and wireless adapter.
  void ListIPv6Addresses(std::vector<std::string>& list);
  // The first plain global address, else the last global address of the first adapter that
  // has one, else the last link-local address seen; empty when there is none.
  std::string FirstGlobalIPv6();
  // The first IPv4 address the computer's own name resolves to; empty when it resolves to
  // none. Throws when the name cannot be resolved.
  std::string PrimaryIPv4Address();
  // The IPv4 address to show for this computer: the primary one unless it is missing or a
  // loopback address (a "127.0.1.1" hosts entry), then the first IPv4 address of an Ethernet
  // or wireless adapter; empty when there is none. Never throws: `failure` gets why the
  // computer's name did not resolve. `keep_loopback`: a loopback primary address stands.
  std::string ShownIPv4Address(std::string& failure, bool keep_loopback = false);

  std::uint32_t LinkLocalScopeId() const { return link_local_scope_id_; }

 private:
  std::vector<NetworkAdapter> QualifyingAdapters();

  AdapterSource& source_;
  HostResolver& resolver_;
  std::uint32_t link_local_scope_id_ = 0;
};

}  // namespace v7400
