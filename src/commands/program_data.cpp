#include "commands/program_data.h"

#include <stdexcept>

#include "codec/frame.h"

namespace v7400 {

namespace {

// The first frame of "TK1400": fixed length, eight user-data bytes, checksum 0x66.
constexpr char kTk1400Header[] = "6808086828010470004286016616";
constexpr char kItemPrefix[] = "CMD0B";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw std::invalid_argument(std::string("'") + c + "' is not a hexadecimal digit");
}

// The byte values of the digit pairs.
std::vector<int> PairValues(const std::string& hex) {
  std::vector<int> values;
  values.reserve(hex.size() / 2 + 1);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int value = HexValue(hex[i]);
    if (i + 1 < hex.size()) value = value * 16 + HexValue(hex[i + 1]);
    values.push_back(value);
  }
  return values;
}

}  // namespace

std::string HexToBytes(const std::string& hex) {
  std::string bytes;
  for (const int value : PairValues(hex)) bytes += static_cast<char>(value);
  return bytes;
}

std::string HexByteSum(const std::string& hex) {
  unsigned sum = 0;
  for (const int value : PairValues(hex)) sum += static_cast<unsigned>(value);
  return HexLength(sum % 256);
}

std::vector<std::string> BuildProgramItems(ProgramProfile profile, const std::string& hex) {
  if (profile == ProgramProfile::QRV_ZT) {
    if (hex.empty()) return {};
    return {kItemPrefix + HexToBytes(hex)};
  }
  const std::string data = "0801" + HexLength(hex.size() / 2) + hex;
  const std::string length = HexLength(data.size() / 2);
  const std::string checksum = HexByteSum(data);
  return {
      kItemPrefix + HexToBytes(kTk1400Header),
      kItemPrefix + HexToBytes("68" + length + length + "68") + HexToBytes(data + checksum + "16")};
}

std::uint32_t ProgramStateTimeout(std::uint8_t program_state) {
  switch (program_state) {
    case 1:
    case 3:
    case 4:
    case 6:
      return kRequestTimeoutMs;
    case 2:
    case 5:
      return kProgrammingTimeoutMs;
    default:
      return 0;
  }
}

void ExpireProgramStates(SimulatorState& state, std::uint32_t now) {
  for (TLine& line : state.LineTable) {
    const std::uint32_t timeout = ProgramStateTimeout(line.ProgramState);
    if (timeout == 0) continue;
    const std::uint32_t elapsed = now - line.StateTick;
    if (elapsed > timeout) line.ProgramState = 0;
  }
}

}  // namespace v7400
