// The steps a received frame takes in a remote-programming exchange: "[NLC06" starts sending
// the programming items, each "AAAA" frame releases the next one, and "CMD0C" closes it.
#pragma once

#include <string_view>

#include "core/line_services.h"
#include "core/simulator_state.h"

namespace v7400 {

inline constexpr std::string_view kProgramReady = "[NLC06";
inline constexpr char kProgramEndText[] = "CMD0C";

// Runs the start step when the frame holds "[NLC06", else the continuation step when the
// current sequence is "AAAA". Throws std::invalid_argument when the line text is no number.
void RunProgrammingSteps(SimulatorState& state, std::string_view frame, LineServices& lines);

}  // namespace v7400
