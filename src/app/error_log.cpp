#include "app/error_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/user_folders.h"
#include "core/output_file.h"
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
  // leave files in a folder no package owns. A FIFO or a device by the log's name is no place
  // for it either.
  struct stat info {};
  const bool users =
      stat(exe_dir.c_str(), &info) == 0 && IsUsersFolder(exe_dir, info.st_uid, geteuid());
  return ErrorLogDirectory(
      exe_dir, std::getenv("XDG_STATE_HOME"), std::getenv("HOME"), [users](const std::string& path) {
        return users && access(path.c_str(), W_OK) == 0 &&
               (std::filesystem::is_directory(path) || OutputPathProblem(path).empty());
      });
}

std::string ErrorLogLine(const std::string& stamp, const std::string& component,
                         const std::string& message) {
  return stamp + "  " + component + "  " + message;
}

ErrorLog::~ErrorLog() {
  try {
    EndSpell();
  } catch (...) {
    // Out of memory at the end: the count is lost.
  }
}

std::string ErrorLogText(const std::string& message) {
  std::string text;
  text.reserve(message.size());
  for (const char c : message) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      text += '[' + std::to_string(byte) + ']';
    }
  }
  return text;
}

void ErrorLog::AppException(const std::string& component,
                            const std::string& message) const noexcept {
  try {
    constexpr std::uint32_t kSpellMs = 60000;
    if (repeats_ >= 0 && component == last_component_ && message == last_message_ &&
        clock_.TickMs() - spell_start_ms_ < kSpellMs) {
      ++repeats_;
      return;
    }
    EndSpell();
    Append(component, ErrorLogText(message));
    last_component_ = component;
    last_message_ = message;
    repeats_ = 0;
    spell_start_ms_ = clock_.TickMs();
  } catch (...) {
    // Out of memory while forming the line: nothing can be recorded.
  }
}

void ErrorLog::EndSpell() const {
  if (repeats_ > 0) {
    Append(last_component_, ErrorLogText(last_message_) + " (repeated " + std::to_string(repeats_) +
                                (repeats_ == 1 ? " time)" : " times)"));
    repeats_ = 0;
  }
}

void ErrorLog::Append(const std::string& component, const std::string& message) const {
  const std::string line = ErrorLogLine(DateTimeStamp(clock_), component, message) + "\r\n";
  std::string reason;
  std::FILE* file = OpenOutputFile(path_, OutputMode::kAppend, reason);
  if (file == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fclose(file);
}

}  // namespace v7400
