// Renderings of frame bytes and time stamps for the display lists and the logs.
#pragma once

#include <string>
#include <string_view>

#include "core/clock.h"

namespace v7400 {

// Each byte as two upper-case hexadecimal digits and one blank.
std::string RenderHex(std::string_view bytes);
// Printable bytes as themselves, a blank as "s" (when blank_as_s) or a blank, others as
// "[" + decimal value + "]".
std::string RenderDecimal(std::string_view bytes, bool blank_as_s);
// Each byte as "[" + two upper-case hexadecimal digits + "]".
std::string RenderBracketedHex(std::string_view bytes);
// The same two written onto the end of `out`, which keeps its capacity.
void AppendDecimal(std::string& out, std::string_view bytes, bool blank_as_s);
void AppendBracketedHex(std::string& out, std::string_view bytes);

// "hh:mm:ss".
std::string TimeStamp(const Clock& clock);
void AppendTimeStamp(std::string& out, const Clock& clock);
// "mm-dd-yyyy hh:mm:ss"; the time is written at midnight too, so every stamp has one shape.
std::string DateTimeStamp(const Clock& clock);

}  // namespace v7400
