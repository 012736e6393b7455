// One run of the simulator: its state, the display sink and everything that records the traffic,
// the link, the receive paths, the answer faults and a scenario's phases, the commands and the
// outputs, built alike for the window and the run without one. A front end only attaches its
// views, handlers and timers.
#pragma once

#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/error_log.h"
#include "app/link.h"
#include "app/qt/qt_scheduler.h"
#include "app/qt/scenario_timer.h"
#include "app/run_options.h"
#include "commands/command_run.h"
#include "commands/command_views.h"
#include "commands/input_commands.h"
#include "core/clock.h"
#include "core/display_view.h"
#include "core/preference_store.h"
#include "core/prompts.h"
#include "display/attempt_timeline.h"
#include "display/display_sink.h"
#include "display/expectation.h"
#include "display/traffic_observers.h"
#include "protocol/answer_faults.h"
#include "protocol/network_receive.h"
#include "protocol/serial_receive.h"

namespace v7400 {

class ControlHost;

// What the front end shows and asks with.
struct SessionViews {
  DisplayView& display;
  Prompts& prompts;
  CommandPanelView& panel;
  StatisticsView& statistics;
  // Where a run without a window says what went wrong as it goes; the window leaves it empty.
  std::function<void(const std::string&)> notice = nullptr;
};

using LinkMaker = std::function<std::unique_ptr<Link>(SimulatorState&, DisplayView&)>;

// The files a run writes as it goes, opened before anything is answered.
struct SessionOutputs {
  TrafficCsv csv;
  TrafficPcap pcap;
};

// Every output, tried before the link opens: 0, or 2 after the one line that says which cannot
// be written and why. The summary files are only tried, since they are written whole at the end.
int OpenSessionOutputs(const RunOptions& options, const ErrorLog& error_log,
                       SessionOutputs& outputs);

// The format the run starts in: the command line's, else the stored preference.
AutomationFormat RunFormat(const RunOptions& options, const PreferenceStore& preferences);
// 0 when the run's format carries every command, fault and expectation of the command line;
// else 2 after the one line that says which it cannot.
int CheckRunFormat(const RunOptions& options, const PreferenceStore& preferences);

// What the run's figures come to, as the summary files and the exit status have them.
struct SessionReport {
  std::string text;  // the summary as printed
  Json json;         // --summary-json
  std::string junit;
  RunJudgement judgement;
};

class SimulatorSession : private FrameObserver {
 public:
  SimulatorSession(const RunOptions& options, const Clock& clock, const ErrorLog& error_log,
                   SessionViews views, const LinkMaker& make_link, SessionOutputs& outputs);
  SimulatorSession(const SimulatorSession&) = delete;
  SimulatorSession& operator=(const SimulatorSession&) = delete;
  ~SimulatorSession() override;

  const RunOptions& Options() const { return options_; }
  SimulatorState& State() { return state_; }
  const SimulatorState& State() const { return state_; }
  DisplaySink& Sink() { return sink_; }
  Link& Connection() { return *link_; }
  InputCommands& Commands() { return *commands_; }
  SerialReceiver& SerialPath() { return serial_receiver_; }
  NetworkReceiver& NetworkPath() { return network_receiver_; }
  TrafficObservers& Traffic() { return observers_; }
  const TrafficObservers& Traffic() const { return observers_; }
  AnswerFaults& Faults() { return faults_; }
  const AnswerFaults& Faults() const { return faults_; }
  // The scenario's phases, or null without a scenario.
  ScenarioPhases* Phases() { return scenario_ ? &scenario_->Phases() : nullptr; }
  CommandRun& Run() { return run_; }
  const CommandRun& Run() const { return run_; }
  // The receiver's recent attempts for a timeline, once a view asks to follow them.
  const AttemptTimeline& Timeline() const { return timeline_; }
  void FollowTimeline();

  // The creation steps both front ends take alike.
  void SetProtocolDefaults();
  void ResetSequenceTexts();
  // Once the link is open: the capture learns its ends, the --log file opens, the clock of the
  // run's length starts.
  void StartOutputs();
  // As the run ends: a phase still under way ends now, and late answers still waiting go now,
  // while the link is open, so that every answer a frame's record calls sent was sent.
  void FinishAnswers();
  // The receiver's figures start afresh; the traffic and the outputs go on.
  void ResetFigures();
  // With --control, the live control listens from now on; false with `error` when it cannot.
  // Each change it makes is told to `changed` after the traffic log and the notice have it.
  bool StartControl(std::string& error, std::function<void()> changed = nullptr);

  double Seconds() const;
  SessionReport Report(double seconds) const;
  // Writes --summary-json and --junit where they were asked for; false after saying which
  // could not be written.
  bool WriteSummaryFiles(const SessionReport& report) const;
  // The exit status the figures give: 1 for a failed expectation, a failed receiver verdict
  // under --strict, or a summary file not written.
  int ExitStatus(const SessionReport& report, bool written) const;

 private:
  void OnFrame(const FrameReport& report) override;
  void Notice(const std::string& component, const std::string& message) const;

  const RunOptions& options_;
  const Clock& clock_;
  const ErrorLog& error_log_;
  std::function<void(const std::string&)> notice_;
  SessionOutputs& outputs_;
  SimulatorState state_;
  DisplaySink sink_;
  std::unique_ptr<Link> link_;
  ClockSeededRandom random_;
  std::unique_ptr<InputCommands> commands_;
  SerialReceiver serial_receiver_;
  NetworkReceiver network_receiver_;
  TrafficObservers observers_;
  AttemptTimeline timeline_;
  bool timeline_followed_ = false;
  CommandRun run_;
  QElapsedTimer elapsed_;
  // Last, so late answers still pending are dropped before the receivers go.
  QtScheduler scheduler_;
  AnswerFaults faults_;
  std::unique_ptr<ScenarioTimer> scenario_;
  // Last: it observes the sink and reads everything above.
  std::unique_ptr<ControlHost> control_;
};

}  // namespace v7400
