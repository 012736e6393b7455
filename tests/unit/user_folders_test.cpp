// The per-user data folder: where the XDG rules put it, made on first use, refused when a file
// stands in its way.
#include "app/user_folders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace v7400 {
namespace {

namespace fs = std::filesystem;

TEST(UserFoldersTest, DataFolderFollowsXdgDataHomeAndIsMadeOnFirstUse) {
  const fs::path root =
      fs::temp_directory_path() /
      ("v7400_user_folders_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(root);
  const std::string home = (root / "home").string();
  const std::string data = (root / "data").string();
  struct Case {
    const char* xdg_data_home;
    fs::path expected;
  };
  // An unset, empty or relative XDG_DATA_HOME falls back to ~/.local/share.
  const Case cases[] = {
      {data.c_str(), root / "data" / "V7400"},
      {nullptr, root / "home" / ".local" / "share" / "V7400"},
      {"", root / "home" / ".local" / "share" / "V7400"},
      {"relative/data", root / "home" / ".local" / "share" / "V7400"},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto folder = MakeUserDataFolder(c.xdg_data_home, home.c_str(), error);
    ASSERT_TRUE(folder) << error;
    EXPECT_EQ(*folder, c.expected);
    EXPECT_TRUE(fs::is_directory(c.expected));
    // A second start finds it there.
    EXPECT_EQ(MakeUserDataFolder(c.xdg_data_home, home.c_str(), error), folder);
  }

  const fs::path blocked = root / "blocked";
  std::ofstream(blocked) << "a file, not a folder";
  std::string error;
  EXPECT_FALSE(MakeUserDataFolder(blocked.c_str(), home.c_str(), error));
  EXPECT_NE(error.find((blocked / "V7400").string()), std::string::npos) << error;
  fs::remove_all(root);
}

}  // namespace
}  // namespace v7400
