#include "commands/input_commands.h"

#include "commands/number_text.h"
#include "commands/program_data.h"

namespace v7400 {

InputCommands::InputCommands(const CommandPorts& ports)
    : state_(ports.state),
      clock_(ports.clock),
      prompts_(ports.prompts),
      panel_(ports.panel),
      log_(ports.clock, ports.panel, ports.statistics_view, ports.prompts),
      statistics_(ports.state, page_, log_, ports.panel, ports.statistics_view, ports.prompts),
      sender_(ports.state, ports.serial, ports.network, ports.sink, ports.clock, statistics_),
      batch_(ports.panel, ports.prompts, ports.random, sender_),
      recycling_(ports.panel, sender_) {}

void InputCommands::UpdateLineOnReceive(const std::string& entry, const std::string& line_text,
                                        std::string_view frame_text) {
  if (line_text != "00") {
    // A line field that is no number ends the update silently.
    const std::optional<int> line = IntegerOf(line_text);
    if (!line) return;
    statistics_.CountReceived(*line, entry, frame_text);
    if (recycling_.OnReceived(entry, line_text, page_.edtLine)) btnStartSendClick();
  }
  statistics_.Refresh();
}

void InputCommands::BuildProgramQueue(int line) {
  TLine* record = FindLine(state_, line);
  if (record == nullptr) return;
  record->ProgramQueue.clear();
  for (std::string& item : BuildProgramItems(page_.cbx_remoteprogram, page_.edt_programmingstr)) {
    record->ProgramQueue.push_back(std::move(item));
  }
}

std::string InputCommands::NextProgramItem(int line) {
  TLine* record = FindLine(state_, line);
  if (record == nullptr || record->ProgramQueue.empty()) return {};
  std::string item = std::move(record->ProgramQueue.front());
  record->ProgramQueue.pop_front();
  return item;
}

void InputCommands::StartUp() {
  ApplyEnablingRule(std::nullopt);
  batch_.rbBatchSendingClick(batch_.options.rbBatchSending);
}

void InputCommands::btn_inputcommandClick() {
  panel_.SetVisible(PanelControl::pnl_inputcommand, true);
  panel_.SetEnabled(PanelControl::btn_inputcommand, false);
}

void InputCommands::btnCancelClick() {
  panel_.SetVisible(PanelControl::pnl_inputcommand, false);
  panel_.SetEnabled(PanelControl::btn_inputcommand, true);
}

void InputCommands::rb_recyclingsendClick(CommandChoice clicked) {
  page_.selected = clicked;
  ApplyEnablingRule(clicked);
}

void InputCommands::ApplyEnablingRule(std::optional<CommandChoice> cause) {
  for (const PanelControl control :
       {PanelControl::lbl_recycling, PanelControl::cbx_highlevelcommands,
        PanelControl::edt_dtmfsequence, PanelControl::lbl_programmingstr,
        PanelControl::edt_programmingstr}) {
    panel_.SetEnabled(control, false);
  }
  panel_.SetCaption(PanelControl::btnStopBatch, kStopBatchCaption);
  panel_.SetEnabled(PanelControl::btnStartSend, true);
  recycling_.Disarm();
  if (!cause) return;
  switch (*cause) {
    case CommandChoice::rb_recyclingsend:
      prompts_.ShowMessage(kRecyclingNotice);
      panel_.SetCaption(PanelControl::btnStopBatch, kStopRecyclingCaption);
      panel_.SetEnabled(PanelControl::lbl_recycling, true);
      recycling_.Arm();
      panel_.SetEnabled(PanelControl::btnStartSend, false);
      break;
    case CommandChoice::rbHighLevelCommands:
      panel_.SetEnabled(PanelControl::cbx_highlevelcommands, true);
      break;
    case CommandChoice::rbDTMFSequenceCommand:
      panel_.SetEnabled(PanelControl::edt_dtmfsequence, true);
      break;
    case CommandChoice::rb_Remoteprograme:
      panel_.SetEnabled(PanelControl::lbl_programmingstr, true);
      panel_.SetEnabled(PanelControl::edt_programmingstr, true);
      break;
    default:
      break;
  }
}

void InputCommands::btnStartSendClick() {
  if (page_.selected == CommandChoice::rb_recyclingsend) {
    recycling_.Start(page_.edtLine);
    return;
  }
  const TCommand command = SelectedCommand(page_);
  if (batch_.options.rbBatchSending) {
    batch_.Start(command);
  } else {
    sender_.SendCommand(command);
  }
}

void InputCommands::btnStopBatchClick() {
  if (recycling_.Armed()) {
    recycling_.Disarm();
    page_.selected = CommandChoice::rbSetDate;
    panel_.SetChecked(PanelControl::rbSetDate, true);
    ApplyEnablingRule(CommandChoice::rbSetDate);
  }
  // Stopped in either case: a batch left running under an armed recycling could otherwise
  // never be stopped.
  batch_.StopTimer();
  batch_.SetOptionControlsEnabled(true);
  panel_.SetEnabled(PanelControl::btnStopBatch, false);
  panel_.SetEnabled(PanelControl::btnStartSend, true);
}

void InputCommands::tmr_ProgramAndRequestTimer() { ExpireProgramStates(state_, clock_.TickMs()); }

}  // namespace v7400
