// Commands given up front, sent one after the other as a run without a window does: each waits
// for the receiver's feedback or its time-out before the next goes out; "CMD08" waits for its
// remote-programming exchange to end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/frame_observer.h"
#include "core/line_services.h"
#include "core/simulator_state.h"

namespace v7400 {

// How long a command waits for its feedback: the programming exchange's wait for the receiver.
inline constexpr std::uint32_t kFeedbackTimeoutMs = 4000;

enum class CommandResult {
  kPending,
  kFeedback,
  kNoFeedback,
  kProgrammed,
  kProgramTimedOut,
  kNothingSent,
};

struct CommandOutcome {
  TCommand command;
  CommandResult result = CommandResult::kPending;
  int program_state = 0;  // the state a timed-out exchange was in
};

// "feedback", "no feedback in 4 s", ... for the summary.
std::string OutcomeText(const CommandOutcome& outcome);
// "CMD08", "date", "dtmf:1234": the kind as the command line names it.
std::string CommandName(const TCommand& command);

// Whether the format has a frame for the command: the "4100" format carries only date, time
// and stop-audio.
bool CarriedInFormat(const TCommand& command, AutomationFormat format);

class CommandRun {
 public:
  CommandRun(SimulatorState& state, LineServices& lines, const Clock& clock,
             const std::vector<TCommand>& commands);

  // A frame the receiver sent and the simulator took.
  void OnFrameIn(const FrameReport& record);
  // Settles the command under way and sends the next; call after every frame and on a timer.
  void Advance();
  bool Done() const { return next_ >= outcomes_.size() && !waiting_; }
  const std::vector<CommandOutcome>& Outcomes() const { return outcomes_; }

 private:
  void Send(CommandOutcome& outcome);
  bool Settle(CommandOutcome& outcome);
  bool SettleProgram(CommandOutcome& outcome);

  SimulatorState& state_;
  LineServices& lines_;
  const Clock& clock_;
  std::vector<CommandOutcome> outcomes_;
  std::size_t next_ = 0;
  bool waiting_ = false;
  std::string header_line_;  // the line field the command went out with
  std::uint32_t sent_tick_ = 0;
  bool feedback_ = false;
  int highest_state_ = 0;
};

}  // namespace v7400
