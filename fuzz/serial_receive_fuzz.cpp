// Feeds arbitrary bytes to the serial receive path in both formats, split at arbitrary points.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "../bench/null_ports.h"
#include "display/display_sink.h"
#include "display/traffic_observers.h"
#include "protocol/serial_receive.h"

namespace {

using namespace v7400;

class ProgrammingLines : public LineServices {
 public:
  explicit ProgrammingLines(SimulatorState& state) : state_(state) {}
  void UpdateLineOnReceive(const std::string&, const std::string&, std::string_view) override {}
  void SendCommand(const TCommand& command) override {
    if (TLine* line = FindLine(state_, ParseLineNumber(command.Line))) line->ProgramState = 1;
  }
  void BuildProgramQueue(int) override {}
  std::string NextProgramItem(int) override { return "01"; }

 private:
  SimulatorState& state_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  SimulatorState state;
  InitialiseLines(state);
  state.Format = (data[0] & 1U) != 0 ? AutomationFormat::kSia : AutomationFormat::k4100;
  state.PackageEndChar = 1 + data[1] % 255;
  for (TLine& line : state.LineTable) line.ProgramState = data[0] >> 5U;
  NullView view;
  FixedClock clock;
  DisplaySink sink(state, view, &clock);
  // The records of the frames, as the ledger and the CSV rows take them.
  TrafficCsv csv;
  TrafficObservers observers(sink, state, &csv);
  ProgrammingLines lines(state);
  BufferPort port;
  port.data.assign(reinterpret_cast<const char*>(data + 2), size - 2);
  SerialReceiver receiver(state, port, sink, clock, lines);
  const int chunk = 1 + (data[0] >> 1U) % 16;
  while (port.ByteReady()) {
    try {
      receiver.OnDataAvailable(chunk);
    } catch (const std::invalid_argument&) {
      // a line field that is no number is reported by the handler's guard
    }
  }
  observers.Ledger().Report();
  return 0;
}
