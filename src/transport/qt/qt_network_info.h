// The adapter list and host-name lookups on Qt Network.
#pragma once

#include "transport/address_discovery.h"

namespace v7400 {

// Every interface QNetworkInterface reports, in its order, with the IPv6 unicast addresses.
// The scope identifier of an address is its interface's index.
class QtAdapterSource : public AdapterSource {
 public:
  std::optional<std::vector<NetworkAdapter>> Adapters() override;
  std::string LocalHostName() override;
};

// Blocking lookups through QHostInfo.
class QtHostResolver : public HostResolver {
 public:
  std::vector<std::string> Resolve(const std::string& name) override;
};

}  // namespace v7400
