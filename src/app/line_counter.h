// Per-line counting of received packets for the line grid and the statistics page, used while
// the program runs without the input-command logic: it counts events and feedbacks but sends
// no commands (a request to send one is an error that lands in the error log).
#pragma once

#include <functional>
#include <string>

#include "protocol/line_services.h"
#include "protocol/simulator_state.h"

namespace v7400 {

class LineCounter : public LineServices {
 public:
  LineCounter(SimulatorState& state, std::function<void()> refresh)
      : state_(state), refresh_(std::move(refresh)) {}

  void UpdateLineOnReceive(const std::string& entry, const std::string& line_text) override;
  void SendCommand(const TCommand& command) override;
  void BuildProgramQueue(int line) override;
  std::string NextProgramItem(int line) override;

 private:
  SimulatorState& state_;
  std::function<void()> refresh_;
};

}  // namespace v7400
