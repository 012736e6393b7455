// Per-line statistics and the remote-programming exchange, as the receive paths call them.
#pragma once

#include <string>
#include <string_view>

#include "core/simulator_state.h"

namespace v7400 {

class LineServices {
 public:
  virtual ~LineServices() = default;
  // Counts a shown packet for its line, writes the detailed log and runs the recycling triggers.
  // `frame_text`: the part of the entry that renders the received frame, without the answer
  // appended to it, so that an answer's bytes never decide what the frame was.
  virtual void UpdateLineOnReceive(const std::string& entry, const std::string& line_text,
                                   std::string_view frame_text) = 0;
  // Builds, shows, logs, records and sends one command.
  virtual void SendCommand(const TCommand& command) = 0;
  // Fills the line's programming queue from the chosen profile and programming string.
  virtual void BuildProgramQueue(int line) = 0;
  // Removes and returns the first item of the line's programming queue ("" when empty).
  virtual std::string NextProgramItem(int line) = 0;
};

}  // namespace v7400
