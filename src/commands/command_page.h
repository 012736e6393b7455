// The "Command selection" page as data: which command is chosen, the texts of its fields and
// the turning of that choice into a command.
#pragma once

#include <array>
#include <string>

#include "commands/program_data.h"
#include "core/simulator_state.h"

namespace v7400 {

// The radio buttons of the page (one group: exactly one is selected).
enum class CommandChoice {
  rbSetDate,
  rbSetTime,
  rbStopTwoWayAudio,
  rbCustomizedCommand,
  rbDTMFSequenceCommand,
  rbHighLevelCommands,
  rb_Remoteprograme,
  rb_recyclingsend,
};

inline constexpr std::array<const char*, 23> kHighLevelCommandItems = {
    "CMD01 (Terminate call)",
    "CMD02 (Speak with low vlume)",
    "CMD03 (Speak with medium vlume)",
    "CMD04 (Speak with high vlume)",
    "CMD05 (Listen control)",
    "CMD06 (Half duplex)",
    "CMD07 (Full duplex)",
    "CMD09 (Remote request mode)",
    "CMD0A01 ",
    "CMD0A02 ",
    "CMD0A03 ",
    "CMD0A04 ",
    "CMD0A05 ",
    "CMD0A06 ",
    "CMD0A10 ",
    "CMD0A11 ",
    "CMD0D ",
    "CMD0E01 ",
    "CMD0E02 ",
    "CMD0E03 ",
    "CMD0E04 ",
    "CMD0E05 ",
    "CMD0E06 ",
};

inline constexpr std::array<const char*, 2> kRemoteProgramItems = {"TK1400", "QRV/ZT"};

// Example programming strings offered by `edt_programmingstr`.
inline constexpr std::array<const char*, 4> kExampleProgrammingStrings = {
    "A4C123B1612DD272D1371C17149D43",
    "9536B3216FDAEE",
    "B975729FAE923D5A4FD12AABFE228F219E9CB0EB53F16947CCF25EC84D8DBC74254770F5",
    "8904DBA41ECCCC3FC1626E53A13043B026C48BBF33FEFF92",
};

inline constexpr char kRemoteProgramCode[] = "CMD08";

// What the page holds. The window writes a field here whenever the user changes it.
struct CommandPage {
  CommandChoice selected = CommandChoice::rbSetDate;
  std::string edtLine = "1";  // set by the line grid only
  std::string edt_dtmfsequence = "1234";
  int cbx_highlevelcommands = -1;  // item index, -1 when none is chosen
  ProgramProfile cbx_remoteprogram = ProgramProfile::TK1400;
  std::string edt_programmingstr = kExampleProgrammingStrings[0];
  std::string edtCustomizedCommand;
};

// The command code of a high-level item: its text up to the first blank ("" for no item).
std::string HighLevelCode(int item_index);

// The command the page's choice stands for (not meaningful for rb_recyclingsend, which starts
// recycling instead).
TCommand SelectedCommand(const CommandPage& page);

// Key filters; backspace (8) always passes.
bool DtmfKeyAccepted(char key);
bool ProgrammingKeyAccepted(char key);
bool DigitKeyAccepted(char key);

}  // namespace v7400
