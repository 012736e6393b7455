// What --control adds to a session: the event journal and the traffic counts beside the other
// observers, the session's side of the control, and the server that listens for it. Made only
// when --control is given; without it nothing listens and no observer is added.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/control_api.h"
#include "app/control_options.h"
#include "app/error_log.h"
#include "app/qt/control_server.h"
#include "app/session_control.h"
#include "core/clock.h"
#include "display/event_journal.h"
#include "display/traffic_metrics.h"

namespace v7400 {

class SimulatorSession;

class ControlHost {
 public:
  // `said` gets each change as one line ("control: outage 2 started, 30 s").
  ControlHost(SimulatorSession& session, const Clock& clock, const ErrorLog& error_log,
              std::function<void(const std::string&)> said);
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;
  ~ControlHost();

  // The address listened on ("127.0.0.1:8080"), or empty with `error` saying why not.
  std::string Listen(const ControlOptions& options, std::string& error);
  void ResetFigures();
  // Told after each change, once it is made (the window refreshes its status bar).
  void SetChangeHandler(std::function<void()> handler) { on_change_ = std::move(handler); }

 private:
  void Changed(const std::string& what);

  SimulatorSession& session_;
  const Clock& clock_;
  std::function<void(const std::string&)> said_;
  std::function<void()> on_change_;
  EventJournal journal_;
  TrafficMetrics metrics_;
  std::unique_ptr<SessionControl> target_;
  std::unique_ptr<ControlApi> api_;
  std::unique_ptr<ControlServer> server_;
};

}  // namespace v7400
