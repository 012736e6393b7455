// Reading a small file that anyone could have replaced by a FIFO, a device, a directory or
// something huge: only a regular file is read, never with a blocking open, and never more than
// a stated number of bytes.
#pragma once

#include <cstddef>
#include <string>

namespace v7400 {

struct BoundedRead {
  enum class Outcome { kRead, kMissing, kRefused };
  Outcome outcome = Outcome::kMissing;
  std::string bytes;    // the whole file when read
  std::string message;  // when refused: the error-log text, naming the file and why
};

BoundedRead ReadBoundedFile(const std::string& path, std::size_t limit);

// True when `path` is a regular file whose last byte is not a line end: a line was cut off, and
// what is appended next must start on a line of its own.
bool EndsInsideALine(const std::string& path);

// The error-log text for a file that could not be used: Cannot open file "<path>". <reason>
std::string CannotOpenFileMessage(const std::string& path, const std::string& reason);

}  // namespace v7400
