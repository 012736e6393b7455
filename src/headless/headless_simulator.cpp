#include "headless/headless_simulator.h"

#include "app/preferences.h"

namespace v7400 {

HeadlessSimulator::HeadlessSimulator(const RunOptions& options, const Clock& clock,
                                     const ErrorLog& error_log, const PreferenceStore& preferences,
                                     const std::string& settings_path, TrafficCsv& csv)
    : options_(options),
      clock_(clock),
      error_log_(error_log),
      preferences_(preferences),
      prompts_(options.log_path),
      sink_(state_, views_, &clock),
      link_(MakeQtLink(state_, views_, prompts_, settings_path)),
      commands_(std::make_unique<InputCommands>(CommandPorts{state_, link_->Serial(),
                                                             link_->Network(), sink_, clock,
                                                             prompts_, views_, views_, random_})),
      serial_receiver_(state_, link_->Serial(), sink_, clock, *commands_),
      network_receiver_(state_, link_->Ingress(), link_->Network(), sink_, clock, *commands_),
      observers_(sink_, state_, &csv),
      run_(state_, *commands_, clock, options.commands),
      scheduler_(error_log, "UDPServer1", clock),
      faults_(clock, scheduler_) {
  const std::uint64_t seed = ApplyFaultOptions(options.faults, faults_);
  scenario_ = MakeScenarioTimer(clock, faults_, options.faults, seed);
  if (scenario_) {
    scenario_->Phases().SetChangeHandler(
        [](const std::string& change) { std::fprintf(stderr, "v7400: %s\n", change.c_str()); });
  }
  if (options.faults.Any()) {
    serial_receiver_.SetAnswerFaults(&faults_);
    network_receiver_.SetAnswerFaults(&faults_);
  }
  faults_.SetQueueFullHandler([this] {
    const std::string message = std::string(kLateQueueFullReason) + ": a late answer was refused";
    std::fprintf(stderr, "v7400: %s\n", message.c_str());
    error_log_.AppException("UDPServer1", message);
  });
  faults_.SetOutageHandler([this](int number, std::uint32_t start, std::uint32_t ms) {
    observers_.Ledger().OutageBegan(number, start, ms);
  });
  sink_.AddObserver(this);
  sink_.KeepNoLists();
  sink_.SetLogFailureHandler([this](const std::string& message) {
    std::fprintf(stderr, "v7400: %s\n", message.c_str());
    error_log_.AppException("cbxSaveLogToFile", message);
  });
  if (options.link) link_->UseGivenLink(*options.link);
  // As the window does: the link's problems (a refused settings file, a port that cannot be
  // bound, this computer's name not resolving) go to "error.log".
  link_->SetConnectionProblemHandler([this](const std::string& message) {
    last_problem_ = ErrorLogText(message);  // raw bytes from the file stay off the terminal
    error_log_.AppException(kMainWindowName, message);
  });
  link_->SetSerialLinkHandler([this](bool up, const std::string& why) {
    if (up) return;
    state_.FrameBuffer.clear();
    state_.DecimalText.clear();
    state_.HexText.clear();
    std::fprintf(stderr, "v7400: serial port lost: %s\n", why.c_str());
    error_log_.AppException("ApdComPort1", "Serial port lost: " + why);
  });
  link_->SetSerialDataHandler([this](int count) {
    Handle("ApdComPort1", [&] { serial_receiver_.OnDataAvailable(count); });
    AfterNotification();
  });
}

HeadlessSimulator::~HeadlessSimulator() {
  sink_.RemoveObserver(this);
  Stop();
}

bool HeadlessSimulator::Start(std::string& failure) {
  RunFormCreate(*this, error_log_);
  // A serial port that failed to open has already said why, in the window's own words.
  if (open_failed_) return false;
  if (!link_->IsOpen()) {
    failure = !last_problem_.empty() ? last_problem_
              : state_.ConnectionMode == 1
                  ? "cannot listen on UDP port " + std::to_string(link_->LocalPort())
                  : "cannot open the serial port " + link_->SerialDeviceName();
    return false;
  }
  Recorder().SetSerialPeer(link_->SerialDeviceName());
  if (state_.ConnectionMode == 1 && link_->LocalPort() == 0) {
    std::fprintf(stderr, "v7400: local port 0: listening on UDP port %u\n",
                 static_cast<unsigned>(link_->BoundLocalPort()));
  }
  if (!options_.log_path.empty()) {
    Handle("cbxSaveLogToFile", [&] { sink_.SaveLogToFileClicked(true, prompts_, {}); });
  }
  Handle("btnStartSend", [&] { run_.Advance(); });
  return true;
}

void HeadlessSimulator::AttachCapture(TrafficPcap& pcap) {
  pcap.SetUdpEnds(
      [this](const FrameReport& report) { return UdpEndsOf(state_, report, link_->LocalPort()); });
  Recorder().SetPcap(&pcap);
}

void HeadlessSimulator::OnSecond() {
  Handle("tmr_ProgramAndRequest", [&] { commands_->tmr_ProgramAndRequestTimer(); });
  sink_.Timer1Timer();
  AfterNotification();
}

void HeadlessSimulator::AfterNotification() {
  Handle("btnStartSend", [&] { run_.Advance(); });
  if (after_frames_) after_frames_();
}

void HeadlessSimulator::Stop() {
  if (stopped_) return;
  stopped_ = true;
  // Late answers still waiting go now, while the link is open, so that every answer a frame's
  // record calls sent was sent.
  Handle("UDPServer1", [&] {
    if (scenario_) scenario_->Phases().Finish();
    if (faults_.SendLateNow() > 0) observers_.Ledger().LateAnswersWent(clock_.TickMs());
  });
  state_.Closing = -1;
  link_->FinishSerialWrites();
  sink_.CloseLog();
  link_->ReleaseNetworkObjects();
}

void HeadlessSimulator::OnFrame(const FrameReport& report) {
  if (report.direction == FrameDirection::kIn && report.verdict != FrameVerdict::kIgnored &&
      report.verdict != FrameVerdict::kDropped) {
    run_.OnFrameIn(report);
  }
}

void HeadlessSimulator::SetProtocolDefaults() {
  state_.PackageEndChar = 20;
  state_.SpaceConverting = 1;
}

void HeadlessSimulator::AttachDatagramHandler() {
  link_->AttachDatagramHandler(
      [this](const std::string& bytes, const std::string& sender, bool ipv6) {
        sink_.HoldTrafficLog();
        Handle("UDPServer1", [&] { network_receiver_.OnDatagram(bytes, sender, ipv6); });
        AfterNotification();
      });
  link_->SetBurstEndHandler([this] { sink_.ReleaseTrafficLog(); });
}

void HeadlessSimulator::ResetSequenceTexts() {
  state_.CurrentSequence = "0001";
  state_.ReceiverNumber = "01";
  state_.CurrentLine = "00";
}

bool HeadlessSimulator::TakeOpenFailed() {
  open_failed_ = state_.OpenFailed;
  state_.OpenFailed = false;
  // The window would open its settings dialog now; here the run ends instead.
  return false;
}

// The stored format, unless the command line names one; answers are always automatic.
void HeadlessSimulator::LoadPreferences() {
  state_.Ack = AckMode::kAuto;
  if (options_.format) {
    state_.Format = *options_.format;
  } else {
    LoadProblems problems;
    state_.Format = LoadPara(preferences_, problems).Format;
    for (const std::string& problem : problems) error_log_.AppException(kMainWindowName, problem);
  }
}

}  // namespace v7400
