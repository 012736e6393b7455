// Throughput of the receive paths and the cost of one append at the display cap.
#include <benchmark/benchmark.h>

#include <string>

#include "codec/frame.h"
#include "display/display_sink.h"
#include "null_ports.h"
#include "protocol/serial_receive.h"

namespace v7400 {
namespace {

class NullLines : public LineServices {
 public:
  void UpdateLineOnReceive(const std::string&, const std::string&, std::string_view) override {}
  void SendCommand(const TCommand&) override {}
  void BuildProgramQueue(int) override {}
  std::string NextProgramItem(int) override { return {}; }
};

void BM_AppendAtCap(benchmark::State& bench) {
  SimulatorState state;
  NullView view;
  DisplaySink sink(state, view);
  const std::string entry(80, 'x');
  for (std::size_t i = 0; i <= kDisplayCap; ++i) sink.AppendDisplayEntry(entry, entry);
  for (auto _ : bench) sink.AppendDisplayEntry(entry, entry);
  bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_AppendAtCap);

void BM_SerialSiaFrames(benchmark::State& bench) {
  SimulatorState state;
  state.Format = AutomationFormat::kSia;
  NullView view;
  DisplaySink sink(state, view);
  FixedClock clock;
  NullLines lines;
  BufferPort port;
  SerialReceiver receiver(state, port, sink, clock, lines);
  const std::string frame = WrapSiaBody("\t00420105[#1234|NBA05]");
  for (int i = 0; i < 1000; ++i) port.data += frame;
  for (auto _ : bench) {
    port.pos = 0;
    receiver.OnDataAvailable(static_cast<int>(port.data.size()));
  }
  bench.SetItemsProcessed(bench.iterations() * 1000);
}
BENCHMARK(BM_SerialSiaFrames);

}  // namespace
}  // namespace v7400
