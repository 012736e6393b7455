// The serial path: cuts the receiver's byte stream into frames, checks and answers them, and
// hands them to the displays, the log and the per-line statistics.
#pragma once

#include <string>

#include "core/clock.h"
#include "core/line_services.h"
#include "core/link_ports.h"
#include "core/simulator_state.h"
#include "display/display_sink.h"
#include "protocol/answer_faults.h"
#include "protocol/frame_verdict.h"

namespace v7400 {

inline constexpr char kInvalidPackage[] = "!!! Invalid package, NACK send out ==>";

class SerialReceiver {
 public:
  SerialReceiver(SimulatorState& state, SerialPort& port, DisplaySink& sink, const Clock& clock,
                 LineServices& lines)
      : state_(state), port_(port), sink_(sink), clock_(clock), lines_(lines) {}

  // The port reports `count` bytes waiting.
  void OnDataAvailable(int count);
  // The answer faults to consult; none by default.
  void SetAnswerFaults(AnswerFaults* faults) { faults_ = faults; }

 private:
  // True when the notification must end after this byte.
  bool ProcessByte(char byte, char terminator);
  void CompleteFrame(char terminator);
  std::string PrepareAnswer(Verdict& verdict);
  void SendAnswer(std::string answer);
  // What the answer about to go does for the receiver; the sending-CRC option acts on it here.
  FrameAnswer RecordSerialAnswer(std::string& answer, const std::string& expected);
  // Chooses the frame's fault; true when one acts, its pieces rendered into the entry texts.
  bool ChooseFault(const std::string& answer, const std::string& sequence, const char* gap);
  void SendFaulted();
  void WriteNow(const std::string& bytes, std::string reason, std::string fault = {});
  void DropFrame();

  SimulatorState& state_;
  SerialPort& port_;
  DisplaySink& sink_;
  const Clock& clock_;
  LineServices& lines_;
  AnswerFaults* faults_ = nullptr;
  // The fault of the frame being completed and what it sends instead of the answer.
  FaultChoice fault_;
  std::vector<AnswerPiece> pieces_;
};

}  // namespace v7400
