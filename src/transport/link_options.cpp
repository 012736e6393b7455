#include "transport/link_options.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "codec/cipher.h"
#include "codec/fault_hints.h"
#include "core/parse_whole.h"
#include "transport/address_checks.h"
#include "transport/settings_dialog_logic.h"

namespace v7400 {

namespace {

// The index of `text` among `names`, ignoring case.
std::optional<int> NameIndex(const std::string& text,
                             const std::initializer_list<const char*>& names) {
  int index = 0;
  for (const char* name : names) {
    const std::string candidate = name;
    if (std::ranges::equal(text, candidate, [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == b;
        })) {
      return index;
    }
    ++index;
  }
  return std::nullopt;
}

// One refusal; the caller returns nothing.
std::optional<GivenLink> Refuse(std::string& error, std::string text) {
  error = std::move(text);
  return std::nullopt;
}

std::string Port(const std::string& text, const char* option, std::string& error) {
  if (!ParseWhole<int>(text, 1, 65535))
    error = std::string(option) + ": '" + text + "' is not a UDP port from 1 to 65535";
  return text;
}

// Both links, or a companion option without its link: the refusal, or empty.
std::string LinkChoiceProblem(const LinkOptionTexts& t) {
  const bool udp = t.udp_host.has_value();
  const bool serial = t.serial_device.has_value();
  const bool udp_companion = t.local_port || t.local_address || t.key;
  const bool serial_companion = t.baud || t.data_bits || t.parity || t.stop_bits || t.flow;
  if (udp && serial) return "--udp and --serial both name the link; give one";
  if (!udp && udp_companion) {
    return std::string(t.key          ? "--key"
                       : t.local_port ? "--local-port"
                                      : "--local-address") +
           " works only with --udp";
  }
  if (!serial && serial_companion) {
    return "--baud, --data-bits, --parity, --stop-bits and --flow work only with --serial";
  }
  return {};
}

// --local-address, or the one an IPv6 receiver is heard on without it; false after a refusal.
bool ReadLocalAddress(const LinkOptionTexts& t, ConnectionSettings& s, std::string& error) {
  const bool ipv6 = IsIPv6Address(s.receiver_address);
  if (t.local_address) {
    if (!IsIPv4Address(*t.local_address) && !IsIPv6Address(*t.local_address)) {
      error = "--local-address: '" + *t.local_address + "' is not an IPv4 or IPv6 address";
      return false;
    }
    if (IsIPv6Address(*t.local_address) != ipv6) {
      error = "--local-address: '" + *t.local_address + "' is " + (ipv6 ? "IPv4" : "IPv6") +
              ", the receiver " + s.receiver_address + " " + (ipv6 ? "IPv6" : "IPv4");
      return false;
    }
    s.local_address = *t.local_address;
  } else if (ipv6) {
    // Every address of this computer, or the loopback one for a receiver on it: an address of
    // an adapter would never hear a receiver on the loopback.
    s.local_address = ExpandIPv6(s.receiver_address) == ExpandIPv6("::1") ? "::1" : "::";
  }
  return true;
}

std::optional<GivenLink> UdpLink(const LinkOptionTexts& t, GivenLink link, std::string& error) {
  ConnectionSettings& s = link.settings;
  s.connection_mode = ConnectionMode::kNetwork;
  // The dialog takes a numeric address only.
  if (!IsIPv4Address(*t.udp_host) && !IsIPv6Address(*t.udp_host)) {
    return Refuse(error, "--udp: '" + *t.udp_host + "' is not an IPv4 or IPv6 address");
  }
  s.receiver_address = *t.udp_host;
  if (!t.udp_port) return Refuse(error, "--udp takes two values: HOST PORT");
  s.receiver_port = Port(*t.udp_port, "--udp", error);
  s.local_port = Port(t.local_port.value_or("10000"), "--local-port", error);
  if (!error.empty() || !ReadLocalAddress(t, s, error)) return std::nullopt;
  if (t.key) {
    if (!IsKeyString(*t.key)) {
      const std::string hint = KeyStringHint(*t.key);  // a pass phrase typed as the key
      return Refuse(error,
                    "--key: " + (hint.empty() ? "not 32, 48 or 64 hexadecimal digits" : hint));
    }
    s.key_string = *t.key;
    s.encryption = true;
  }
  return link;
}

std::optional<GivenLink> SerialLink(const LinkOptionTexts& t, GivenLink link, std::string& error) {
  ConnectionSettings& s = link.settings;
  s.connection_mode = ConnectionMode::kSerial;
  if (t.serial_device->empty()) return Refuse(error, "--serial: no device named");
  link.serial_device = *t.serial_device;
  if (t.baud) {
    const auto baud = ParseWhole<int>(*t.baud, 1, 115200);
    if (!baud || std::ranges::find(kBaudRates, *baud) == kBaudRates.end()) {
      return Refuse(error,
                    "--baud: '" + *t.baud +
                        "' is not one of 110 300 600 1200 2400 4800 9600 19200 38400 57600 115200");
    }
    s.baud_rate = *baud;
  }
  if (t.data_bits) {
    const auto bits = ParseWhole<int>(*t.data_bits, 7, 8);
    if (!bits) return Refuse(error, "--data-bits: '" + *t.data_bits + "' is not 7 or 8");
    s.data_bits = *bits;
  }
  if (t.parity) {
    const auto parity = NameIndex(*t.parity, {"none", "odd", "even", "mark", "space"});
    if (!parity)
      return Refuse(error, "--parity: '" + *t.parity + "' is not none, odd, even, mark or space");
    s.parity = *parity;
  }
  if (t.stop_bits) {
    const auto stop = ParseWhole<int>(*t.stop_bits, 1, 2);
    if (!stop) return Refuse(error, "--stop-bits: '" + *t.stop_bits + "' is not 1 or 2");
    s.stop_bits = *stop;
  }
  if (t.flow) {
    const auto flow = NameIndex(*t.flow, {"none", "hardware", "xon", "both"});
    if (!flow) return Refuse(error, "--flow: '" + *t.flow + "' is not none, hardware, xon or both");
    s.flow_control = *flow;
  }
  return link;
}

}  // namespace

std::optional<GivenLink> ParseLinkOptions(const LinkOptionTexts& t, std::string& error) {
  if (std::string problem = LinkChoiceProblem(t); !problem.empty()) {
    return Refuse(error, std::move(problem));
  }
  if (!t.udp_host && !t.serial_device) return std::nullopt;
  GivenLink link;
  // Without --key the dialog's default key stands in the file, with encryption off.
  link.settings.key_string = kDefaultKeyString128;
  return t.udp_host ? UdpLink(t, std::move(link), error) : SerialLink(t, std::move(link), error);
}

}  // namespace v7400
