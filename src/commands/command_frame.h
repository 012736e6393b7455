// The bytes of one input command in the active automation format.
#pragma once

#include <string>

#include "core/clock.h"
#include "core/simulator_state.h"

namespace v7400 {

// The packet of a command: "4100" bytes, an SIA frame, or nothing (kinds 4 to 8 in "4100").
// For kinds 6 to 8 in SIA it also sets the programming state of the command's line and stamps
// it with the tick; a line outside 1 to 32 is left alone.
std::string BuildCommandFrame(SimulatorState& state, const TCommand& command, const Clock& clock);

// The SIA frame around command data. A sequence of "AAAA" becomes "0001" (and stays so). When
// `crc_may_be_spoiled`, the sending-CRC debug option spoils the checksum at offset 2.
std::string WrapSiaCommand(SimulatorState& state, const std::string& data,
                           const std::string& line_field, bool crc_may_be_spoiled);

// The line character of "Stop Two Way Audio" in "4100": 1 to 8 as digits, 9 and up as the
// character n + 55 (9 -> "@", 10 -> "A"); a line that is no number counts as 1.
std::string StopAudioLineCharacter(const std::string& line);

}  // namespace v7400
