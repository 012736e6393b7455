#include "commands/batch_sending.h"

#include "commands/number_text.h"

namespace v7400 {

namespace {

constexpr int kMaxIntervalSeconds = 300;
constexpr int kMaxTotalAmount = 99999;
constexpr int kMaxPerSecond = 50;
constexpr char kTotalSentLabel[] = "Total Sent Commands: ";

TCommand Entry(CommandKind kind, const char* text) { return TCommand{kind, "", text}; }

}  // namespace

const std::array<TCommand, 14> kRandomCommands = {
    Entry(CommandKind::DtmfSequence, "12345678ABCD*#!W,"),
    Entry(CommandKind::HighLevel, "CMD01"),
    Entry(CommandKind::HighLevel, "CMD02"),
    Entry(CommandKind::HighLevel, "CMD03"),
    Entry(CommandKind::HighLevel, "CMD04"),
    Entry(CommandKind::HighLevel, "CMD05"),
    Entry(CommandKind::HighLevel, "CMD06"),
    Entry(CommandKind::HighLevel, "CMD07"),
    Entry(CommandKind::HighLevel, "CMD09"),
    Entry(CommandKind::HighLevel, "CMD0A01"),
    Entry(CommandKind::HighLevel, "CMD0A02"),
    Entry(CommandKind::HighLevel, "CMD0A10"),
    Entry(CommandKind::HighLevel, "CMD0A11"),
    Entry(CommandKind::RemoteProgram, "CMD08"),
};

void BatchSending::rbBatchSendingClick(bool batch) {
  options.rbBatchSending = batch;
  for (const PanelControl control :
       {PanelControl::lblTotalAmount, PanelControl::edtTotalAmount, PanelControl::rb_howmanyseconds,
        PanelControl::rb_persecond, PanelControl::edtSendingInterval,
        PanelControl::ud_sendinginterval, PanelControl::edtPerSecond, PanelControl::lbl_persecond,
        PanelControl::cbx_randomline, PanelControl::cbx_randomcommand,
        PanelControl::lbl_totalsent}) {
    panel_.SetEnabled(control, batch);
  }
  panel_.SetEnabled(PanelControl::lbl_seconds, options.rb_howmanyseconds);
}

void BatchSending::rb_howmanysecondsClick(bool every_n_seconds) {
  options.rb_howmanyseconds = every_n_seconds;
  for (const PanelControl control : {PanelControl::edtSendingInterval,
                                     PanelControl::ud_sendinginterval, PanelControl::lbl_seconds}) {
    panel_.SetEnabled(control, every_n_seconds);
  }
  panel_.SetEnabled(PanelControl::edtPerSecond, !every_n_seconds);
  panel_.SetEnabled(PanelControl::lbl_persecond, !every_n_seconds);
}

void BatchSending::RefuseField(PanelControl field, const char* message) {
  prompts_.ShowError(message);
  panel_.FocusAndSelectAll(field);
}

bool BatchSending::edtSendingIntervalExit() {
  const int seconds = IntegerOr(options.edtSendingInterval, 0);
  if (seconds >= 1 && seconds <= kMaxIntervalSeconds) return true;
  RefuseField(PanelControl::edtSendingInterval, kIntervalRange);
  return false;
}

bool BatchSending::edtTotalAmountExit() {
  const int total = IntegerOr(options.edtTotalAmount, -1);
  if (total >= 0 && total <= kMaxTotalAmount) return true;
  RefuseField(PanelControl::edtTotalAmount, kTotalAmountRange);
  return false;
}

void BatchSending::edtPerSecondExit() {
  const int rate = IntegerOr(options.edtPerSecond, 1);
  if (rate >= 1 && rate <= kMaxPerSecond) return;
  options.edtPerSecond = "1";
  panel_.SetText(PanelControl::edtPerSecond, options.edtPerSecond);
}

int BatchSending::ReadIntervalMs() {
  if (options.rb_howmanyseconds) {
    // A text that is no number means one second; 0 would ask for a timer without pause.
    const int seconds = IntegerOr(options.edtSendingInterval, 1);
    if (seconds < 1 || seconds > kMaxIntervalSeconds) {
      RefuseField(PanelControl::edtSendingInterval, kIntervalRange);
      return 0;
    }
    return seconds * 1000;
  }
  edtPerSecondExit();
  return 1000 / IntegerOr(options.edtPerSecond, 1);
}

bool BatchSending::Start(TCommand command) {
  const int total = IntegerOr(options.edtTotalAmount, -1);
  if (total < 0 || total > kMaxTotalAmount) {
    RefuseField(PanelControl::edtTotalAmount, kTotalAmountRange);
    return false;
  }
  const int interval_ms = ReadIntervalMs();
  if (interval_ms == 0) return false;

  panel_.SetEnabled(PanelControl::btnStartSend, false);
  panel_.SetEnabled(PanelControl::btnStopBatch, true);
  SetOptionControlsEnabled(false);
  interval_ms_ = interval_ms;
  sent_ = 0;
  unlimited_ = total == 0;
  if (random_line_) command.Line = RandomLine();
  sender_.SendCommand(command);
  command_ = command;
  sent_ = 1;
  remaining_ = unlimited_ ? 0 : total - 1;
  if (total == 1) {
    // A batch of one is done at once; it waits in the exhausted state for "Stop".
    panel_.SetCaption(PanelControl::lbl_totalsent, kTotalSentLabel + std::to_string(sent_));
    SetTimer(false);
    return true;
  }
  SetTimer(true);
  return true;
}

void BatchSending::tmrBatchTimer() {
  if (!timer_enabled_) return;
  if (random_command_) {
    const std::string line = command_.Line;
    const int count = static_cast<int>(kRandomCommands.size());
    command_ =
        kRandomCommands[static_cast<std::size_t>(random_.Draw(count)) % kRandomCommands.size()];
    command_.Line = line;
  }
  if (random_line_) command_.Line = RandomLine();
  sender_.SendCommand(command_);
  ++sent_;
  panel_.SetCaption(PanelControl::lbl_totalsent, kTotalSentLabel + std::to_string(sent_));
  if (unlimited_) return;
  --remaining_;
  if (remaining_ <= 0) SetTimer(false);
}

void BatchSending::StopTimer() { SetTimer(false); }

void BatchSending::SetOptionControlsEnabled(bool enabled) {
  for (const PanelControl control :
       {PanelControl::gb_batchoption, PanelControl::lblTotalAmount, PanelControl::edtTotalAmount,
        PanelControl::rb_howmanyseconds, PanelControl::rb_persecond,
        PanelControl::edtSendingInterval, PanelControl::edtPerSecond,
        PanelControl::ud_sendinginterval, PanelControl::lbl_seconds, PanelControl::lbl_persecond,
        PanelControl::cbx_randomline, PanelControl::cbx_randomcommand}) {
    panel_.SetEnabled(control, enabled);
  }
}

std::string BatchSending::RandomLine() {
  const int draw = random_.Draw(kLineCount);
  return TwoDigits(draw >= 0 && draw < kLineCount ? draw + 1 : 1);
}

void BatchSending::SetTimer(bool enabled) {
  timer_enabled_ = enabled;
  panel_.SetBatchTimer(enabled, interval_ms_);
}

}  // namespace v7400
