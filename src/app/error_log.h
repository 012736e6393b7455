// "error.log" beside the executable: one line per error that escaped a handler, so the program
// can carry on without showing the user anything.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "core/clock.h"

namespace v7400 {

inline constexpr char kErrorLogName[] = "error.log";
inline constexpr char kUnknownError[] = "Unknown error";

class ErrorLog {
 public:
  // `directory`: the folder of the executable.
  ErrorLog(const std::string& directory, const Clock& clock);
  ErrorLog(const ErrorLog&) = delete;
  ErrorLog& operator=(const ErrorLog&) = delete;
  // Ends a spell of repeats that is still open.
  ~ErrorLog();

  const std::string& Path() const { return path_; }

  // Appends "date time  component  message" and CR LF, bytes outside printable ASCII written as
  // "[decimal]". A message that repeats the one before from the same component is only counted;
  // the count is written as "... (repeated N times)" when another message comes, when the
  // spell has lasted a minute, or at the end. Never throws and never reports a failure to
  // write: the error log has nowhere else to go.
  void AppException(const std::string& component, const std::string& message) const noexcept;

 private:
  void Append(const std::string& component, const std::string& message) const;
  void EndSpell() const;

  std::string path_;
  const Clock& clock_;
  // The last line written and how often it came again since; error logging is not what the
  // log's users see as a change of state, hence mutable.
  mutable std::string last_component_;
  mutable std::string last_message_;
  mutable long long repeats_ = -1;  // -1: nothing written yet
  mutable std::uint32_t spell_start_ms_ = 0;
};

// The message with bytes outside printable ASCII written as "[decimal]", as the traffic log
// writes them.
std::string ErrorLogText(const std::string& message);

// The folder "error.log" goes to: the executable's folder when the log can be written there,
// otherwise the user's state folder ($XDG_STATE_HOME/V7400, or ~/.local/state/V7400 when that
// variable is unset, empty or relative), so that a copy installed in a read-only folder still logs.
// The state folder is created when chosen. Null environment values count as unset.
std::string ErrorLogDirectory(const std::string& exe_dir, const char* xdg_state_home,
                              const char* home,
                              const std::function<bool(const std::string&)>& writable);
// Whether the executable's folder is the user's own to write into: owned by them and not under
// /usr, where only packages put files.
bool IsUsersFolder(const std::string& folder, unsigned owner, unsigned user);
// The same with the real environment and file system; a folder that is not the user's counts
// as not writable, even for root.
std::string ErrorLogDirectory(const std::string& exe_dir);

// The line as written, without its CR LF.
std::string ErrorLogLine(const std::string& stamp, const std::string& component,
                         const std::string& message);

// Runs one event handler; whatever escapes it lands in the error log under `component`.
template <typename Handler>
void Guarded(const ErrorLog& log, const std::string& component, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const std::exception& error) {
    log.AppException(component, error.what());
  } catch (...) {
    log.AppException(component, kUnknownError);
  }
}

}  // namespace v7400
