// The folders of one user, by the XDG base-directory rules: the per-user data folder that a
// start from the desktop menu works in, and the state folder that takes "error.log" when the
// executable's folder cannot; and the folder file dialogs start in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace v7400 {

// <base>/V7400, where <base> is `xdg_value` (the value of an XDG_*_HOME variable), or
// <home>/<below_home> when that is unset, empty or not an absolute path. Null counts as unset.
std::filesystem::path XdgUserFolder(const char* xdg_value, const char* home,
                                    std::string_view below_home);

// $XDG_DATA_HOME/V7400 (~/.local/share/V7400 by default), created when missing. Empty, with
// `error` set, when it cannot be created.
std::optional<std::filesystem::path> MakeUserDataFolder(const char* xdg_data_home, const char* home,
                                                        std::string& error);

// Where file dialogs start: the executable's folder, as the window was designed, or the working
// folder where the executable's folder cannot be written (a copy installed in /usr/bin).
std::string FileDialogFolder(const std::string& exe_dir, const std::string& work_dir);

}  // namespace v7400
