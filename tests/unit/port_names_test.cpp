#include "transport/port_names.h"

#include <gtest/gtest.h>

#include <map>

namespace v7400 {
namespace {

class MapPreferences : public PortNamePreferences {
 public:
  std::optional<std::string> ReadPortName(int port_number) override {
    const auto found = names.find(port_number);
    if (found == names.end()) return std::nullopt;
    return found->second;
  }
  void WritePortName(int port_number, const std::string& device) override {
    names[port_number] = device;
  }
  std::map<int, std::string> names;
};

TEST(PortNamesTest, AdaptersFirstThenBuiltInPortsInNaturalOrder) {
  const std::vector<std::string> devices = {"/dev/ttyS10", "/dev/ttyS2",    "/dev/ttyACM0",
                                            "/dev/ttyS0",  "/dev/ttyUSB10", "/dev/ttyUSB2",
                                            "/dev/ttyS0",  "/dev/ttyAMA0"};
  EXPECT_EQ(OrderSerialDevices(devices),
            (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10",
                                      "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10"}));
  EXPECT_EQ(OrderSerialDevices({"ttyS1", "ttyS99999999999999999999"}),
            (std::vector<std::string>{"ttyS1", "ttyS99999999999999999999"}));
}

TEST(PortNamesTest, StoredNamesWinOverTheDefaults) {
  MapPreferences preferences;
  const std::vector<std::string> ordered = {"/dev/ttyUSB0", "/dev/ttyS0"};
  EXPECT_EQ(DeviceForPort(1, preferences, ordered), "/dev/ttyUSB0");
  EXPECT_EQ(DeviceForPort(2, preferences, ordered), "/dev/ttyS0");
  EXPECT_EQ(DeviceForPort(3, preferences, ordered), "");
  EXPECT_EQ(DeviceForPort(0, preferences, ordered), "");
  EXPECT_EQ(DeviceForPort(-5, preferences, ordered), "");
  preferences.WritePortName(3, "/dev/pts/7");
  preferences.WritePortName(1, "");  // an empty entry falls back to the default
  EXPECT_EQ(DeviceForPort(3, preferences, ordered), "/dev/pts/7");
  EXPECT_EQ(DeviceForPort(1, preferences, ordered), "/dev/ttyUSB0");
}

}  // namespace
}  // namespace v7400
