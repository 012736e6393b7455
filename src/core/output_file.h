// Opening a file the program writes without ever waiting: a FIFO nobody reads, a terminal or a
// folder under an output's name is refused at once, since the one thread that opens it is the
// one that answers frames. /dev/null stays allowed, to throw an output away.
#pragma once

#include <cstdio>
#include <string>

namespace v7400 {

enum class OutputMode { kAppend, kTruncate };

// The open descriptor, or -1 with `reason`.
int OpenOutputDescriptor(const std::string& path, OutputMode mode, std::string& reason);

// The open stream, or null with `reason` (strerror text, or "Not a regular file").
std::FILE* OpenOutputFile(const std::string& path, OutputMode mode, std::string& reason);

// Empty when `path` is a regular file, /dev/null or not there yet (it becomes a regular file
// when created); otherwise why it cannot be an output.
std::string OutputPathProblem(const std::string& path);

// True when both paths name one file (existing or not), /dev/null excepted.
bool SameOutputFile(const std::string& a, const std::string& b);

}  // namespace v7400
