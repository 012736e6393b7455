#include "headless/headless_simulator.h"

#include <cstdio>

#include "app/preferences.h"
#include "app/qt/qt_link.h"

namespace v7400 {

namespace {

void Say(const std::string& message) { std::fprintf(stderr, "v7400: %s\n", message.c_str()); }

}  // namespace

HeadlessSimulator::HeadlessSimulator(const RunOptions& options, const Clock& clock,
                                     const ErrorLog& error_log, const PreferenceStore& preferences,
                                     const std::string& settings_path, SessionOutputs& outputs)
    : options_(options),
      error_log_(error_log),
      preferences_(preferences),
      prompts_(options.log_path),
      session_(options, clock, error_log, SessionViews{views_, prompts_, views_, views_, &Say},
               [&](SimulatorState& state, DisplayView& view) -> std::unique_ptr<v7400::Link> {
                 auto link = MakeQtLink(state, view, prompts_, settings_path);
                 if (options.link) link->UseGivenLink(*options.link);
                 return link;
               },
               outputs) {
  if (ScenarioPhases* phases = session_.Phases()) phases->SetChangeHandler(&Say);
  session_.Sink().KeepNoLists();
  WireLink();
}

HeadlessSimulator::~HeadlessSimulator() { Stop(); }

void HeadlessSimulator::WireLink() {
  // As the window does: the link's problems (a refused settings file, a port that cannot be
  // bound, this computer's name not resolving) go to "error.log".
  Link().SetConnectionProblemHandler([this](const std::string& message) {
    last_problem_ = ErrorLogText(message);  // raw bytes from the file stay off the terminal
    error_log_.AppException(kMainWindowName, message);
  });
  Link().SetSerialLinkHandler([this](bool up, const std::string& why) {
    if (up) return;
    State().FrameBuffer.clear();
    State().DecimalText.clear();
    State().HexText.clear();
    Say("serial port lost: " + why);
    error_log_.AppException("ApdComPort1", "Serial port lost: " + why);
  });
  Link().SetSerialDataHandler([this](int count) {
    Handle("ApdComPort1", [&] { session_.SerialPath().OnDataAvailable(count); });
    AfterNotification();
  });
}

bool HeadlessSimulator::Start(std::string& failure) {
  RunFormCreate(*this, error_log_);
  // A serial port that failed to open has already said why, in the window's own words.
  if (open_failed_) return false;
  if (!Link().IsOpen()) {
    failure = !last_problem_.empty() ? last_problem_
              : State().ConnectionMode == ConnectionMode::kNetwork
                  ? "cannot listen on UDP port " + std::to_string(Link().LocalPort())
                  : "cannot open the serial port " + Link().SerialDeviceName();
    return false;
  }
  if (State().ConnectionMode == ConnectionMode::kNetwork && Link().LocalPort() == 0) {
    Say("local port 0: listening on UDP port " + std::to_string(Link().BoundLocalPort()));
  }
  Handle("cbxSaveLogToFile", [&] { session_.StartOutputs(); });
  Handle("btnStartSend", [&] { session_.Run().Advance(); });
  return true;
}

void HeadlessSimulator::OnSecond() {
  Handle("tmr_ProgramAndRequest", [&] { session_.Commands().tmr_ProgramAndRequestTimer(); });
  session_.Sink().Timer1Timer();
  AfterNotification();
}

void HeadlessSimulator::AfterNotification() {
  Handle("btnStartSend", [&] { session_.Run().Advance(); });
  if (after_frames_) after_frames_();
}

void HeadlessSimulator::Stop() {
  if (stopped_) return;
  stopped_ = true;
  Handle("UDPServer1", [&] { session_.FinishAnswers(); });
  State().Closing = -1;
  session_.Sink().CloseLog();
  Link().ReleaseNetworkObjects();
}

void HeadlessSimulator::AttachDatagramHandler() {
  Link().AttachDatagramHandler(
      [this](const std::string& bytes, const std::string& sender, IpVersion version) {
        session_.Sink().HoldTrafficLog();
        Handle("UDPServer1", [&] { session_.NetworkPath().OnDatagram(bytes, sender, version); });
        AfterNotification();
      });
  Link().SetBurstEndHandler([this] { session_.Sink().ReleaseTrafficLog(); });
}

bool HeadlessSimulator::TakeOpenFailed() {
  open_failed_ = State().OpenFailed;
  State().OpenFailed = false;
  // The window would open its settings dialog now; here the run ends instead.
  return false;
}

// The stored format, unless the command line names one; answers are always automatic.
void HeadlessSimulator::LoadPreferences() {
  State().Ack = AckMode::kAuto;
  if (options_.format) {
    State().Format = *options_.format;
  } else {
    LoadProblems problems;
    State().Format = LoadPara(preferences_, problems).Format;
    for (const std::string& problem : problems) error_log_.AppException(kMainWindowName, problem);
  }
}

}  // namespace v7400
