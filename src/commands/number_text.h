// Number fields and line texts as the command logic reads them.
#pragma once

#include <optional>
#include <string>

namespace v7400 {

// The integer a text holds, or nothing when it is not a decimal number.
std::optional<int> IntegerOf(const std::string& text);
// The integer a text holds, or `fallback`.
int IntegerOr(const std::string& text, int fallback);
// A line number written with at least two digits: 7 -> "07".
std::string TwoDigits(int value);

}  // namespace v7400
