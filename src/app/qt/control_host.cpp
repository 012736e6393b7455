#include "app/qt/control_host.h"

#include <QElapsedTimer>

#include "app/qt/simulator_session.h"
#include "display/display_text.h"

namespace v7400 {

namespace {

std::int64_t SteadyNs() {
  static QElapsedTimer timer;
  if (!timer.isValid()) timer.start();
  return timer.nsecsElapsed();
}

Json LinkJson(const SimulatorState& state, Link& link) {
  if (state.ConnectionMode != ConnectionMode::kNetwork) {
    return {{"kind", "serial"}, {"device", link.SerialDeviceName()}, {"open", link.IsOpen()}};
  }
  return {{"kind", "udp"},
          {"receiver", state.ReceiverAddress},
          {"receiver_port", state.ReceiverPort},
          {"local_port", link.BoundLocalPort()},
          {"aes", state.EncryptionEnabled},
          {"open", link.IsOpen()}};
}

}  // namespace

ControlHost::ControlHost(SimulatorSession& session, const Clock& clock, const ErrorLog& error_log,
                         std::function<void(const std::string&)> said)
    : session_(session),
      clock_(clock),
      said_(std::move(said)),
      journal_(static_cast<std::size_t>(kLedgerWindow)),
      metrics_(&SteadyNs) {
  session_.Sink().AddObserver(&journal_);
  session_.Sink().AddObserver(&metrics_);
  target_ = std::make_unique<SessionControl>(ControlParts{
      .state = session_.State(),
      .faults = session_.Faults(),
      .traffic = session_.Traffic(),
      .journal = journal_,
      .metrics = metrics_,
      .phases = session_.Phases(),
      .expectations = session_.Options().faults.expectations,
      .link = [this] { return LinkJson(session_.State(), session_.Connection()); },
      .seconds = [this] { return session_.Seconds(); },
      .reset = [this] { session_.ResetFigures(); },
      .changed = [this](const std::string& what) { Changed(what); },
  });
  const std::string token = session_.Options().control ? session_.Options().control->token : "";
  api_ = std::make_unique<ControlApi>(*target_, token);
  server_ = std::make_unique<ControlServer>(*api_, error_log);
}

ControlHost::~ControlHost() {
  server_.reset();
  session_.Sink().RemoveObserver(&metrics_);
  session_.Sink().RemoveObserver(&journal_);
}

std::string ControlHost::Listen(const ControlOptions& options, std::string& error) {
  const std::uint16_t port = server_->Listen(options, error);
  return port == 0 ? std::string() : ControlAddressText(options, port);
}

void ControlHost::ResetFigures() {
  journal_.Reset();
  metrics_.Reset();
}

void ControlHost::Changed(const std::string& what) {
  const std::string line = "control: " + what;
  session_.Sink().WriteTrafficLog(TimeStamp(clock_) + "  " + line);
  if (said_) said_(line);
  if (on_change_) on_change_();
}

}  // namespace v7400
