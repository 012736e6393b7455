// COM1 .. COM8 as this machine's serial devices: a table kept in the preferences, defaulting to
// the machine's devices in a stable order.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace v7400 {

inline constexpr int kComPortCount = 8;

class PortNamePreferences {
 public:
  virtual ~PortNamePreferences() = default;
  // The device stored for COMn, or nothing when none is stored.
  virtual std::optional<std::string> ReadPortName(int port_number) = 0;
  virtual void WritePortName(int port_number, const std::string& device) = 0;
};

// USB and ACM adapters first, then every other port; within a kind by name, numbers compared
// by value ("/dev/ttyUSB2" before "/dev/ttyUSB10").
std::vector<std::string> OrderSerialDevices(std::vector<std::string> devices);

// The device for COMn: the stored one, else the n-th of the ordered devices, else empty text
// (there is no such port).
std::string DeviceForPort(int port_number, PortNamePreferences& preferences,
                          const std::vector<std::string>& ordered_devices);

}  // namespace v7400
