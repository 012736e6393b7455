// The link given on the command line instead of the settings file: --udp, --serial and their
// companions, checked as the settings dialog checks the same fields.
#pragma once

#include <optional>
#include <string>

#include "transport/connection_settings.h"

namespace v7400 {

// The option texts as typed; an empty optional is an option not given.
struct LinkOptionTexts {
  std::optional<std::string> udp_host = {};
  std::optional<std::string> udp_port = {};
  std::optional<std::string> local_port = {};
  std::optional<std::string> local_address = {};
  std::optional<std::string> serial_device = {};
  std::optional<std::string> baud = {};
  std::optional<std::string> data_bits = {};
  std::optional<std::string> parity = {};
  std::optional<std::string> stop_bits = {};
  std::optional<std::string> flow = {};
  std::optional<std::string> key = {};
};

// The link for one run. A serial device is used as it is: COM1 stands for it in this run.
struct GivenLink {
  ConnectionSettings settings;
  std::string serial_device;  // empty for UDP
  bool operator==(const GivenLink&) const = default;
};

// Nothing and no error when no link option was given; nothing with `error` set to one line
// naming the option when a value or a combination is refused.
std::optional<GivenLink> ParseLinkOptions(const LinkOptionTexts& texts, std::string& error);

}  // namespace v7400

#include "transport/port_names.h"

namespace v7400 {

// The COM table with one port standing for a device given on the command line; the stored
// table is written only when that device is adopted (the settings dialog's "OK").
class GivenPortNames : public PortNamePreferences {
 public:
  explicit GivenPortNames(PortNamePreferences& stored) : stored_(stored) {}

  void Give(int port_number, std::string device) {
    port_number_ = port_number;
    device_ = std::move(device);
  }
  void Adopt() {
    if (!device_.empty()) stored_.WritePortName(port_number_, device_);
    device_.clear();
  }

  std::optional<std::string> ReadPortName(int port_number) override {
    if (!device_.empty() && port_number == port_number_) return device_;
    return stored_.ReadPortName(port_number);
  }
  void WritePortName(int port_number, const std::string& device) override {
    if (port_number == port_number_) device_.clear();
    stored_.WritePortName(port_number, device);
  }

 private:
  PortNamePreferences& stored_;
  int port_number_ = 0;
  std::string device_;
};

}  // namespace v7400
