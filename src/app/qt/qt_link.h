// The link on the Qt transports: serial port, UDP endpoint, address discovery, the cipher and
// the connection manager that reads "APSsets.sys".
#pragma once

#include <memory>
#include <string>

#include "core/display_view.h"
#include "app/link.h"
#include "core/prompts.h"
#include "core/simulator_state.h"

namespace v7400 {

// `settings_path`: the settings file, WorkDir joined with "APSsets.sys".
std::unique_ptr<Link> MakeQtLink(SimulatorState& state, DisplayView& view, Prompts& prompts,
                                 const std::string& settings_path);

}  // namespace v7400
