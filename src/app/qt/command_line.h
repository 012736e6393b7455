// The program's command line on Qt's parser: --help, --version and the options of
// app/program_options.h, most of which work beside the window too. A plain start without
// options runs the window as it always did.
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
