// Opening a file the program writes without ever waiting: a FIFO nobody reads, a terminal or a
// folder under an output's name is refused at once, since the one thread that opens it is the
// one that answers frames. /dev/null stays allowed, to throw an output away.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace v7400 {

enum class OutputMode { kAppend, kTruncate };

// The open descriptor, or -1 with `reason`.
int OpenOutputDescriptor(const std::string& path, OutputMode mode, std::string& reason);

// The open stream, or null with `reason` (strerror text, or "Not a regular file").
std::FILE* OpenOutputFile(const std::string& path, OutputMode mode, std::string& reason);

// Empty when `path` is a regular file, /dev/null or not there yet (it becomes a regular file
// when created); otherwise why it cannot be an output.
std::string OutputPathProblem(const std::string& path);

// True when both paths name one file (existing or not, also through a link to a file not made
// yet), /dev/null excepted.
bool SameOutputFile(const std::string& a, const std::string& b);

// The path with each symbolic link followed, also one whose target is not there yet.
std::string ResolvedPath(const std::string& path);

// Writes `text` as the whole of `path` (through its links): into a new file beside it, renamed
// over it once complete, so a reader or a kill finds the old file or the new one, never a part.
// /dev/null is written directly. False with `reason` (the file is then left as it was).
bool WriteWholeFile(const std::string& path, std::string_view text, std::string& reason);
// Empty when WriteWholeFile can write `path`, tried by making and removing a file beside it;
// nothing is written to `path` itself.
std::string WholeFileProblem(const std::string& path);

}  // namespace v7400
