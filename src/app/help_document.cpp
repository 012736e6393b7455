#include "app/help_document.h"

#include <stdexcept>

#include "core/bounded_file.h"

namespace v7400 {

RtfDocument LoadHelpDocument(const std::string& path) {
  BoundedRead read = ReadBoundedFile(path, kMaxHelpDocumentBytes);
  if (read.outcome == BoundedRead::Outcome::kMissing) {
    throw std::runtime_error(CannotOpenFileMessage(path, "No such file or directory"));
  }
  if (read.outcome == BoundedRead::Outcome::kRefused) throw std::runtime_error(read.message);
  return ReadRtf(read.bytes);
}

}  // namespace v7400
