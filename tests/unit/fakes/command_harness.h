#pragma once

#include <string>

#include "codec/frame.h"
#include "commands/input_commands.h"
#include "display/display_sink.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_command_views.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_links.h"
#include "fakes/fake_prompts.h"

namespace v7400::testing {

// The input-command unit wired to fakes, as the window wires it to the real thing.
struct CommandHarness {
  CommandHarness() {
    InitialiseLines(state);
    ResetCountersAndAddress(state);
    commands.StartUp();
  }

  void UseSia() { state.Format = AutomationFormat::kSia; }
  const std::string& LastWrite() const { return serial.writes.back(); }

  SimulatorState state;
  FakeSerialPort serial;
  FakeDatagramSender network;
  FakeDisplayView display_view;
  DisplaySink sink{state, display_view};
  FakeClock clock;
  FakePrompts prompts;
  FakeCommandPanelView panel;
  FakeStatisticsView statistics_view;
  FakeRandom random;
  InputCommands commands{
      CommandPorts{state, serial, network, sink, clock, prompts, panel, statistics_view, random}};
};

// A frame as the receiver sends it: SIA envelope around sequence, receiver, line and data.
inline std::string ReceiverFrame(const std::string& sequence, const std::string& line,
                                 const std::string& data) {
  return WrapSiaBody("\t" + sequence + "01" + line + data);
}

}  // namespace v7400::testing
