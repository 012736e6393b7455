#include "commands/number_text.h"

#include <cstdio>
#include <stdexcept>

#include "core/simulator_state.h"

namespace v7400 {

std::optional<int> IntegerOf(const std::string& text) { return LineNumberOf(text); }

int IntegerOr(const std::string& text, int fallback) { return IntegerOf(text).value_or(fallback); }

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace v7400
