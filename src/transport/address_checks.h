// Text checks on IPv4 and IPv6 address texts, the expansion of compressed IPv6 text used when a
// sender is compared with the receiver's address, and the link-local scope rule.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace v7400 {

// Four dot-separated decimal parts of 0 to 255 each; blanks around a part are ignored and
// leading zeros are accepted.
bool IsIPv4Address(const std::string& text);

// Up to eight hexadecimal groups of 0 to FFFF separated by ":", at most one "::", and an
// optional hexadecimal zone "%n" on the last group.
bool IsIPv6Address(const std::string& text);

// Replaces the "::" of a compressed IPv6 text by the missing zero groups ("FE80::1" becomes
// "FE80:0:0:0:0:0:0:1"). Groups are not padded. Empty text when the text has more than seven
// colons or is empty.
std::string ExpandIPv6(const std::string& text);

// Left-pads every ":"-separated group with "0" to four characters ("0:12:ABCD" becomes
// "0000:0012:ABCD"); longer groups stay as they are.
std::string PadIPv6Groups(const std::string& text);

// The scope identifier an IPv6 socket address made from `address` gets: `link_local_scope`
// when the text starts with exactly "FE80" and the scope is known (not 0), else 0.
std::uint32_t ScopeIdFor(const std::string& address, std::uint32_t link_local_scope);

// Sixteen address bytes as eight groups of four upper-case hexadecimal digits
// ("FE80:0000:0000:0000:0211:22FF:FE33:4455").
std::string FormatIPv6Bytes(const std::array<std::uint8_t, 16>& bytes);

}  // namespace v7400
