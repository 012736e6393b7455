#include "display/traffic_log.h"

namespace v7400 {

std::string TotalsLine(std::int32_t received, std::int32_t sent) {
  return "Total received: " + std::to_string(received) + "   Total sent: " + std::to_string(sent);
}

TrafficLog::~TrafficLog() { CloseFile(); }

void TrafficLog::Start(const std::string& path) {
  file_name_ = path;
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
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fwrite("\r\n", 1, 2, file_);
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
}

void TrafficLog::CloseFile() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace v7400
