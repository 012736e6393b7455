// Loads any text as the settings file "APSsets.sys": the parser must round-trip what it
// accepts, and opening the connection from the file must never crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fakes/fake_display_view.h"
#include "fakes/fake_prompts.h"
#include "fakes/fake_transport.h"
#include "transport/connection_manager.h"

namespace {

using namespace v7400;
using namespace v7400::testing;

const std::filesystem::path& SettingsPath() {
  static const std::filesystem::path path = [] {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("v7400-settings-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / kSettingsFileName;
  }();
  return path;
}

void CheckRoundTrip(std::string_view text) {
  const auto parsed = ConnectionSettings::Parse(text);
  if (!parsed) return;
  const auto again = ConnectionSettings::Parse(parsed->ToString());
  if (!again || !(*again == *parsed)) std::abort();
}

void Open(std::string_view text, OpenVariant variant) {
  {
    std::ofstream file(SettingsPath(), std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  SimulatorState state;
  InitialiseLines(state);
  FakeSerialDevice serial;
  FakeUdpEndpoint endpoint;
  FakeAdapterSource adapters;
  FakeHostResolver resolver;
  resolver.table["simhost"] = {"192.0.2.5"};
  resolver.table["localhost"] = {"127.0.0.1", "::1"};
  AddressDiscovery discovery{adapters, resolver};
  CountingRandom random;
  TRijndael cipher{random};
  FakePrompts prompts;
  FakeDisplayView view;
  ConnectionManager manager{
      state, {serial, endpoint, discovery, resolver, cipher, prompts, view}, SettingsPath()};
  manager.OpenConnection(variant);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckRoundTrip(text);
  Open(text, (data[0] & 1U) != 0 ? OpenVariant::kDialog : OpenVariant::kStartUp);
  return 0;
}
