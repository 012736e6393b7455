// The one way out for every command: build, show, log, record, send and count.
#pragma once

#include <string>

#include "commands/line_statistics.h"
#include "core/clock.h"
#include "core/link_ports.h"
#include "core/simulator_state.h"
#include "display/display_sink.h"

namespace v7400 {

inline constexpr char kInputCmdMarker[] = " Input CMD:  ";

class CommandSender {
 public:
  CommandSender(SimulatorState& state, SerialPort& serial, DatagramSender& network,
                DisplaySink& sink, const Clock& clock, LineStatistics& statistics)
      : state_(state),
        serial_(serial),
        network_(network),
        sink_(sink),
        clock_(clock),
        statistics_(statistics) {}

  // An empty packet (kinds 4 to 8 in "4100") is handed to the link too. A line
  // outside 1 to 32 touches no line record; the command still goes out.
  void SendCommand(const TCommand& command);

 private:
  SimulatorState& state_;
  SerialPort& serial_;
  DatagramSender& network_;
  DisplaySink& sink_;
  const Clock& clock_;
  LineStatistics& statistics_;
};

}  // namespace v7400
