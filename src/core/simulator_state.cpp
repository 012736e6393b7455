#include "core/simulator_state.h"

#include <stdexcept>

namespace v7400 {

void InitialiseLines(SimulatorState& state) {
  for (TLine& line : state.LineTable) {
    line = TLine{};
    line.LineList = std::make_unique<std::vector<std::string>>();
  }
  state.PackageEndChar = 20;
  state.SpaceConverting = 1;
}

void ResetCountersAndAddress(SimulatorState& state) {
  state.ReceivedCount = 0;
  state.SentCount = 0;
  state.CurrentSequence = "0001";
  state.ReceiverNumber = "01";
  state.CurrentLine = "00";
  state.Closing = 0;
}

void ReleaseState(SimulatorState& state) {
  for (TLine& line : state.LineTable) line.LineList.reset();
}

std::optional<int> LineNumberOf(const std::string& text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size()) return std::nullopt;
  long value = 0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c < '0' || c > '9' || value > 100000000) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return static_cast<int>(negative ? -value : value);
}

int ParseLineNumber(const std::string& text) {
  const std::optional<int> value = LineNumberOf(text);
  if (!value) throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return *value;
}

TLine* FindLine(SimulatorState& state, int line) {
  if (line < 1 || line > kLineCount) return nullptr;
  return &state.LineTable[static_cast<std::size_t>(line - 1)];
}

}  // namespace v7400
