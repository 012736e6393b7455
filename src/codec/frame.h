// Frame layouts of the two automation formats, the checks on a received SIA frame and the
// acknowledgements the simulator answers with. Frames are byte strings; positions count from 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/simulator_state.h"

namespace v7400 {

inline constexpr char kAck4100 = '\x06';
inline constexpr char kNack4100 = '\x15';
inline constexpr char kSiaStart = '\x0A';
inline constexpr char kSiaEnd = '\x0D';
inline constexpr std::string_view kNeverAckedSequence = "AAAA";

// The bytes at 1-based positions [first, first + count), cut short at the end of the frame.
std::string_view FrameField(std::string_view frame, std::size_t first, std::size_t count);

// The fields of an SIA frame: checksum at positions 2-5, body length 6-7, the body from 8 up to
// the end byte (type byte, sequence 9-12, receiver 13-14, line 15-16, data from 17). Each is
// cut short, or empty, where the frame ends early.
std::string_view SiaChecksum(std::string_view frame);
std::string_view SiaLength(std::string_view frame);
// Everything between the length field and the last byte: what the checksum covers.
std::string_view SiaBody(std::string_view frame);
std::string_view SiaSequence(std::string_view frame);
std::string_view SiaReceiver(std::string_view frame);
std::string_view SiaLine(std::string_view frame);
// From position 17 on, without the end byte when the frame ends with one.
std::string_view SiaData(std::string_view frame);

// Value as four upper-case hexadecimal digits.
std::string Hex4(std::uint16_t value);
// Value in upper-case hexadecimal with at least two digits.
std::string HexLength(std::size_t value);

// -1 incomplete, 0 complete, 1 longer than declared.
int CheckFrameLength(std::string_view buffer);
// Applies the receiving-CRC debug option (and its OneShot) before the real check.
bool CheckFrameCrc(std::string_view frame, DebugOptions& debug);

// Why a frame was refused, in plain words: "CRC 1A2B, expected 47D4" (the checksum field, then
// the checksum of the body) and "declared length 0B, body 0C".
std::string CrcFault(std::string_view frame);
std::string LengthFault(std::string_view buffer);

// Wraps an SIA body: start byte, checksum, length, body, end byte.
std::string WrapSiaBody(std::string_view body);
std::string BuildAck(SimulatorState& state);
// The correct ACK of a frame with `sequence` from the receiver and line the state holds, as no
// debug option spoils it.
std::string AckFor(std::string_view sequence, const SimulatorState& state);
std::string BuildNack(const SimulatorState& state);

// Replaces the byte at 0-based offset with 0x00 when the sending-CRC option is on, then
// applies OneShot. A frame too short for the offset is left unchanged; the option still acts.
void ApplySendingCrcError(std::string& frame, std::size_t offset, DebugOptions& debug);

}  // namespace v7400
