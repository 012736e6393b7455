// Runs the remote-programming exchange with any programming string and profile: the queue is
// built when the receiver reports ready, then drained one never-acknowledged frame at a time.
//
// Input: a byte choosing profile, format and line, then the programming string.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "commands/program_data.h"
#include "fakes/command_harness.h"
#include "protocol/serial_receive.h"

namespace {

using namespace v7400;
using namespace v7400::testing;

bool IsHex(const std::string& text) {
  return text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

void Feed(CommandHarness& h, SerialReceiver& receiver, const std::string& frame) {
  h.serial.Feed(frame);
  try {
    receiver.OnDataAvailable(static_cast<int>(frame.size()));
  } catch (const std::exception&) {
    // a programming string that is no hex is reported by the handler's guard
  }
}

void CheckItems(ProgramProfile profile, const std::string& hex) {
  if (!IsHex(hex)) return;
  if (HexToBytes(hex).size() != (hex.size() + 1) / 2) std::abort();
  const auto items = BuildProgramItems(profile, hex);
  if (profile == ProgramProfile::QRV_ZT && hex.empty() != items.empty()) std::abort();
  for (const std::string& item : items) {
    if (item.rfind("CMD0B", 0) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto profile = (data[0] & 1U) != 0 ? ProgramProfile::QRV_ZT : ProgramProfile::TK1400;
  const std::string hex(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckItems(profile, hex);

  CommandHarness h;
  if ((data[0] & 2U) != 0) h.UseSia();
  h.commands.Page().cbx_remoteprogram = profile;
  h.commands.Page().edt_programmingstr = hex;
  const int n = 1 + (data[0] >> 2U) % 32;
  char line[3];
  std::snprintf(line, sizeof line, "%02d", n);
  FindLine(h.state, n)->ProgramState = 1;
  SerialReceiver receiver(h.state, h.serial, h.sink, h.clock, h.commands);
  Feed(h, receiver, ReceiverFrame("0001", line, "[NLC06]"));
  // Each never-acknowledged frame takes one item; the exchange ends within queue length + 2.
  for (std::size_t i = 0; i < hex.size() + 4 && FindLine(h.state, n)->ProgramState != 0; ++i) {
    Feed(h, receiver, ReceiverFrame("AAAA", line, "[]"));
  }
  // A readable string in the SIA format always runs the exchange to its end.
  if (h.state.Format == AutomationFormat::kSia && IsHex(hex) &&
      FindLine(h.state, n)->ProgramState != 0) {
    std::abort();
  }
  return 0;
}
