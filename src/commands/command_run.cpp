#include "commands/command_run.h"

#include <algorithm>

#include "commands/line_statistics.h"
#include "commands/number_text.h"
#include "display/display_text.h"

namespace v7400 {

namespace {

bool IsProgramRequest(const SimulatorState& state, const TCommand& command) {
  return command.Kind == CommandKind::RemoteProgram && state.IsSia();
}

}  // namespace

std::string CommandName(const TCommand& command) {
  switch (command.Kind) {
    case CommandKind::SetDate:
      return "date";
    case CommandKind::SetTime:
      return "time";
    case CommandKind::StopTwoWayAudio:
      return "stop-audio";
    case CommandKind::DtmfSequence:
      return "dtmf:" + command.Text;
    default:
      return command.Text;
  }
}

std::string OutcomeText(const CommandOutcome& outcome) {
  switch (outcome.result) {
    case CommandResult::kPending:
      return "not finished";
    case CommandResult::kFeedback:
      return "feedback";
    case CommandResult::kNoFeedback:
      return "no feedback in " + std::to_string(kFeedbackTimeoutMs / 1000) + " s";
    case CommandResult::kProgrammed:
      return "programmed";
    case CommandResult::kProgramTimedOut:
      return "programming timed out in state " + std::to_string(outcome.program_state);
    case CommandResult::kNothingSent:
      return "nothing to send in the 4100 format";
  }
  return {};
}

bool CarriedInFormat(const TCommand& command, AutomationFormat format) {
  return format == AutomationFormat::kSia || command.Kind < CommandKind::DtmfSequence;
}

CommandRun::CommandRun(SimulatorState& state, LineServices& lines, const Clock& clock,
                       const std::vector<TCommand>& commands)
    : state_(state), lines_(lines), clock_(clock) {
  for (const TCommand& command : commands) outcomes_.push_back(CommandOutcome{command});
}

void CommandRun::OnFrameIn(const FrameReport& record) {
  if (!waiting_ || record.line_field != header_line_) return;
  if (IsFeedback(RenderDecimal(record.bytes, true))) feedback_ = true;
}

void CommandRun::Advance() {
  while (true) {
    if (waiting_) {
      if (!Settle(outcomes_[next_ - 1])) return;
      waiting_ = false;
    }
    if (next_ >= outcomes_.size()) return;
    Send(outcomes_[next_++]);
  }
}

void CommandRun::Send(CommandOutcome& outcome) {
  const TCommand& command = outcome.command;
  // Date, time and stop-audio take the line field of the last frame received; here the line
  // asked for stands in for it while the frame is built, so the command goes where it was sent.
  const bool on_last_line = command.Kind <= CommandKind::StopTwoWayAudio;
  const std::string last_line = state_.CurrentLine;
  if (on_last_line) state_.CurrentLine = command.Line;
  header_line_ = command.Line;
  feedback_ = false;
  highest_state_ = 0;
  sent_tick_ = clock_.TickMs();
  lines_.SendCommand(command);
  if (on_last_line) state_.CurrentLine = last_line;
  if (!CarriedInFormat(command, state_.Format)) {
    outcome.result = CommandResult::kNothingSent;
    return;
  }
  waiting_ = true;
}

bool CommandRun::Settle(CommandOutcome& outcome) {
  if (IsProgramRequest(state_, outcome.command)) return SettleProgram(outcome);
  if (feedback_) {
    outcome.result = CommandResult::kFeedback;
  } else if (clock_.TickMs() - sent_tick_ > kFeedbackTimeoutMs) {
    outcome.result = CommandResult::kNoFeedback;
  } else {
    return false;
  }
  return true;
}

// The exchange has ended when its line is idle again: by the receiver's last reply when it got
// as far as the programming end, else by a time-out.
bool CommandRun::SettleProgram(CommandOutcome& outcome) {
  const TLine* line = FindLine(state_, IntegerOr(outcome.command.Line, 0));
  if (line == nullptr) return true;
  highest_state_ = std::max<int>(highest_state_, line->ProgramState);
  if (line->ProgramState != 0) return false;
  const bool answered = clock_.TickMs() - line->StateTick <= kFeedbackTimeoutMs;
  if (highest_state_ == 3 && answered) {
    outcome.result = CommandResult::kProgrammed;
  } else {
    outcome.result = CommandResult::kProgramTimedOut;
    outcome.program_state = highest_state_;
  }
  return true;
}

}  // namespace v7400
