#include "app/qt/simulator_session.h"

#include <cstdio>

#include "app/preferences.h"
#include "app/qt/control_host.h"
#include "app/run_summary.h"
#include "core/output_file.h"
#include "core/shown_text.h"
#include "display/retransmission_report.h"

namespace v7400 {

namespace {

constexpr int kBadArgument = 2;

int Refuse(const std::string& message) {
  std::fprintf(stderr, "v7400: %s\n", message.c_str());
  return kBadArgument;
}

// The traffic log is opened for appending once the link is up; tried here so a path that
// cannot be written is refused before anything is answered.
std::string LogProblem(const std::string& path) {
  if (path.empty()) return {};
  std::string reason;
  std::FILE* file = OpenOutputFile(path, OutputMode::kAppend, reason);
  if (file == nullptr) return "--log: cannot write \"" + path + "\": " + reason;
  std::fclose(file);
  return {};
}

// The line on late answers that could not wait for their time, when there were any.
std::string LateAnswersText(const AnswerFaults& faults) {
  if (faults.LateSentAtEnd() == 0 && faults.LateRefused() == 0) return {};
  return "late answers sent early as the run ended " + std::to_string(faults.LateSentAtEnd()) +
         ", refused for a full queue " + std::to_string(faults.LateRefused()) + "\n";
}

}  // namespace

int OpenSessionOutputs(const RunOptions& options, const ErrorLog& error_log,
                       SessionOutputs& outputs) {
  for (const auto& [flag, path] : {std::pair{"--summary-json", &options.summary_json_path},
                                   std::pair{"--junit", &options.faults.junit_path}}) {
    if (path->empty()) continue;
    if (const std::string problem = WholeFileProblem(*path); !problem.empty()) {
      return Refuse(std::string(flag) + ": cannot write \"" + *path + "\": " + problem);
    }
  }
  if (!OpenCsvOption(options, outputs.csv, error_log) ||
      !OpenPcapOption(options, outputs.pcap, error_log)) {
    return kBadArgument;
  }
  const std::string problem = LogProblem(options.log_path);
  return problem.empty() ? 0 : Refuse(problem);
}

AutomationFormat RunFormat(const RunOptions& options, const PreferenceStore& preferences) {
  if (options.format) return *options.format;
  LoadProblems problems;
  return LoadPara(preferences, problems).Format;
}

int CheckRunFormat(const RunOptions& options, const PreferenceStore& preferences) {
  const std::string problem = FormatRefusal(options, RunFormat(options, preferences));
  return problem.empty() ? 0 : Refuse(ShownText(problem, kShownLineLimit) + "; try 'v7400 --help'");
}

SimulatorSession::SimulatorSession(const RunOptions& options, const Clock& clock,
                                   const ErrorLog& error_log, SessionViews views,
                                   const LinkMaker& make_link, SessionOutputs& outputs)
    : options_(options),
      clock_(clock),
      error_log_(error_log),
      notice_(std::move(views.notice)),
      outputs_(outputs),
      sink_(state_, views.display, &clock),
      link_(make_link(state_, views.display)),
      commands_(std::make_unique<InputCommands>(
          CommandPorts{state_, link_->Serial(), link_->Network(), sink_, clock, views.prompts,
                       views.panel, views.statistics, random_})),
      serial_receiver_(state_, link_->Serial(), sink_, clock, *commands_),
      network_receiver_(state_, link_->Ingress(), link_->Network(), sink_, clock, *commands_),
      observers_(sink_, state_, &outputs.csv),
      run_(state_, *commands_, clock, options.commands),
      scheduler_(error_log, "UDPServer1", clock),
      faults_(clock, scheduler_) {
  const std::uint64_t seed = ApplyFaultOptions(options.faults, faults_);
  scenario_ = MakeScenarioTimer(clock, faults_, options.faults, seed);
  // With no rule the faults cost the receive paths nothing; rules may come at any time.
  serial_receiver_.SetAnswerFaults(&faults_);
  network_receiver_.SetAnswerFaults(&faults_);
  faults_.SetQueueFullHandler([this] {
    std::string message = kLateQueueFullReason;
    message += ": a late answer was refused";
    Notice("UDPServer1", message);
  });
  faults_.SetOutageHandler([this](int number, std::uint32_t start, std::uint32_t ms) {
    observers_.Ledger().OutageBegan(number, start, ms);
    timeline_.OutageBegan(number, start, ms);
  });
  sink_.AddObserver(this);
  sink_.SetLogFailureHandler(
      [this](const std::string& message) { Notice("cbxSaveLogToFile", message); });
  outputs_.pcap.SetUdpEnds([this](const FrameReport& report) {
    return UdpEndsOf(state_, report, link_->LocalPort());
  });
  observers_.Recorder().SetPcap(&outputs_.pcap);
}

SimulatorSession::~SimulatorSession() {
  control_.reset();
  observers_.Recorder().SetPcap(nullptr);
  if (timeline_followed_) sink_.RemoveObserver(&timeline_);
  sink_.RemoveObserver(this);
}

void SimulatorSession::FollowTimeline() {
  if (timeline_followed_) return;
  timeline_followed_ = true;
  sink_.AddObserver(&timeline_);
}

void SimulatorSession::Notice(const std::string& component, const std::string& message) const {
  if (notice_) notice_(message);
  error_log_.AppException(component, message);
}

void SimulatorSession::SetProtocolDefaults() {
  state_.PackageEndChar = 20;
  state_.SpaceConverting = 1;
}

void SimulatorSession::ResetSequenceTexts() {
  state_.CurrentSequence = "0001";
  state_.ReceiverNumber = "01";
  state_.CurrentLine = "00";
}

void SimulatorSession::StartOutputs() {
  observers_.Recorder().SetSerialPeer(link_->SerialDeviceName());
  if (!options_.log_path.empty()) sink_.StartLog(options_.log_path);
  elapsed_.start();
}

void SimulatorSession::FinishAnswers() {
  if (scenario_) scenario_->Phases().Finish();
  if (faults_.SendLateNow() > 0) observers_.Ledger().LateAnswersWent(clock_.TickMs());
  link_->FinishSerialWrites();
}

void SimulatorSession::ResetFigures() {
  observers_.ResetFigures();
  timeline_.Reset();
  if (control_) control_->ResetFigures();
  // An outage under way goes on, so the frames it silences find it in the new figures.
  const std::uint32_t now = clock_.TickMs();
  const std::vector<OutageSpell>& outages = faults_.Outages();
  for (std::size_t i = 0; i < outages.size(); ++i) {
    const OutageSpell& outage = outages[i];
    if (outage.started && now - outage.start_tick < outage.DurationMs()) {
      const int number = static_cast<int>(i) + 1;
      observers_.Ledger().OutageBegan(number, outage.start_tick, outage.DurationMs());
      timeline_.OutageBegan(number, outage.start_tick, outage.DurationMs());
    }
  }
}

bool SimulatorSession::StartControl(std::string& error, std::function<void()> changed) {
  if (!options_.control) return true;
  control_ = std::make_unique<ControlHost>(*this, clock_, error_log_, notice_);
  control_->SetChangeHandler(std::move(changed));
  const std::string address = control_->Listen(*options_.control, error);
  if (address.empty()) {
    control_.reset();
    return false;
  }
  std::fprintf(stderr, "v7400: control: listening on http://%s\n", address.c_str());
  return true;
}

double SimulatorSession::Seconds() const {
  return elapsed_.isValid() ? static_cast<double>(elapsed_.nsecsElapsed()) / 1e9 : 0.0;
}

SessionReport SimulatorSession::Report(double seconds) const {
  const RunSummary summary =
      MakeRunSummary(observers_.Recorder().Tally(), state_, seconds, run_.Outcomes());
  const LedgerReport retransmissions = observers_.Ledger().Report();
  SessionReport report;
  report.judgement = JudgeRun(retransmissions, observers_.Answers(), options_.faults.expectations);
  report.text = SummaryText(summary) + LateAnswersText(faults_) +
                RetransmissionText(retransmissions) +
                ExpectationsText(report.judgement.expectations);
  report.json = SummaryJson(summary);
  report.json["late_answers"] = {{"sent_at_end", faults_.LateSentAtEnd()},
                                 {"refused", faults_.LateRefused()}};
  report.json["retransmissions"] = RetransmissionJson(retransmissions);
  if (!report.judgement.expectations.empty()) {
    report.json["expectations"] = ExpectationsJson(report.judgement.expectations);
  }
  report.junit =
      RetransmissionJUnit(report.judgement.cases, options_.faults.junit_suite, seconds);
  return report;
}

// The summary files are written whole at the end (a kill leaves the old file or none); one that
// fails is said, naming its option, and the others are still written.
bool SimulatorSession::WriteSummaryFiles(const SessionReport& report) const {
  bool all = true;
  for (const auto& [flag, path, text] :
       {std::tuple{"--summary-json", &options_.summary_json_path, JsonText(report.json)},
        std::tuple{"--junit", &options_.faults.junit_path, report.junit}}) {
    std::string reason;
    if (path->empty() || WriteWholeFile(*path, text, reason)) continue;
    std::fprintf(stderr, "v7400: %s: cannot write \"%s\": %s\n", flag, path->c_str(),
                 reason.c_str());
    all = false;
  }
  return all;
}

int SimulatorSession::ExitStatus(const SessionReport& report, bool written) const {
  const RunJudgement& judgement = report.judgement;
  return !written || (options_.strict && judgement.receiver_failed) ||
                 judgement.ExpectationFailed()
             ? 1
             : 0;
}

void SimulatorSession::OnFrame(const FrameReport& report) {
  if (report.direction == FrameDirection::kIn && report.verdict != FrameVerdict::kIgnored &&
      report.verdict != FrameVerdict::kDropped) {
    run_.OnFrameIn(report);
  }
}

}  // namespace v7400
