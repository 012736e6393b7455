// The input-command help document: read from the working directory when its window opens.
#pragma once

#include <string>

#include "app/rtf_reader.h"

namespace v7400 {

inline constexpr char kCommandHelpFileName[] = "InputCommandHelp.rtf";
// Larger files are not help documents; reading them whole would only stall the window.
inline constexpr std::size_t kMaxHelpDocumentBytes = 8u << 20;

// Reads and converts the document at `path`. Throws std::runtime_error, with the message the
// error log shows, when the file is missing, not a regular file, too large or unreadable.
RtfDocument LoadHelpDocument(const std::string& path);

}  // namespace v7400
