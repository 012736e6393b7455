#include "app/error_log.h"

#include <cstdio>

#include "display/display_text.h"

namespace v7400 {

ErrorLog::ErrorLog(const std::string& directory, const Clock& clock) : clock_(clock) {
  path_ = directory;
  if (!path_.empty() && path_.back() != '/' && path_.back() != '\\') path_ += '/';
  path_ += kErrorLogName;
}

std::string ErrorLogLine(const std::string& stamp, const std::string& component,
                         const std::string& message) {
  return stamp + "  " + component + "  " + message;
}

void ErrorLog::AppException(const std::string& component,
                            const std::string& message) const noexcept {
  try {
    const std::string line = ErrorLogLine(DateTimeStamp(clock_), component, message) + "\r\n";
    std::FILE* file = std::fopen(path_.c_str(), "ab");
    if (file == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  } catch (...) {
    // Out of memory while forming the line: nothing can be recorded.
  }
}

}  // namespace v7400
