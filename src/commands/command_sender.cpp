#include "commands/command_sender.h"

#include "commands/command_frame.h"
#include "display/display_text.h"

namespace v7400 {

void CommandSender::SendCommand(const TCommand& command) {
  const std::string frame = BuildCommandFrame(state_, command, clock_);
  const std::string decimal_entry =
      TimeStamp(clock_) + kInputCmdMarker + RenderDecimal(frame, state_.SpaceConverting == 1);
  const std::string hex_entry = TimeStamp(clock_) + kInputCmdMarker + RenderHex(frame);
  sink_.AppendDisplayEntry(hex_entry, decimal_entry);
  if (command.Kind >= CommandKind::Customized) {
    statistics_.UpdateLineOnCommand(command, decimal_entry);
  }
  sink_.WriteTrafficLog(decimal_entry);
  SendOnLink(state_, serial_, network_, frame);
  // In the "4100" format some kinds have no bytes: nothing went out.
  if (!frame.empty()) sink_.ReportSent(frame);
  ++state_.SentCount;
  sink_.ShowSent();
  sink_.ScrollDisplayToEnd();
}

}  // namespace v7400
