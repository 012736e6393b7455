// The traffic log file: one line per entry, CR LF, each line handed to the system as it is
// logged, or with the rest of its burst of datagrams once that is answered, in one write; so a
// program killed loses no line of a burst it finished and leaves none cut in two (short of a
// full disk). Every 11 ticks of the one-second timer the file is closed and opened
// again, which puts it on the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "core/output_file.h"

namespace v7400 {

class TrafficLog {
 public:
  TrafficLog() = default;
  TrafficLog(const TrafficLog&) = delete;
  TrafficLog& operator=(const TrafficLog&) = delete;
  ~TrafficLog();

  // Told once when the file stops taking lines (cannot be opened, written or flushed), and again
  // only after it took lines once more. Logging goes on; the lines in between are lost.
  using FailureHandler = std::function<void(const std::string& message)>;
  void SetFailureHandler(FailureHandler handler) { on_failure_ = std::move(handler); }

  bool IsOn() const { return on_; }
  const std::string& FileName() const { return file_name_; }

  // Opens the file for appending (creating it); logging is on even when that fails, and the
  // lines are then lost silently. A file whose last line was cut off gets a line end first.
  void Start(const std::string& path);
  // Writes the totals line and closes the file when logging is on; logging is off after.
  void Stop(std::int32_t received, std::int32_t sent);
  void Write(const std::string& line);
  // While held, lines gather and go out in one write when released: a burst of datagrams costs
  // one system call, not one a frame.
  void Hold() { held_ = true; }
  void Release() {
    held_ = false;
    FlushPending();
  }
  // Empties the file and keeps writing into it from its start.
  void Truncate();
  // One tick of the one-second timer: flushes every 11 ticks while logging is on.
  void Tick();

 private:
  void Reopen(OutputMode mode);
  void FlushPending();
  void CloseFile();
  void Failed(const char* what, std::string reason = {});

  std::FILE* file_ = nullptr;  // unbuffered: pending_ is the line being written
  std::string pending_;
  bool on_ = false;
  std::string file_name_;
  std::int32_t flush_ticks_ = 0;
  FailureHandler on_failure_;
  bool failing_ = false;
  bool held_ = false;
};

std::string TotalsLine(std::int32_t received, std::int32_t sent);

}  // namespace v7400
