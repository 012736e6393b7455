// Says when frames arrive in the other automation format: a receiver set to SIA against a
// simulator set to "4100" shows every frame and answers none, with nothing to say why.
#pragma once

#include <string>
#include <string_view>

#include "core/simulator_state.h"

namespace v7400 {

// Whether `frame` is a well-formed SIA frame: start byte, four hexadecimal digits of a valid
// CRC, the declared length, the end byte.
bool IsWellFormedSia(std::string_view frame);

// For a frame the run did not ACK: "looks like SIA; the format is 4100 (--format sia, or the
// Format buttons)" when the frame is well-formed in the other format, else empty text.
// `end_byte` is the "4100" format's end byte.
std::string FormatMismatchHint(std::string_view frame, AutomationFormat format, char end_byte);

}  // namespace v7400
