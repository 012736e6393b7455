#include "display/traffic_log.h"

#include <cerrno>
#include <cstring>

namespace v7400 {

std::string TotalsLine(std::int32_t received, std::int32_t sent) {
  return "Total received: " + std::to_string(received) + "   Total sent: " + std::to_string(sent);
}

TrafficLog::~TrafficLog() { CloseFile(); }

void TrafficLog::Start(const std::string& path) {
  file_name_ = path;
  failing_ = false;  // a new file, a new chance
  Reopen("ab");
  on_ = true;
}

void TrafficLog::Stop(std::int32_t received, std::int32_t sent) {
  if (on_) {
    Write(TotalsLine(received, sent));
    CloseFile();
  }
  on_ = false;
}

void TrafficLog::Write(const std::string& line) {
  if (!on_ || file_ == nullptr) return;
  const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                       std::fwrite("\r\n", 1, 2, file_) == 2;
  if (!written) {
    Failed("write");
    // The stream stays in error; start over with a fresh one at the next flush.
    std::clearerr(file_);
  }
}

void TrafficLog::Truncate() {
  if (file_name_.empty()) return;
  Reopen("wb");
}

void TrafficLog::Tick() {
  ++flush_ticks_;
  if (on_ && flush_ticks_ > 10) {
    flush_ticks_ = 0;
    Reopen("ab");
  }
}

void TrafficLog::Reopen(const char* mode) {
  CloseFile();
  file_ = std::fopen(file_name_.c_str(), mode);
  if (file_ == nullptr) Failed("open");
}

void TrafficLog::CloseFile() {
  if (file_ == nullptr) return;
  // Closing writes what is buffered: the moment a full or vanished disk shows.
  const bool had_error = std::ferror(file_) != 0;
  if (std::fclose(file_) != 0) {
    Failed("write");
  } else if (!had_error) {
    failing_ = false;
  }
  file_ = nullptr;
}

void TrafficLog::Failed(const char* what) {
  const int error = errno;
  if (failing_) return;
  failing_ = true;
  if (on_failure_) {
    on_failure_("Cannot " + std::string(what) + " traffic log \"" + file_name_ +
                "\": " + std::strerror(error));
  }
}

}  // namespace v7400
