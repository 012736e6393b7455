#include "commands/command_page.h"

#include <string_view>

#include "commands/number_text.h"

namespace v7400 {

namespace {

constexpr char kBackspace = '\b';

bool IsDigit(char key) { return key >= '0' && key <= '9'; }

}  // namespace

std::string HighLevelCode(int item_index) {
  if (item_index < 0 || item_index >= static_cast<int>(kHighLevelCommandItems.size())) return {};
  const std::string_view item = kHighLevelCommandItems[static_cast<std::size_t>(item_index)];
  return std::string(item.substr(0, item.find(' ')));
}

TCommand SelectedCommand(const CommandPage& page) {
  const int line = IntegerOr(page.edtLine, 1);
  TCommand command;
  command.Line = TwoDigits(line);
  switch (page.selected) {
    case CommandChoice::rbSetDate:
      command.Kind = CommandKind::SetDate;
      break;
    case CommandChoice::rbSetTime:
      command.Kind = CommandKind::SetTime;
      break;
    case CommandChoice::rbStopTwoWayAudio:
      command.Kind = CommandKind::StopTwoWayAudio;
      break;
    case CommandChoice::rbCustomizedCommand:
      command.Kind = CommandKind::Customized;
      command.Line = std::to_string(line);
      command.Text = page.edtCustomizedCommand;
      break;
    case CommandChoice::rbDTMFSequenceCommand:
      command.Kind = CommandKind::DtmfSequence;
      command.Text = page.edt_dtmfsequence;
      break;
    case CommandChoice::rbHighLevelCommands:
      command.Kind = CommandKind::HighLevel;
      command.Text = HighLevelCode(page.cbx_highlevelcommands);
      break;
    case CommandChoice::rb_Remoteprograme:
      command.Kind = CommandKind::RemoteProgram;
      command.Text = kRemoteProgramCode;
      break;
    case CommandChoice::rb_recyclingsend:
      break;
  }
  return command;
}

bool DtmfKeyAccepted(char key) {
  if (key == kBackspace || IsDigit(key)) return true;
  return std::string_view("ABCDW*#!,").find(key) != std::string_view::npos;
}

bool ProgrammingKeyAccepted(char key) {
  return key == kBackspace || IsDigit(key) || (key >= 'A' && key <= 'F');
}

bool DigitKeyAccepted(char key) { return key == kBackspace || IsDigit(key); }

}  // namespace v7400
