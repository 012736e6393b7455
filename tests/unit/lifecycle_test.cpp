#include "app/lifecycle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"

namespace v7400 {
namespace {

namespace fs = std::filesystem;

class RecordingSteps : public CreationSteps, public ShutdownSteps {
 public:
  void Step(const std::string& name) {
    done.push_back(name);
    if (name == fail_at) throw std::runtime_error("failed in " + name);
  }
  void DiscoverLinkLocalAddress() override { Step("discover"); }
  void InitialiseLineRecords() override { Step("lines"); }
  void InstallErrorHandler() override { Step("handler"); }
  void PrepareCommandPanel() override { Step("panel"); }
  void SetProtocolDefaults() override { Step("defaults"); }
  void SetTimeFormats() override { Step("formats"); }
  void CaptureWorkDir() override { Step("workdir"); }
  void SetTrafficLoggingOff() override { Step("logoff"); }
  bool CreateNetworkObjects() override {
    Step("network");
    return network_ok;
  }
  void ShowNoNetworkInformation() override { Step("nonetwork"); }
  void OpenConnectionAtStartup() override { Step("open"); }
  void AttachDatagramHandler() override { Step("attach"); }
  void ResetCounts() override { Step("counts"); }
  void ResetSequenceTexts() override { Step("sequence"); }
  void SetDisplayScrollExtent() override { Step("extent"); }
  void ClearClosing() override { Step("closing"); }
  bool TakeOpenFailed() override {
    Step("openfailed");
    return open_failed;
  }
  void OpenSettingsDialog() override { Step("settings"); }
  void CreateCipher() override { Step("cipher"); }
  void LoadPreferences() override { Step("preferences"); }
  void SavePreferences() override { Step("save"); }
  void CloseTrafficLog() override { Step("closelog"); }
  void ReleaseNetworkObjects() override { Step("release"); }

  std::vector<std::string> done;
  std::string fail_at;
  bool network_ok = true;
  bool open_failed = false;
};

class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("v7400_lifecycle_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> LogLines() const {
    std::ifstream in(dir_ / "error.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  fs::path dir_;
  testing::FakeClock clock_;
};

TEST_F(LifecycleTest, CreationRunsEveryStepInOrder) {
  RecordingSteps steps;
  RunFormCreate(steps, ErrorLog(dir_.string(), clock_));
  EXPECT_EQ(steps.done, (std::vector<std::string>{
                            "discover", "lines", "handler", "panel", "defaults", "formats",
                            "workdir", "logoff", "network", "open", "attach", "counts", "sequence",
                            "extent", "closing", "openfailed", "cipher", "preferences"}));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(LifecycleTest, NoNetworkInformsAndSkipsTheHandler) {
  RecordingSteps steps;
  steps.network_ok = false;
  steps.open_failed = true;
  RunFormCreate(steps, ErrorLog(dir_.string(), clock_));
  const std::vector<std::string> tail(steps.done.begin() + 8, steps.done.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"network", "nonetwork", "open", "counts", "sequence",
                                            "extent", "closing", "openfailed", "settings", "cipher",
                                            "preferences"}));
}

TEST_F(LifecycleTest, FailingStepIsLoggedOnceUnderForm1AndSkipsTheRest) {
  RecordingSteps steps;
  steps.fail_at = "cipher";
  RunFormCreate(steps, ErrorLog(dir_.string(), clock_));
  EXPECT_EQ(steps.done.back(), "cipher");
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"03-15-2012 14:05:09  Form1  failed in cipher\r"}));
}

TEST_F(LifecycleTest, ShutDownGoesOnAfterAFailedSave) {
  RecordingSteps steps;
  steps.fail_at = "save";
  RunShutDown(steps, ErrorLog(dir_.string(), clock_), "Form1");
  EXPECT_EQ(steps.done, (std::vector<std::string>{"save", "closelog", "release"}));
  EXPECT_EQ(LogLines().size(), 1u);
}

}  // namespace
}  // namespace v7400
