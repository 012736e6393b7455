#include "codec/sia_event.h"

#include <algorithm>
#include <array>

#include "codec/frame.h"

namespace v7400 {

namespace {

using enum SiaNumberKind;

constexpr std::array kSiaCodes = {
#define V7400_SIA_CODE(code, kind, meaning) SiaCodeInfo{code, kind, meaning},
#include "codec/sia_event_codes.def"
#undef V7400_SIA_CODE
};

static_assert(std::is_sorted(kSiaCodes.begin(), kSiaCodes.end(),
                             [](const SiaCodeInfo& a, const SiaCodeInfo& b) {
                               return a.code < b.code;
                             }),
              "the code table is kept in alphabetical order for the lookup");

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* NumberName(SiaNumberKind kind) {
  switch (kind) {
    case kZone:
      return "zone";
    case kUser:
      return "user";
    case kArea:
      return "area";
    case kNone:
      break;
  }
  return "";
}

}  // namespace

std::optional<SiaCodeInfo> FindSiaCode(std::string_view code) {
  const auto found = std::lower_bound(
      kSiaCodes.begin(), kSiaCodes.end(), code,
      [](const SiaCodeInfo& entry, std::string_view key) { return entry.code < key; });
  if (found == kSiaCodes.end() || found->code != code) return std::nullopt;
  return *found;
}

std::optional<SiaEvent> DecodeSiaEvent(std::string_view frame) {
  std::string_view data = SiaData(frame);
  if (!data.starts_with("[#")) return std::nullopt;
  data.remove_prefix(2);
  const std::size_t bar = data.find('|');
  if (bar == std::string_view::npos) return std::nullopt;
  SiaEvent event;
  event.account = std::string(data.substr(0, bar));
  const std::string_view rest = data.substr(bar + 1);
  if (rest.size() < 3 || !IsUpper(rest[0]) || !IsUpper(rest[1]) || !IsUpper(rest[2])) {
    return std::nullopt;
  }
  event.qualifier = rest[0];
  event.code = std::string(rest.substr(1, 2));
  const auto digits = std::find_if_not(rest.begin() + 3, rest.end(), IsDigit);
  event.number = std::string(rest.begin() + 3, digits);
  return event;
}

std::string SiaEventText(const SiaEvent& event) {
  const std::optional<SiaCodeInfo> info = FindSiaCode(event.code);
  std::string text;
  if (info) {
    text = std::string(info->meaning);
    if (!event.number.empty() && info->number_kind != kNone) {
      text += std::string(", ") + NumberName(info->number_kind) + " " + event.number;
    }
  } else {
    text = "unknown event code " + event.code;
    if (!event.number.empty()) text += ", " + event.number;
  }
  return text;
}

}  // namespace v7400
