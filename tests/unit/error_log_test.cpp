#include "app/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"

namespace v7400 {
namespace {

namespace fs = std::filesystem;

class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("v7400_errlog_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Contents() const {
    std::ifstream in(dir_ / "error.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir_;
  testing::FakeClock clock_;
};

TEST_F(ErrorLogTest, LinesAreAppendedWithDateTimeComponentAndMessage) {
  const ErrorLog log(dir_.string(), clock_);
  EXPECT_EQ(log.Path(), (dir_ / "error.log").string());
  log.AppException("Form1", "'abc' is not a valid integer value");
  clock_.now = {2013, 1, 2, 0, 0, 0, 0};  // midnight keeps the time part
  log.AppException("", "Unnamed");
  EXPECT_EQ(Contents(),
            "03-15-2012 14:05:09  Form1  'abc' is not a valid integer value\r\n"
            "01-02-2013 00:00:00    Unnamed\r\n");
}

// A flood of one error costs two lines, and bytes from the wire never break a line.
TEST_F(ErrorLogTest, RepeatsAreCountedAndBytesEscaped) {
  {
    const ErrorLog log(dir_.string(), clock_);
    for (int i = 0; i < 10000; ++i) log.AppException("UDPServer1", "'A\r\n\xFF' is no number");
    log.AppException("UDPServer1", "other");
    log.AppException("UDPServer1", "other");
    clock_.tick = 60000;  // a spell ends after a minute, however long the flood
    log.AppException("UDPServer1", "other");
    log.AppException("UDPServer1", "other");
  }
  EXPECT_EQ(
      Contents(),
      "03-15-2012 14:05:09  UDPServer1  'A[13][10][255]' is no number\r\n"
      "03-15-2012 14:05:09  UDPServer1  'A[13][10][255]' is no number (repeated 9999 times)\r\n"
      "03-15-2012 14:05:09  UDPServer1  other\r\n"
      "03-15-2012 14:05:09  UDPServer1  other (repeated 1 time)\r\n"
      "03-15-2012 14:05:09  UDPServer1  other\r\n"
      "03-15-2012 14:05:09  UDPServer1  other (repeated 1 time)\r\n");
}

TEST_F(ErrorLogTest, UnwritableLocationIsSilent) {
  const ErrorLog log((dir_ / "missing" / "folder").string(), clock_);
  EXPECT_NO_THROW(log.AppException("Form1", "lost"));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(ErrorLogTest, GuardedLogsEachEscapingErrorOnceAndSwallowsIt) {
  const ErrorLog log(dir_.string(), clock_);
  int ran = 0;
  Guarded(log, "btnSave", [&] { ++ran; });
  Guarded(log, "btnSave", [] { throw std::runtime_error("disk full"); });
  Guarded(log, "Timer1", [] { throw 42; });
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(Contents(),
            "03-15-2012 14:05:09  btnSave  disk full\r\n"
            "03-15-2012 14:05:09  Timer1  Unknown error\r\n");
}

}  // namespace
}  // namespace v7400

namespace v7400 {
namespace {

TEST_F(ErrorLogTest, GoesBesideTheExecutableOnlyWhenItCanBeWrittenThere) {
  struct Case {
    bool exe_dir_writable;
    std::optional<std::string> xdg_state_home;
    std::string home;
    fs::path expected;
  };
  const fs::path exe = dir_ / "bin";
  const std::vector<Case> cases = {
      {true, std::nullopt, "/h", exe},
      {false, (dir_ / "state").string(), "/h", dir_ / "state" / "V7400"},
      {false, "", (dir_ / "home").string(), dir_ / "home" / ".local" / "state" / "V7400"},
      {false, std::nullopt, (dir_ / "home").string(), dir_ / "home" / ".local" / "state" / "V7400"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> asked;
    const std::string chosen =
        ErrorLogDirectory(exe.string(), c.xdg_state_home ? c.xdg_state_home->c_str() : nullptr,
                          c.home.c_str(), [&](const std::string& path) {
                            asked.push_back(path);
                            return c.exe_dir_writable;
                          });
    EXPECT_EQ(chosen, c.expected.string());
    EXPECT_EQ(asked, std::vector<std::string>{exe.string()});
    EXPECT_TRUE(fs::is_directory(chosen) || c.exe_dir_writable) << chosen;
  }
  // An existing log is what must be writable, not merely its folder.
  fs::create_directories(exe);
  std::ofstream(exe / "error.log") << "x";
  std::string asked;
  ErrorLogDirectory(exe.string(), nullptr, "/h", [&](const std::string& path) {
    asked = path;
    return true;
  });
  EXPECT_EQ(asked, (exe / "error.log").string());
}

TEST(ErrorLogDirectoryTest, OnlyAFolderOfTheUsersOwnOutsideUsrIsTheirs) {
  EXPECT_TRUE(IsUsersFolder("/home/ann/v7400/build/bin", 1000, 1000));
  EXPECT_TRUE(IsUsersFolder("/usrlocal/bin", 0, 0));
  EXPECT_FALSE(IsUsersFolder("/home/ann/v7400/build/bin", 1000, 0));  // root, another's build
  EXPECT_FALSE(IsUsersFolder("/usr/bin", 0, 0));                      // root, the package
  EXPECT_FALSE(IsUsersFolder("/usr", 0, 0));
}

}  // namespace
}  // namespace v7400
