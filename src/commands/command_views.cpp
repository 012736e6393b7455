#include "commands/command_views.h"

#include <chrono>
#include <random>

namespace v7400 {

const char* ControlName(PanelControl control) {
  switch (control) {
    case PanelControl::pnl_inputcommand:
      return "pnl_inputcommand";
    case PanelControl::btn_inputcommand:
      return "btn_inputcommand";
    case PanelControl::btnStartSend:
      return "btnStartSend";
    case PanelControl::btnStopBatch:
      return "btnStopBatch";
    case PanelControl::rbSetDate:
      return "rbSetDate";
    case PanelControl::rbSetTime:
      return "rbSetTime";
    case PanelControl::rbStopTwoWayAudio:
      return "rbStopTwoWayAudio";
    case PanelControl::rbCustomizedCommand:
      return "rbCustomizedCommand";
    case PanelControl::rbDTMFSequenceCommand:
      return "rbDTMFSequenceCommand";
    case PanelControl::rbHighLevelCommands:
      return "rbHighLevelCommands";
    case PanelControl::rb_Remoteprograme:
      return "rb_Remoteprograme";
    case PanelControl::rb_recyclingsend:
      return "rb_recyclingsend";
    case PanelControl::edtLine:
      return "edtLine";
    case PanelControl::edt_dtmfsequence:
      return "edt_dtmfsequence";
    case PanelControl::cbx_highlevelcommands:
      return "cbx_highlevelcommands";
    case PanelControl::lbl_programmingstr:
      return "lbl_programmingstr";
    case PanelControl::edt_programmingstr:
      return "edt_programmingstr";
    case PanelControl::lbl_recycling:
      return "lbl_recycling";
    case PanelControl::rbSendOne:
      return "rbSendOne";
    case PanelControl::rbBatchSending:
      return "rbBatchSending";
    case PanelControl::gb_batchoption:
      return "gb_batchoption";
    case PanelControl::lblTotalAmount:
      return "lblTotalAmount";
    case PanelControl::edtTotalAmount:
      return "edtTotalAmount";
    case PanelControl::rb_howmanyseconds:
      return "rb_howmanyseconds";
    case PanelControl::edtSendingInterval:
      return "edtSendingInterval";
    case PanelControl::ud_sendinginterval:
      return "ud_sendinginterval";
    case PanelControl::lbl_seconds:
      return "lbl_seconds";
    case PanelControl::rb_persecond:
      return "rb_persecond";
    case PanelControl::edtPerSecond:
      return "edtPerSecond";
    case PanelControl::lbl_persecond:
      return "lbl_persecond";
    case PanelControl::cbx_randomline:
      return "cbx_randomline";
    case PanelControl::cbx_randomcommand:
      return "cbx_randomcommand";
    case PanelControl::lbl_totalsent:
      return "lbl_totalsent";
    case PanelControl::tsht_linelog:
      return "tsht_linelog";
    case PanelControl::lbl_totalevents:
      return "lbl_totalevents";
    case PanelControl::lbl_totalcommands:
      return "lbl_totalcommands";
    case PanelControl::lbl_totalfeedbacks:
      return "lbl_totalfeedbacks";
    case PanelControl::cbx_EnableDetailedLog:
      return "cbx_EnableDetailedLog";
    case PanelControl::edt_detailedlog:
      return "edt_detailedlog";
    case PanelControl::ud_detailedlog:
      return "ud_detailedlog";
    case PanelControl::memLog:
      return "memLog";
  }
  return "";
}

int ClockSeededRandom::Draw(int count) {
  if (count <= 1) return 0;
  const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::mt19937 generator(static_cast<std::mt19937::result_type>(now));
  return std::uniform_int_distribution<int>(0, count - 1)(generator);
}

}  // namespace v7400
