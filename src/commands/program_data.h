// Programming data of the remote-programming exchange: the items sent after the receiver is
// ready, their hexadecimal conversions, and the time-outs of the per-line programming state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/simulator_state.h"

namespace v7400 {

// Items of `cbx_remoteprogram`.
enum class ProgramProfile { TK1400 = 0, QRV_ZT = 1 };

inline constexpr std::uint32_t kRequestTimeoutMs = 4000;
inline constexpr std::uint32_t kProgrammingTimeoutMs = 120000;

// Pairs of hexadecimal digits as bytes; an odd last digit becomes a byte of its own value.
// Throws std::invalid_argument on a character that is no hexadecimal digit.
std::string HexToBytes(const std::string& hex);
// The byte values of the pairs summed modulo 256, as two upper-case hexadecimal digits.
std::string HexByteSum(const std::string& hex);

// The programming items, in sending order, each "CMD0B" followed by raw bytes. "TK1400" gives a
// fixed FT1.2 frame, then a variable frame carrying the programming string; "QRV/ZT" gives the
// bytes of the string, or no item at all when the string is empty.
std::vector<std::string> BuildProgramItems(ProgramProfile profile, const std::string& hex);

// The time-out of a programming state, 0 when the state never times out.
std::uint32_t ProgramStateTimeout(std::uint8_t program_state);
// Returns every line whose state has outlived its time-out to state 0. The tick difference is
// taken modulo 2^32, so a wrapped tick counts right.
void ExpireProgramStates(SimulatorState& state, std::uint32_t now);

}  // namespace v7400
