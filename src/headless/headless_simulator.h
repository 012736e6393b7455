// The simulator without a window: the session on the Qt link, brought up in the window's
// creation order, answering every frame automatically.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/error_log.h"
#include "app/lifecycle.h"
#include "app/qt/simulator_session.h"
#include "app/run_options.h"
#include "core/clock.h"
#include "core/preference_store.h"
#include "headless/console_views.h"

namespace v7400 {

class HeadlessSimulator : private CreationSteps {
 public:
  HeadlessSimulator(const RunOptions& options, const Clock& clock, const ErrorLog& error_log,
                    const PreferenceStore& preferences, const std::string& settings_path,
                    SessionOutputs& outputs);
  HeadlessSimulator(const HeadlessSimulator&) = delete;
  HeadlessSimulator& operator=(const HeadlessSimulator&) = delete;
  ~HeadlessSimulator() override;

  // Runs the creation steps; false with `failure` when the link did not open.
  bool Start(std::string& failure);
  // Called after every batch of frames and on every timer tick.
  void SetAfterFrames(std::function<void()> handler) { after_frames_ = std::move(handler); }
  // The one-second timers of the window: programming time-outs and the traffic log's flush.
  void OnSecond();
  // Ends the run as the window's shutdown does: totals line, log closed, link released.
  void Stop();

  SimulatorSession& Session() { return session_; }
  const SimulatorSession& Session() const { return session_; }

 private:
  template <typename Handler>
  void Handle(const char* component, Handler&& handler) {
    Guarded(error_log_, component, std::forward<Handler>(handler));
  }
  // After each notification, as after a window handler: the commands move on, the run checks
  // its end.
  void AfterNotification();

  // CreationSteps.
  void DiscoverLinkLocalAddress() override { Link().DiscoverLinkLocalAddress(); }
  void InitialiseLineRecords() override { InitialiseLines(State()); }
  void InstallErrorHandler() override {}
  void PrepareCommandPanel() override { session_.Commands().StartUp(); }
  void SetProtocolDefaults() override { session_.SetProtocolDefaults(); }
  void SetTimeFormats() override {}
  void CaptureWorkDir() override {}
  void SetTrafficLoggingOff() override {}
  bool CreateNetworkObjects() override { return Link().CreateNetworkObjects(); }
  void ShowNoNetworkInformation() override { prompts_.ShowInformation(kNoNetworkInformation); }
  void OpenConnectionAtStartup() override { Link().OpenConnectionAtStartup(); }
  void AttachDatagramHandler() override;
  void ResetCounts() override { ResetCountersAndAddress(State()); }
  void ResetSequenceTexts() override { session_.ResetSequenceTexts(); }
  void SetDisplayScrollExtent() override {}
  void ClearClosing() override { State().Closing = 0; }
  bool TakeOpenFailed() override;
  void OpenSettingsDialog() override {}
  void CreateCipher() override { Link().CreateCipher(State().KeyString); }
  void LoadPreferences() override;

  SimulatorState& State() { return session_.State(); }
  v7400::Link& Link() { return session_.Connection(); }
  void WireLink();

  const RunOptions& options_;
  const ErrorLog& error_log_;
  const PreferenceStore& preferences_;
  ConsoleViews views_;
  ConsolePrompts prompts_;
  SimulatorSession session_;
  std::function<void()> after_frames_;
  bool open_failed_ = false;
  std::string last_problem_;  // the last connection problem the error log got
  bool stopped_ = false;
};

}  // namespace v7400
