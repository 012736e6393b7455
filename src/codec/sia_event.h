// The event an SIA frame carries in its data, "[#AAAA|QCCZZ...]": the account, a qualifier
// letter, the two-letter event code and the number after it (a zone or a user), with the code's
// meaning from the table in sia_event_codes.def.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/frame_observer.h"

namespace v7400 {

enum class SiaNumberKind { kNone, kZone, kUser, kArea };

struct SiaCodeInfo {
  std::string_view code;
  SiaNumberKind number_kind = SiaNumberKind::kNone;
  std::string_view meaning;
};

// The table entry of a two-letter code, or nothing for a code not in the table.
std::optional<SiaCodeInfo> FindSiaCode(std::string_view code);

// The frame record keeps the event as it is decoded.
using SiaEvent = FrameEvent;

// The event of a frame whose data reads "[#account|" followed by a qualifier letter, two
// upper-case letters and digits; nothing for any other data (acknowledgements, commands).
std::optional<SiaEvent> DecodeSiaEvent(std::string_view frame);

// "Burglary alarm, zone 01"; a code not in the table reads "unknown event code XY, 01".
std::string SiaEventText(const SiaEvent& event);

}  // namespace v7400
