#include "protocol/ack_control.h"

#include "codec/frame.h"
#include "display/display_text.h"

namespace v7400 {

void AckControl::rbAutoACKClick() {
  state_.Ack = AckMode::kAuto;
  view_.ShowAckMode(true);
  view_.SetAnswerButtonsEnabled(false);
}

void AckControl::rbManualACKClick() {
  state_.Ack = AckMode::kManual;
  view_.ShowAckMode(false);
  view_.SetAnswerButtonsEnabled(true);
}

void AckControl::Answer(bool positive) {
  if (state_.IsSia()) {
    AnswerSia(positive);
  } else {
    Answer4100(positive);
  }
}

void AckControl::Answer4100(bool positive) {
  const std::string time = TimeStamp(clock_);
  if (positive) {
    sink_.AppendDisplayEntry(time + " ack:  06", time + " ack:  <06>");
    sink_.WriteTrafficLog(time + ":  <06>");
  } else {
    sink_.AppendDisplayEntry(time + " nack:  15", time + " nack:  <21>");
    sink_.WriteTrafficLog(time + ":  <21>");
  }
  const std::string answer(1, positive ? kAck4100 : kNack4100);
  SendOnLink(state_, serial_, network_, answer);
  sink_.ReportSent(answer);
  CountSent();
  sink_.ScrollDisplayToEnd();
}

void AckControl::AnswerSia(bool positive) {
  const std::string answer = positive ? BuildAck(state_) : BuildNack(state_);
  const std::string prefix = TimeStamp(clock_) + (positive ? " ack:  " : " nack:  ");
  state_.DecimalText = prefix + RenderDecimal(answer, state_.SpaceConverting == 1);
  state_.HexText = prefix + RenderHex(answer);
  sink_.AppendDisplayEntry(state_.HexText, state_.DecimalText);
  lines_.UpdateLineOnReceive(state_.DecimalText, state_.CurrentLine, state_.DecimalText);
  sink_.WriteTrafficLog(state_.DecimalText);
  state_.DecimalText.clear();
  state_.HexText.clear();
  state_.FrameBuffer.clear();
  SendOnLink(state_, serial_, network_, answer);
  sink_.ReportSent(answer);
  CountSent();
  sink_.ScrollDisplayToEnd();
}

void AckControl::CountSent() {
  ++state_.SentCount;
  sink_.ShowSent();
}

}  // namespace v7400
