// Reads any text as a scenario file and as an expectation: a file that is refused says where,
// and what is accepted holds only what reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/scenario_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace v7400;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (const auto file = ParseScenario(text, "f.toml", error)) {
    for (const Expectation& e : file->expectations) {
      if (!ParseExpectation(e.text, error)) std::abort();
    }
    for (const PhasePlan& phase : file->phases) {
      if (phase.at_ms && phase.after_frames) std::abort();
      for (const FaultRule& rule : phase.faults) {
        const auto again = ParseFaultRule(ToString(rule), error);
        if (!again || !(*again == rule)) std::abort();
      }
    }
  } else if (!error.starts_with("f.toml:")) {
    std::abort();
  }
  ParseExpectation(text, error);
  return 0;
}
