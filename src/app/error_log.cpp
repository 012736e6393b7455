#include "app/error_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/user_folders.h"
#include "display/display_text.h"

namespace v7400 {

ErrorLog::ErrorLog(const std::string& directory, const Clock& clock) : clock_(clock) {
  path_ = directory;
  if (!path_.empty() && path_.back() != '/' && path_.back() != '\\') path_ += '/';
  path_ += kErrorLogName;
}

std::string ErrorLogDirectory(const std::string& exe_dir, const char* xdg_state_home,
                              const char* home,
                              const std::function<bool(const std::string&)>& writable) {
  const std::filesystem::path beside = std::filesystem::path(exe_dir) / kErrorLogName;
  std::error_code error;
  const bool exists = std::filesystem::exists(beside, error);
  if (writable(exists ? beside.string() : exe_dir)) return exe_dir;
  const std::filesystem::path state = XdgUserFolder(xdg_state_home, home, ".local/state");
  std::filesystem::create_directories(state, error);
  return state.string();
}

bool IsUsersFolder(const std::string& folder, unsigned owner, unsigned user) {
  const std::string system = "/usr";
  const bool under_system = folder.starts_with(system) &&
                            (folder.size() == system.size() || folder[system.size()] == '/');
  return !under_system && owner == user;
}

std::string ErrorLogDirectory(const std::string& exe_dir) {
  // Write access alone is not enough: root may write anywhere, and an installed copy must not
  // leave files in a folder no package owns.
  struct stat info {};
  const bool users =
      stat(exe_dir.c_str(), &info) == 0 && IsUsersFolder(exe_dir, info.st_uid, geteuid());
  return ErrorLogDirectory(
      exe_dir, std::getenv("XDG_STATE_HOME"), std::getenv("HOME"),
      [users](const std::string& path) { return users && access(path.c_str(), W_OK) == 0; });
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
