#include "app/user_folders.h"

#include <unistd.h>

#include <system_error>

namespace v7400 {

std::filesystem::path XdgUserFolder(const char* xdg_value, const char* home,
                                    std::string_view below_home) {
  std::filesystem::path base;
  if (xdg_value != nullptr && std::filesystem::path(xdg_value).is_absolute()) {
    base = xdg_value;
  } else {
    base = std::filesystem::path(home != nullptr ? home : "") / below_home;
  }
  return base / "V7400";
}

std::optional<std::filesystem::path> MakeUserDataFolder(const char* xdg_data_home, const char* home,
                                                        std::string& error) {
  const std::filesystem::path folder = XdgUserFolder(xdg_data_home, home, ".local/share");
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (!std::filesystem::is_directory(folder)) {
    error = "cannot create " + folder.string() + ": " +
            (failure ? failure.message() : std::string("not a folder"));
    return std::nullopt;
  }
  return folder;
}

std::string FileDialogFolder(const std::string& exe_dir, const std::string& work_dir) {
  return access(exe_dir.c_str(), W_OK) == 0 ? exe_dir : work_dir;
}

}  // namespace v7400
