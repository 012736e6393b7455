// The "Sending option" page and batch sending: a command repeated on a timer at a fixed
// interval or rate, for a given number of commands or without end, optionally to a random line
// and with a random command.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "commands/command_sender.h"
#include "commands/command_views.h"
#include "core/prompts.h"
#include "core/simulator_state.h"

namespace v7400 {

inline constexpr char kIntervalRange[] = "Expecting value from 0 to 300";
inline constexpr char kTotalAmountRange[] = "Expecting value from 0 to 99999";
inline constexpr char kStopBatchCaption[] = "Stop Batch Sending";

// The commands a batch with "Send random input command" draws from, each equally likely.
extern const std::array<TCommand, 14> kRandomCommands;

// The texts and choices of the page. The window writes a field here whenever the user
// changes it.
struct SendingOptions {
  bool rbBatchSending = false;    // false: "Send One"
  bool rb_howmanyseconds = true;  // false: "Send " ... "per second"
  std::string edtTotalAmount = "0";
  std::string edtSendingInterval = "1";
  std::string edtPerSecond = "10";
};

class BatchSending {
 public:
  BatchSending(CommandPanelView& panel, Prompts& prompts, RandomChoice& random,
               CommandSender& sender)
      : panel_(panel), prompts_(prompts), random_(random), sender_(sender) {}

  SendingOptions options;

  // Enabling rules of the page and the random flags.
  void rbBatchSendingClick(bool batch);
  void rb_howmanysecondsClick(bool every_n_seconds);
  void cbx_randomlineClick(bool ticked) { random_line_ = ticked; }
  void cbx_randomcommandClick(bool ticked) { random_command_ = ticked; }

  // Checks on leaving a number field; false when the value was refused.
  bool edtSendingIntervalExit();
  bool edtTotalAmountExit();
  void edtPerSecondExit();

  // Starts a batch with the command chosen on the command page: the first command goes out at
  // once. False (nothing sent, nothing changed) when a field refuses its value.
  bool Start(TCommand command);
  // One step of `tmrBatch`.
  void tmrBatchTimer();
  void StopTimer();
  // Enables or disables every option control of the batch group.
  void SetOptionControlsEnabled(bool enabled);

  bool TimerEnabled() const { return timer_enabled_; }
  int IntervalMs() const { return interval_ms_; }
  const TCommand& Command() const { return command_; }
  std::int64_t SentInBatch() const { return sent_; }
  bool Unlimited() const { return unlimited_; }

 private:
  void RefuseField(PanelControl field, const char* message);
  std::string RandomLine();
  // The timer interval from the rate fields; 0 when the interval field refuses its value.
  int ReadIntervalMs();
  void SetTimer(bool enabled);

  CommandPanelView& panel_;
  Prompts& prompts_;
  RandomChoice& random_;
  CommandSender& sender_;

  bool random_line_ = false;
  bool random_command_ = false;
  TCommand command_;
  std::int64_t remaining_ = 0;
  std::int64_t sent_ = 0;
  bool unlimited_ = false;
  bool timer_enabled_ = false;
  int interval_ms_ = 1000;
};

}  // namespace v7400
