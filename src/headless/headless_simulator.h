// The simulator without a window: the window's logic units on the Qt link, brought up in the
// window's creation order, answering every frame automatically. Every frame in and out reaches
// the traffic recorder (counts, CSV) and the command run.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/error_log.h"
#include "app/lifecycle.h"
#include "app/qt/qt_link.h"
#include "app/qt/qt_scheduler.h"
#include "app/qt/scenario_timer.h"
#include "app/run_options.h"
#include "commands/command_run.h"
#include "commands/input_commands.h"
#include "core/clock.h"
#include "core/preference_store.h"
#include "display/display_sink.h"
#include "display/receiver_ledger.h"
#include "display/traffic_observers.h"
#include "headless/console_views.h"
#include "protocol/network_receive.h"
#include "protocol/serial_receive.h"

namespace v7400 {

class HeadlessSimulator : private CreationSteps, private FrameObserver {
 public:
  // Frames are written to `csv` when it is open.
  HeadlessSimulator(const RunOptions& options, const Clock& clock, const ErrorLog& error_log,
                    const PreferenceStore& preferences, const std::string& settings_path,
                    TrafficCsv& csv);
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

  TrafficRecorder& Recorder() { return observers_.Recorder(); }
  // Packets go to `pcap` too, with the link's addresses.
  void AttachCapture(TrafficPcap& pcap);
  const CommandRun& Commands() const { return run_; }
  const SimulatorState& State() const { return state_; }
  const AnswerFaults& Faults() const { return faults_; }
  // The receiver's retransmissions as they stand now.
  LedgerReport Retransmissions() const { return observers_.Ledger().Report(); }
  AnswerCounts Answers() const { return observers_.Answers(); }

 private:
  void OnFrame(const FrameReport& report) override;
  template <typename Handler>
  void Handle(const char* component, Handler&& handler) {
    Guarded(error_log_, component, std::forward<Handler>(handler));
  }
  // After each notification, as after a window handler: the commands move on, the run checks
  // its end.
  void AfterNotification();

  // CreationSteps.
  void DiscoverLinkLocalAddress() override { link_->DiscoverLinkLocalAddress(); }
  void InitialiseLineRecords() override { InitialiseLines(state_); }
  void InstallErrorHandler() override {}
  void PrepareCommandPanel() override { commands_->StartUp(); }
  void SetProtocolDefaults() override;
  void SetTimeFormats() override {}
  void CaptureWorkDir() override {}
  void SetTrafficLoggingOff() override {}
  bool CreateNetworkObjects() override { return link_->CreateNetworkObjects(); }
  void ShowNoNetworkInformation() override { prompts_.ShowInformation(kNoNetworkInformation); }
  void OpenConnectionAtStartup() override { link_->OpenConnectionAtStartup(); }
  void AttachDatagramHandler() override;
  void ResetCounts() override { ResetCountersAndAddress(state_); }
  void ResetSequenceTexts() override;
  void SetDisplayScrollExtent() override {}
  void ClearClosing() override { state_.Closing = 0; }
  bool TakeOpenFailed() override;
  void OpenSettingsDialog() override {}
  void CreateCipher() override { link_->CreateCipher(state_.KeyString); }
  void LoadPreferences() override;

  const RunOptions& options_;
  const Clock& clock_;
  const ErrorLog& error_log_;
  const PreferenceStore& preferences_;
  ConsoleViews views_;
  ConsolePrompts prompts_;
  SimulatorState state_;
  DisplaySink sink_;
  std::unique_ptr<QtLink> link_;
  ClockSeededRandom random_;
  std::unique_ptr<InputCommands> commands_;
  SerialReceiver serial_receiver_;
  NetworkReceiver network_receiver_;
  TrafficObservers observers_;
  CommandRun run_;
  std::function<void()> after_frames_;
  bool open_failed_ = false;
  std::string last_problem_;  // the last connection problem the error log got
  bool stopped_ = false;
  // Last, so late answers still pending are dropped before the receivers go.
  QtScheduler scheduler_;
  AnswerFaults faults_;
  std::unique_ptr<ScenarioTimer> scenario_;
};

}  // namespace v7400
