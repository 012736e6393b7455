// The simulator without a window: the same logic and adapters as the window, driven from the
// command line, for automated tests on machines without a display.
#pragma once

#include "app/run_options.h"

namespace v7400 {

// Runs until the end condition or a termination signal; returns the exit status.
int RunHeadless(int argc, char* argv[], const RunOptions& options);

}  // namespace v7400
