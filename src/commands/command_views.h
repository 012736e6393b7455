// What the window mirrors for the input-command logic: control states of the command panel and
// its pages, the statistics page, the line grid, the detailed log and the batch timer. The
// logic owns the values; the window only shows them.
#pragma once

#include <string>

namespace v7400 {

// Controls of the command panel, named as in the window's design so the window can find each
// one by its object name (ControlName).
enum class PanelControl {
  // Main window and panel.
  pnl_inputcommand,
  btn_inputcommand,
  btnStartSend,
  btnStopBatch,
  // "Command selection" page.
  rbSetDate,
  rbSetTime,
  rbStopTwoWayAudio,
  rbCustomizedCommand,
  rbDTMFSequenceCommand,
  rbHighLevelCommands,
  rb_Remoteprograme,
  rb_recyclingsend,
  edtLine,
  edt_dtmfsequence,
  cbx_highlevelcommands,
  lbl_programmingstr,
  edt_programmingstr,
  lbl_recycling,
  // "Sending option" page.
  rbSendOne,
  rbBatchSending,
  gb_batchoption,
  lblTotalAmount,
  edtTotalAmount,
  rb_howmanyseconds,
  edtSendingInterval,
  ud_sendinginterval,
  lbl_seconds,
  rb_persecond,
  edtPerSecond,
  lbl_persecond,
  cbx_randomline,
  cbx_randomcommand,
  lbl_totalsent,
  // "Statistics" and "Detailed Log" pages.
  tsht_linelog,
  lbl_totalevents,
  lbl_totalcommands,
  lbl_totalfeedbacks,
  cbx_EnableDetailedLog,
  edt_detailedlog,
  ud_detailedlog,
  memLog,
};

// The design name of a control, e.g. "btnStartSend".
const char* ControlName(PanelControl control);

// Control changes the logic asks the window to show.
class CommandPanelView {
 public:
  virtual ~CommandPanelView() = default;
  virtual void SetEnabled(PanelControl control, bool enabled) = 0;
  virtual void SetVisible(PanelControl control, bool visible) = 0;
  // The caption of a button, label, check box or tab page.
  virtual void SetCaption(PanelControl control, const std::string& caption) = 0;
  // The text of an edit field.
  virtual void SetText(PanelControl control, const std::string& text) = 0;
  // Selects a radio button (its group deselects the others) or ticks a check box.
  virtual void SetChecked(PanelControl control, bool checked) = 0;
  // After a refused value: focus back into the field with its whole text selected.
  virtual void FocusAndSelectAll(PanelControl control) = 0;
  // The batch timer `tmrBatch`; when enabled the window calls tmrBatchTimer every interval.
  virtual void SetBatchTimer(bool enabled, int interval_ms) = 0;
};

// The statistics page, the line grid and the detailed log text.
class StatisticsView {
 public:
  virtual ~StatisticsView() = default;
  // Repaint every cell of `dg_linestatus`; each cell's look comes from dg_linestatusDrawCell.
  virtual void RepaintGrid() = 0;
  // `memLog`: one more line at the end, or no lines at all.
  virtual void AppendDetailedLog(const std::string& line) = 0;
  virtual void ClearDetailedLog() = 0;
};

// Uniform whole numbers for the random line and the random command.
class RandomChoice {
 public:
  virtual ~RandomChoice() = default;
  // A number from 0 to count - 1, each equally likely.
  virtual int Draw(int count) = 0;
};

// Re-seeded from the high-resolution clock before every draw.
class ClockSeededRandom : public RandomChoice {
 public:
  int Draw(int count) override;
};

}  // namespace v7400
