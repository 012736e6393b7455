// The "ACK Mode" group: automatic or manual answers, and the "ACK" and "NACK" buttons that
// answer from the address fields of the last frame.
#pragma once

#include <string>

#include "core/clock.h"
#include "core/line_services.h"
#include "core/link_ports.h"
#include "core/simulator_state.h"
#include "display/display_sink.h"

namespace v7400 {

// The controls the window mirrors.
class AckView {
 public:
  virtual ~AckView() = default;
  virtual void ShowAckMode(bool auto_chosen) = 0;
  virtual void SetAnswerButtonsEnabled(bool enabled) = 0;
};

class AckControl {
 public:
  AckControl(SimulatorState& state, AckView& view, SerialPort& serial, DatagramSender& network,
             DisplaySink& sink, const Clock& clock, LineServices& lines)
      : state_(state),
        view_(view),
        serial_(serial),
        network_(network),
        sink_(sink),
        clock_(clock),
        lines_(lines) {}

  void rbAutoACKClick();
  void rbManualACKClick();
  void btnACKClick() { Answer(true); }
  void btnNACKClick() { Answer(false); }

 private:
  void Answer(bool positive);
  void Answer4100(bool positive);
  void AnswerSia(bool positive);
  void CountSent();

  SimulatorState& state_;
  AckView& view_;
  SerialPort& serial_;
  DatagramSender& network_;
  DisplaySink& sink_;
  const Clock& clock_;
  LineServices& lines_;
};

}  // namespace v7400
