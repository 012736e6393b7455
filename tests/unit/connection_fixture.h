// The connection manager with fakes for every port and a settings file in a directory of its
// own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/fake_display_view.h"
#include "fakes/fake_prompts.h"
#include "fakes/fake_transport.h"
#include "transport/connection_manager.h"
#include "transport/key_string_mask.h"

namespace v7400::testing {

inline const char kKey[] = "00112233445566778899AABBCCDDEEFF";

inline std::vector<std::string> SerialLines() {
  return {"1", "8", "0", "1", "9600", "0", "0", "", "", "", "19", "1", "0", "", ""};
}
inline std::vector<std::string> NetworkLines(const std::string& receiver) {
  return {"1", "8", "0", "1", "9600", "0", "1", receiver, "10000", "10000", "19", "1", "0", "", ""};
}

inline AdapterAddress Ipv6(std::uint8_t first, std::uint8_t second, std::uint8_t last,
                           std::uint32_t scope) {
  AdapterAddress address;
  address.bytes[0] = first;
  address.bytes[1] = second;
  address.bytes[15] = last;
  address.scope_id = scope;
  return address;
}

class ConnectionManagerTest : public ::testing::Test {
 public:
  ConnectionManagerTest() {
    std::filesystem::create_directories(dir_);
    std::filesystem::remove(dir_ / kSettingsFileName);
    resolver.table["simhost"] = {"192.0.2.5"};
    InitialiseLines(state);
  }
  ~ConnectionManagerTest() override { std::filesystem::remove_all(dir_); }

  void WriteLines(const std::vector<std::string>& lines) {
    std::ofstream file(dir_ / kSettingsFileName, std::ios::binary);
    for (const std::string& line : lines) file << line << "\r\n";
  }
  void Open(OpenVariant variant = OpenVariant::kStartUp) { manager.OpenConnection(variant); }

  static std::filesystem::path TestDirectory() {
    return std::filesystem::temp_directory_path() /
           ("v7400-conn-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  std::filesystem::path dir_ = TestDirectory();
  SimulatorState state;
  FakeSerialDevice serial;
  FakeUdpEndpoint endpoint;
  FakeAdapterSource adapters;
  FakeHostResolver resolver;
  AddressDiscovery discovery{adapters, resolver};
  CountingRandom random;
  TRijndael cipher{random};
  FakePrompts prompts;
  FakeDisplayView view;
  ConnectionManager manager{state,
                            {serial, endpoint, discovery, resolver, cipher, prompts, view},
                            dir_ / kSettingsFileName};
};

}  // namespace v7400::testing
