#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/random_source.h"
#include "core/serial_device.h"
#include "core/udp_endpoint.h"
#include "fake_links.h"
#include "transport/address_discovery.h"

namespace v7400::testing {

// Hands out the bytes 0, 1, 2, ... so every initialisation vector is known.
class CountingRandom : public RandomSource {
 public:
  void Fill(std::span<std::uint8_t> bytes) override {
    for (std::uint8_t& byte : bytes) byte = next++;
  }
  std::uint8_t next = 0;
};

class FakeUdpEndpoint : public UdpEndpoint {
 public:
  struct Sent {
    std::string bytes;
    UdpDestination to;
  };
  void SetDatagramHandler(DatagramHandler h) override { handler = std::move(h); }
  std::uint16_t DefaultPort() const override { return default_port; }
  void SetDefaultPort(std::uint16_t port) override { default_port = port; }
  void Deactivate() override {
    active = false;
    binding.reset();
    ++deactivations;
  }
  void SetBinding(const UdpBinding& b) override { binding = b; }
  void Activate() override {
    if (!activate_error.empty()) throw std::runtime_error(activate_error);
    active = true;
  }
  bool IsActive() const override { return active; }
  void SendTo(const std::string& bytes, const UdpDestination& to) override {
    if (!send_error.empty()) throw std::runtime_error(send_error);
    sent.push_back({bytes, to});
  }

  DatagramHandler handler;
  std::uint16_t default_port = 0;
  std::optional<UdpBinding> binding;
  bool active = false;
  int deactivations = 0;
  std::string activate_error;
  std::string send_error;
  std::vector<Sent> sent;
};

// A serial device whose open outcome the test chooses; records settings and calls.
class FakeSerialDevice : public FeedablePort<SerialDevice> {
 public:
  SerialSettings Settings() const override { return settings; }
  void SetSettings(const SerialSettings& s) override { settings = s; }
  bool Open() override {
    calls.push_back("open");
    open = failure.empty();
    return open;
  }
  void Close() override {
    calls.push_back("close");
    open = false;
  }
  bool IsOpen() const override { return open; }
  std::string FailureText() const override { return failure; }
  void DiscardInput() override {
    calls.push_back("discard input");
    incoming.clear();
  }
  void DiscardOutput() override { calls.push_back("discard output"); }
  void SetDataAvailableHandler(DataAvailableHandler h) override { handler = std::move(h); }

  SerialSettings settings;
  bool open = false;
  std::string failure;
  std::vector<std::string> calls;
  DataAvailableHandler handler;
};

class FakeAdapterSource : public AdapterSource {
 public:
  std::optional<std::vector<NetworkAdapter>> Adapters() override {
    ++queries;
    return adapters;
  }
  std::string LocalHostName() override { return host_name; }

  std::optional<std::vector<NetworkAdapter>> adapters = std::vector<NetworkAdapter>{};
  std::string host_name = "simhost";
  int queries = 0;
};

// Answers from a table; a name not in it fails to resolve.
class FakeHostResolver : public HostResolver {
 public:
  std::vector<std::string> Resolve(const std::string& name) override {
    resolved.push_back(name);
    const auto found = table.find(name);
    if (found == table.end()) throw std::runtime_error("host not found: " + name);
    return found->second;
  }
  std::map<std::string, std::vector<std::string>> table;
  std::vector<std::string> resolved;
};

}  // namespace v7400::testing
