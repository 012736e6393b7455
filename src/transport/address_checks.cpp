#include "transport/address_checks.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace v7400 {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A non-empty run of digits of the base whose value does not exceed `limit`.
bool IsNumberUpTo(std::string_view text, int base, unsigned limit) {
  if (text.empty()) return false;
  unsigned value = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return false;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > limit) return false;
  }
  return true;
}

bool IsHexGroup(std::string_view text) { return IsNumberUpTo(text, 16, 0xFFFF); }

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// The last group may carry a zone after "%"; without one the whole piece serves as both.
bool IsLastGroupWithZone(std::string_view piece) {
  const std::size_t percent = piece.find('%');
  const std::string_view zone =
      percent == std::string_view::npos ? piece : piece.substr(percent + 1);
  const std::string_view group = piece.substr(0, percent);
  return IsHexGroup(zone) && IsHexGroup(group);
}

// The piece-by-piece walk; true when the last piece was reached with every piece valid.
bool WalkIPv6Pieces(std::string_view text, int& parts) {
  const std::vector<std::string_view> pieces = SplitAt(text, ':');
  int empties = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::string_view piece = TrimBlanks(pieces[i]);
    const bool last = i + 1 == pieces.size();
    if (piece.empty() && i > 0 && ++empties > 1) return false;
    ++parts;
    if (piece.empty()) continue;
    if (parts > 8) return false;
    if (last ? !IsLastGroupWithZone(piece) : !IsHexGroup(piece)) return false;
    if (last) return !(pieces.size() == 1 && empties == 0);
  }
  return false;
}

}  // namespace

bool IsIPv4Address(const std::string& text) {
  std::string_view rest = TrimBlanks(text);
  for (int part = 1; part <= 4; ++part) {
    std::string_view current = rest;
    if (part < 4) {
      const std::size_t dot = rest.find('.');
      if (dot == std::string_view::npos) return false;
      current = rest.substr(0, dot);
      rest = TrimBlanks(rest.substr(dot + 1));
    }
    if (!IsNumberUpTo(TrimBlanks(current), 10, 255)) return false;
  }
  return true;
}

bool IsIPv6Address(const std::string& text) {
  if (text == "::") return true;
  int parts = 0;
  if (!WalkIPv6Pieces(text, parts)) return false;
  const bool compressed = text.find("::") != std::string::npos;
  if (!compressed && parts != 8) return false;
  if (text.size() >= 1 && text.front() == ':' && (text.size() < 2 || text[1] != ':')) return false;
  if (text.size() >= 1 && text.back() == ':' && (text.size() < 2 || text[text.size() - 2] != ':')) {
    return false;
  }
  return true;
}

std::string ExpandIPv6(const std::string& text) {
  if (text.empty()) return {};
  std::size_t colons = 0;
  for (const char c : text) colons += c == ':' ? 1 : 0;
  if (colons > 7) return {};
  std::string source = text.front() == ':' ? "0" + text : text;
  if (source.back() == ':') source += '0';
  std::string zeros;
  for (std::size_t i = colons; i < 8; ++i) zeros += ":0";
  zeros += ':';
  std::string result;
  std::size_t start = 0;
  for (std::size_t found; (found = source.find("::", start)) != std::string::npos;) {
    result.append(source, start, found - start);
    result += zeros;
    start = found + 2;
  }
  result.append(source, start);
  return result;
}

std::string PadIPv6Groups(const std::string& text) {
  std::string result;
  bool first = true;
  for (const std::string_view group : SplitAt(text, ':')) {
    if (!first) result += ':';
    first = false;
    if (group.size() < 4) result.append(4 - group.size(), '0');
    result += group;
  }
  return result;
}

std::uint32_t ScopeIdFor(const std::string& address, std::uint32_t link_local_scope) {
  return address.compare(0, 4, "FE80") == 0 ? link_local_scope : 0;
}

std::string FormatIPv6Bytes(const std::array<std::uint8_t, 16>& bytes) {
  std::string text;
  for (int i = 0; i < 16; i += 2) {
    char group[8];
    std::snprintf(group, sizeof group, "%02X%02X", bytes[static_cast<std::size_t>(i)],
                  bytes[static_cast<std::size_t>(i) + 1]);
    if (i > 0) text += ':';
    text += group;
  }
  return text;
}

}  // namespace v7400
