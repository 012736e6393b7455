// The program's command line: --help, --version, the settings folder, and the options of a run
// without a window. A plain start without options runs the window as it always did.
#pragma once

#include <optional>
#include <string>

#include "app/run_options.h"

namespace v7400 {

struct CommandLine {
  RunOptions options;
  // Set when the program ends here: 0 after --help or --version, 2 after a bad argument (its
  // one-line message already printed).
  std::optional<int> exit_status;
};

CommandLine ReadCommandLine(int argc, char* argv[]);

// "APSsets.sys" in the settings folder, or in the working directory when none was given.
std::string SettingsFilePath(const RunOptions& options);

}  // namespace v7400
