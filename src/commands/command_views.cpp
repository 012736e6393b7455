#include "commands/command_views.h"

#include <chrono>
#include <random>

namespace v7400 {

const char* ControlName(Control control) {
  switch (control) {
    case Control::pnl_inputcommand:
      return "pnl_inputcommand";
    case Control::btn_inputcommand:
      return "btn_inputcommand";
    case Control::btnStartSend:
      return "btnStartSend";
    case Control::btnStopBatch:
      return "btnStopBatch";
    case Control::rbSetDate:
      return "rbSetDate";
    case Control::rbSetTime:
      return "rbSetTime";
    case Control::rbStopTwoWayAudio:
      return "rbStopTwoWayAudio";
    case Control::rbCustomizedCommand:
      return "rbCustomizedCommand";
    case Control::rbDTMFSequenceCommand:
      return "rbDTMFSequenceCommand";
    case Control::rbHighLevelCommands:
      return "rbHighLevelCommands";
    case Control::rb_Remoteprograme:
      return "rb_Remoteprograme";
    case Control::rb_recyclingsend:
      return "rb_recyclingsend";
    case Control::edtLine:
      return "edtLine";
    case Control::edt_dtmfsequence:
      return "edt_dtmfsequence";
    case Control::cbx_highlevelcommands:
      return "cbx_highlevelcommands";
    case Control::lbl_programmingstr:
      return "lbl_programmingstr";
    case Control::edt_programmingstr:
      return "edt_programmingstr";
    case Control::lbl_recycling:
      return "lbl_recycling";
    case Control::rbSendOne:
      return "rbSendOne";
    case Control::rbBatchSending:
      return "rbBatchSending";
    case Control::gb_batchoption:
      return "gb_batchoption";
    case Control::lblTotalAmount:
      return "lblTotalAmount";
    case Control::edtTotalAmount:
      return "edtTotalAmount";
    case Control::rb_howmanyseconds:
      return "rb_howmanyseconds";
    case Control::edtSendingInterval:
      return "edtSendingInterval";
    case Control::ud_sendinginterval:
      return "ud_sendinginterval";
    case Control::lbl_seconds:
      return "lbl_seconds";
    case Control::rb_persecond:
      return "rb_persecond";
    case Control::edtPerSecond:
      return "edtPerSecond";
    case Control::lbl_persecond:
      return "lbl_persecond";
    case Control::cbx_randomline:
      return "cbx_randomline";
    case Control::cbx_randomcommand:
      return "cbx_randomcommand";
    case Control::lbl_totalsent:
      return "lbl_totalsent";
    case Control::tsht_linelog:
      return "tsht_linelog";
    case Control::lbl_totalevents:
      return "lbl_totalevents";
    case Control::lbl_totalcommands:
      return "lbl_totalcommands";
    case Control::lbl_totalfeedbacks:
      return "lbl_totalfeedbacks";
    case Control::cbx_EnableDetailedLog:
      return "cbx_EnableDetailedLog";
    case Control::edt_detailedlog:
      return "edt_detailedlog";
    case Control::ud_detailedlog:
      return "ud_detailedlog";
    case Control::memLog:
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
