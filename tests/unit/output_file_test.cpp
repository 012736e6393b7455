#include "core/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "fakes/temp_dir.h"

namespace v7400 {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file written whole, or left as it was: through a link, at a file-size limit, into a folder
// that is not there; never a torn file, never a stray temporary one.
TEST(OutputFileTest, AWholeFileIsTheOldOneOrTheNewOne) {
  testing::TempDir dir;
  const std::string target = dir.File("summary.json"), link = dir.File("link.json");
  std::filesystem::create_symlink(target, link);  // dangling until the first write
  EXPECT_TRUE(SameOutputFile(link, target));
  EXPECT_EQ(WholeFileProblem(link), "");
  std::string reason;
  ASSERT_TRUE(WriteWholeFile(link, "old", reason)) << reason;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Read(target), "old");

  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small{10, saved.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteWholeFile(target, std::string(100, 'x'), reason);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(written);
  EXPECT_EQ(reason, std::strerror(EFBIG));
  EXPECT_EQ(Read(target), "old");

  EXPECT_TRUE(WriteWholeFile("/dev/null", "x", reason));
  EXPECT_NE(WholeFileProblem(dir.File("no/such/folder/j.xml")), "");
  EXPECT_EQ(WholeFileProblem(dir.path().string()), "Not a regular file");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace v7400
