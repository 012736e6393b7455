// Opening the files the program writes: only what can take lines without ever waiting.
#include "core/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace v7400 {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  OutputFileTest() {
    fs::create_directories(dir_ / "folder");
    ::mkfifo(Path("fifo").c_str(), 0600);
    std::ofstream(Path("old.txt")) << "old";
  }
  ~OutputFileTest() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_ = fs::temp_directory_path() / ("v7400-out-" + std::to_string(::getpid()));
};

TEST_F(OutputFileTest, OnlyRegularFilesAndDevNullOpenAndNothingWaits) {
  const struct {
    std::string path;
    const char* reason;  // empty: opens
    bool path_ok;        // what the check at start says
  } cases[] = {
      {Path("new.txt"), "", true},
      {Path("old.txt"), "", true},
      {"/dev/null", "", true},
      {Path("fifo"), "Not a regular file", false},  // nobody reads it: must not wait
      {Path("folder"), "Is a directory", false},
      {"/dev/full", "Not a regular file", false},
      {Path("missing/x.txt"), "No such file or directory", true},
  };
  for (const auto& c : cases) {
    for (const OutputMode mode : {OutputMode::kAppend, OutputMode::kTruncate}) {
      std::string reason;
      std::FILE* file = OpenOutputFile(c.path, mode, reason);
      EXPECT_EQ(file != nullptr, *c.reason == '\0') << c.path;
      if (file != nullptr) std::fclose(file);
      EXPECT_EQ(reason, c.reason) << c.path;
    }
    EXPECT_EQ(OutputPathProblem(c.path).empty(), c.path_ok) << c.path;
  }
  EXPECT_EQ(fs::file_size(Path("old.txt")), 0u);  // emptied by the truncating open
}

}  // namespace
}  // namespace v7400
