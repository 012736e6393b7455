// The input-command panel's logic as one unit: command selection and single sending, batch and
// recycling sending, line statistics, the detailed log and the remote-programming exchange.
// The receive paths reach it through LineServices; the window forwards its events to the
// handler methods, named after the controls, and mirrors what the views are told.
#pragma once

#include <optional>
#include <string>

#include "commands/batch_sending.h"
#include "commands/command_page.h"
#include "commands/command_sender.h"
#include "commands/command_views.h"
#include "commands/detailed_log.h"
#include "commands/line_statistics.h"
#include "commands/recycling_sending.h"
#include "core/clock.h"
#include "core/line_services.h"
#include "core/link_ports.h"
#include "core/prompts.h"
#include "core/simulator_state.h"
#include "display/display_sink.h"

namespace v7400 {

inline constexpr char kRecyclingNotice[] =
    "Recylcing sending input commands will be started automatically when [NLF] is received. "
    "After being started, you may stop the recycling sending input commands by click \"Stop "
    "Recycling Sending\" in the tab \"Sending option\". ";

// Everything the unit talks to.
struct CommandPorts {
  SimulatorState& state;
  SerialPort& serial;
  DatagramSender& network;
  DisplaySink& sink;
  const Clock& clock;
  Prompts& prompts;
  CommandPanelView& panel;
  StatisticsView& statistics_view;
  RandomChoice& random;
};

class InputCommands : public LineServices {
 public:
  explicit InputCommands(const CommandPorts& ports);
  InputCommands(const InputCommands&) = delete;
  InputCommands& operator=(const InputCommands&) = delete;

  // LineServices, called by the receive paths.
  void UpdateLineOnReceive(const std::string& entry, const std::string& line_text,
                           std::string_view frame_text) override;
  void SendCommand(const TCommand& command) override { sender_.SendCommand(command); }
  // Rebuilds the line's queue from the chosen profile and programming string. Throws
  // std::invalid_argument (leaving the queue empty) when the string holds a non-hex character.
  void BuildProgramQueue(int line) override;
  std::string NextProgramItem(int line) override;

  // The start-up runs of the enabling rules.
  void StartUp();

  // Panel and "Command selection" page.
  void btn_inputcommandClick();
  void btnCancelClick();
  // A command radio button was clicked (the window has already selected it).
  void rb_recyclingsendClick(CommandChoice clicked);
  // Key filters: true when the key may reach the field.
  bool edt_dtmfsequenceKeyPress(char key) const { return DtmfKeyAccepted(key); }
  bool edt_programmingstrKeyPress(char key) const { return ProgrammingKeyAccepted(key); }
  bool NumberFieldKeyPress(char key) const { return DigitKeyAccepted(key); }
  void btnStartSendClick();

  // "Sending option" page; its other handlers are on Batch().
  void btnStopBatchClick();
  void tmrBatchTimer() { batch_.tmrBatchTimer(); }

  // The one-second tick that ends stale programming states.
  void tmr_ProgramAndRequestTimer();

  CommandPage& Page() { return page_; }
  BatchSending& Batch() { return batch_; }
  RecyclingSending& Recycling() { return recycling_; }
  LineStatistics& Statistics() { return statistics_; }
  DetailedLog& Log() { return log_; }

 private:
  void ApplyEnablingRule(std::optional<CommandChoice> cause);

  SimulatorState& state_;
  const Clock& clock_;
  Prompts& prompts_;
  CommandPanelView& panel_;
  CommandPage page_;
  DetailedLog log_;
  LineStatistics statistics_;
  CommandSender sender_;
  BatchSending batch_;
  RecyclingSending recycling_;
};

}  // namespace v7400
