#include "display/traffic_log.h"

#include <cerrno>
#include <cstring>

#include "core/bounded_file.h"
#include "core/output_file.h"

namespace v7400 {

std::string TotalsLine(std::int32_t received, std::int32_t sent) {
  return "Total received: " + std::to_string(received) + "   Total sent: " + std::to_string(sent);
}

TrafficLog::~TrafficLog() { CloseFile(); }

void TrafficLog::Start(const std::string& path) {
  file_name_ = path;
  failing_ = false;  // a new file, a new chance
  const bool cut_off = EndsInsideALine(path);
  Reopen(OutputMode::kAppend);
  on_ = true;
  if (cut_off) pending_ = "\r\n";
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
  // Handed to the system at once, or at the end of the burst being answered: a program killed
  // after answering keeps the line.
  pending_.append(line).append("\r\n");
  if (!held_) FlushPending();
}

void TrafficLog::FlushPending() {
  if (file_ != nullptr && !pending_.empty() &&
      std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size()) {
    Failed("write");  // the stream stays in error until the next flush opens a fresh one
  }
  pending_.clear();
}

void TrafficLog::Truncate() {
  if (file_name_.empty()) return;
  Reopen(OutputMode::kTruncate);
}

void TrafficLog::Tick() {
  ++flush_ticks_;
  if (on_ && flush_ticks_ > 10) {
    flush_ticks_ = 0;
    Reopen(OutputMode::kAppend);
  }
}

void TrafficLog::Reopen(OutputMode mode) {
  CloseFile();
  std::string reason;
  file_ = OpenOutputFile(file_name_, mode, reason);
  if (file_ == nullptr) {
    Failed("open", reason);
    return;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

void TrafficLog::CloseFile() {
  FlushPending();
  if (file_ == nullptr) return;
  // Writing what is buffered is the moment a full or vanished disk shows.
  const bool had_error = std::ferror(file_) != 0;
  if (std::fclose(file_) != 0) {
    Failed("write");
  } else if (!had_error) {
    failing_ = false;
  }
  file_ = nullptr;
}

void TrafficLog::Failed(const char* what, std::string reason) {
  if (reason.empty()) reason = std::strerror(errno);
  if (failing_) return;
  failing_ = true;
  if (on_failure_) {
    on_failure_("Cannot " + std::string(what) + " traffic log \"" + file_name_ + "\": " + reason);
  }
}

}  // namespace v7400
