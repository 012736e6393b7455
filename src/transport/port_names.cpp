#include "transport/port_names.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace v7400 {

namespace {

std::string BaseName(const std::string& device) {
  const std::size_t slash = device.find_last_of("/\\");
  return slash == std::string::npos ? device : device.substr(slash + 1);
}

bool IsAdapter(const std::string& base) {
  return base.find("USB") != std::string::npos || base.find("ACM") != std::string::npos;
}

// The name split into its text and its trailing number, for a natural order.
std::tuple<int, std::string, unsigned long, std::string> SortKey(const std::string& device) {
  const std::string base = BaseName(device);
  std::size_t digits = base.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(base[digits - 1])) != 0) --digits;
  const std::string tail = base.substr(digits).substr(0, 9);
  const unsigned long number = tail.empty() ? 0 : std::stoul(tail);
  return {IsAdapter(base) ? 0 : 1, base.substr(0, digits), number, device};
}

}  // namespace

std::vector<std::string> OrderSerialDevices(std::vector<std::string> devices) {
  std::sort(devices.begin(), devices.end(),
            [](const std::string& a, const std::string& b) { return SortKey(a) < SortKey(b); });
  devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
  return devices;
}

std::string DeviceForPort(int port_number, PortNamePreferences& preferences,
                          const std::vector<std::string>& ordered_devices) {
  if (std::optional<std::string> stored = preferences.ReadPortName(port_number);
      stored && !stored->empty()) {
    return *stored;
  }
  if (port_number < 1 || static_cast<std::size_t>(port_number) > ordered_devices.size()) return {};
  return ordered_devices[static_cast<std::size_t>(port_number - 1)];
}

}  // namespace v7400
