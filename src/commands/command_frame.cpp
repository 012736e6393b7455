#include "commands/command_frame.h"

#include <cstdio>

#include "codec/frame.h"
#include "commands/number_text.h"

namespace v7400 {

namespace {

constexpr char kCr = '\r';

// "mmddyy".
std::string DateDigits(const LocalTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d", t.month % 100, t.day % 100, t.year % 100);
  return text;
}

// "hhmm", hours 00 to 23.
std::string TimeDigits(const LocalTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d", t.hour % 100, t.minute % 100);
  return text;
}

std::string Build4100(const TCommand& command, const Clock& clock) {
  switch (command.Kind) {
    case CommandKind::SetDate:
      return "!D" + DateDigits(clock.Now()) + kCr;
    case CommandKind::SetTime:
      return "!T" + TimeDigits(clock.Now()) + kCr;
    case CommandKind::StopTwoWayAudio:
      return "!K" + StopAudioLineCharacter(command.Line) + kCr;
    case CommandKind::Customized:
      return "!Z" + command.Text + kCr;
    default:
      return {};
  }
}

std::string BuildSia(SimulatorState& state, const TCommand& command, const Clock& clock) {
  // Kinds 0 to 2 are addressed with the header of the last received frame.
  switch (command.Kind) {
    case CommandKind::SetDate:
      return WrapSiaCommand(state, "CSD" + DateDigits(clock.Now()), state.CurrentLine, true);
    case CommandKind::SetTime:
      return WrapSiaCommand(state, "CST" + TimeDigits(clock.Now()), state.CurrentLine, true);
    case CommandKind::StopTwoWayAudio:
      return WrapSiaCommand(state, "CLK" + command.Line, state.CurrentLine, true);
    case CommandKind::Customized:
      return WrapSiaCommand(state, "CZZ" + command.Text, command.Line, false);
    case CommandKind::DtmfSequence:
      return WrapSiaCommand(state, "CSE" + command.Text, command.Line, false);
    default:
      return WrapSiaCommand(state, command.Text, command.Line, false);
  }
}

void SetProgramState(SimulatorState& state, const TCommand& command, const Clock& clock) {
  std::uint8_t program_state = 0;
  switch (command.Kind) {
    case CommandKind::RemoteProgram:
      program_state = 1;
      break;
    case CommandKind::ProgramData:
      program_state = 2;
      break;
    case CommandKind::ProgramEnd:
      program_state = 3;
      break;
    default:
      return;
  }
  const std::optional<int> n = IntegerOf(command.Line);
  TLine* line = n ? FindLine(state, *n) : nullptr;
  if (line == nullptr) return;
  line->ProgramState = program_state;
  line->StateTick = clock.TickMs();
}

}  // namespace

std::string BuildCommandFrame(SimulatorState& state, const TCommand& command, const Clock& clock) {
  const bool sia_only = command.Kind >= CommandKind::DtmfSequence;
  if (!state.IsSia()) return sia_only ? std::string() : Build4100(command, clock);
  std::string frame = BuildSia(state, command, clock);
  SetProgramState(state, command, clock);
  return frame;
}

std::string WrapSiaCommand(SimulatorState& state, const std::string& data,
                           const std::string& line_field, bool crc_may_be_spoiled) {
  if (state.CurrentSequence == kNeverAckedSequence) state.CurrentSequence = "0001";
  const std::string body =
      "\t" + state.CurrentSequence + state.ReceiverNumber + line_field + "[" + data + "]";
  std::string frame = WrapSiaBody(body);
  if (crc_may_be_spoiled) ApplySendingCrcError(frame, 2, state.Debug);
  return frame;
}

std::string StopAudioLineCharacter(const std::string& line) {
  const int n = IntegerOr(line, 1);
  if (n < 9) return std::to_string(n);
  return std::string(1, static_cast<char>(static_cast<unsigned char>((n + 55) & 0xFF)));
}

}  // namespace v7400
