#include "protocol/program_steps.h"

#include "codec/frame.h"

namespace v7400 {

namespace {

TCommand ProgramCommand(CommandKind kind, const std::string& line, std::string text) {
  TCommand command;
  command.Kind = kind;
  command.Line = line;
  command.Text = std::move(text);
  return command;
}

void StartStep(SimulatorState& state, LineServices& lines) {
  // A line field that is no number names no line: nothing to program.
  const int n = LineNumberOf(state.CurrentLine).value_or(0);
  TLine* line = FindLine(state, n);
  if (line == nullptr || line->ProgramState != 1) return;
  // Build first: a programming string that cannot be read must not leave the line waiting.
  lines.BuildProgramQueue(n);
  line->ProgramState = 2;
  std::string item = lines.NextProgramItem(n);
  if (item.empty()) {
    // Nothing to program: close the exchange at once rather than send an empty item.
    line->ProgramState = 3;
    lines.SendCommand(ProgramCommand(CommandKind::ProgramEnd, state.CurrentLine, kProgramEndText));
    return;
  }
  lines.SendCommand(ProgramCommand(CommandKind::ProgramData, state.CurrentLine, std::move(item)));
}

void ContinuationStep(SimulatorState& state, LineServices& lines) {
  // A line field that is no number names no line: nothing to program.
  const int n = LineNumberOf(state.CurrentLine).value_or(0);
  TLine* line = FindLine(state, n);
  if (line == nullptr) return;
  if (line->ProgramState == 2) {
    state.CurrentSequence = "0001";
    std::string item = lines.NextProgramItem(n);
    if (!item.empty()) {
      lines.SendCommand(ProgramCommand(CommandKind::ProgramData, state.CurrentLine, item));
    } else {
      state.CurrentSequence = "0001";
      line->ProgramState = 3;
      lines.SendCommand(
          ProgramCommand(CommandKind::ProgramEnd, state.CurrentLine, kProgramEndText));
    }
  } else if (line->ProgramState == 3) {
    line->ProgramState = 0;
  }
}

}  // namespace

void RunProgrammingSteps(SimulatorState& state, std::string_view frame, LineServices& lines) {
  if (frame.find(kProgramReady) != std::string_view::npos) {
    StartStep(state, lines);
  } else if (state.CurrentSequence == kNeverAckedSequence) {
    ContinuationStep(state, lines);
  }
}

}  // namespace v7400
