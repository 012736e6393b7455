// The run-time state every part of the simulator shares. One instance lives for the whole run
// and is touched only on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace v7400 {

inline constexpr int kLineCount = 32;

// One receiver line.
struct TLine {
  std::string LastCommand;        // decimal display entry of the last command sent
  std::uint32_t StateTick = 0;    // tick taken when a sent command set ProgramState
  std::uint8_t ProgramState = 0;  // remote-programming exchange state, 0 = idle
  std::unique_ptr<std::vector<std::string>> LineList;  // created at start, released at close
  // Programming items still to send, one element per item, so an item may hold any byte.
  std::deque<std::string> ProgramQueue;
  std::int32_t CommandsSent = 0;
  std::int32_t EventsReceived = 0;
  std::int32_t FeedbacksReceived = 0;
};

// The transport the settings file chooses. The file holds it as this number; a number other
// than these opens neither transport and is kept as read.
enum class ConnectionMode : int { kSerial = 0, kNetwork = 1 };

enum class CommandKind : std::uint8_t {
  SetDate = 0,
  SetTime = 1,
  StopTwoWayAudio = 2,
  Customized = 3,
  DtmfSequence = 4,
  HighLevel = 5,
  RemoteProgram = 6,
  ProgramData = 7,
  ProgramEnd = 8,
};

struct TCommand {
  CommandKind Kind = CommandKind::SetDate;
  std::string Line;  // target line number as text
  std::string Text;  // the command's parameter
  bool operator==(const TCommand&) const = default;
};

enum class AutomationFormat { k4100 = 0, kSia = 1 };
enum class AckMode { kAuto, kManual };

// Options of the hidden "Debug testing" page. With only_one_time chosen an option that has
// acted clears itself (OneShot).
struct DebugOptions {
  bool SimulateReceivingCrcError = false;
  bool SimulateSendingCrcError = false;
  bool SimulateSendingSequenceError = false;
  bool OnlyOneTime = true;  // false: "Continously"
};

// Called right after an option has acted: clears it when "Only one time" is chosen.
inline void OneShot(const DebugOptions& options, bool& option) {
  if (options.OnlyOneTime) option = false;
}

struct SimulatorState {
  std::array<TLine, kLineCount> LineTable;

  std::int32_t ReceivedCount = 0;
  std::int32_t SentCount = 0;

  // Address fields of the last SIA frame received.
  std::string CurrentSequence = "0001";
  std::string ReceiverNumber = "01";
  std::string CurrentLine = "00";

  // Serial assembly buffers.
  std::string FrameBuffer;
  std::string DecimalText;
  std::string HexText;

  // Link settings.
  int PackageEndChar = 20;
  int SpaceConverting = 1;
  v7400::ConnectionMode ConnectionMode = v7400::ConnectionMode::kSerial;

  // Transport globals.
  std::string ReceiverAddress;
  // What a receiver given by host name resolved to when the connection opened.
  std::vector<std::string> ReceiverResolvedAddresses;
  std::string ReceiverPort;
  bool EncryptionEnabled = false;
  // The last datagram as it went on the wire where that differs from the frame (the AES packet,
  // a spoiled checksum), until the frame's report takes it; empty when the frame went as it is.
  std::string SentWire;
  std::string KeyString;
  bool OpenFailed = false;
  // No settings file at start: the window asks for the settings first.
  bool SettingsMissing = false;

  // Main-window choices the logic reads at the moment it runs.
  std::int32_t Closing = 0;  // 0 clear, -1 set
  AutomationFormat Format = AutomationFormat::k4100;
  AckMode Ack = AckMode::kAuto;
  DebugOptions Debug;

  bool IsSia() const { return Format == AutomationFormat::kSia; }
  bool IsAutoAck() const { return Ack == AckMode::kAuto; }
};

// Creates the line records and sets the link-setting defaults (done before the settings file).
void InitialiseLines(SimulatorState& state);
// Resets the counters and the SIA address fields (done after the settings file).
void ResetCountersAndAddress(SimulatorState& state);
// Releases the per-line lists at close.
void ReleaseState(SimulatorState& state);

// The line number of a line text such as "05". Throws std::invalid_argument when the text is
// not a decimal number.
int ParseLineNumber(const std::string& text);
// The same without an exception: nothing when the text is not a decimal number. Frames bring
// their line fields from the wire, so this is what reads them.
std::optional<int> LineNumberOf(const std::string& text);
// The line record for a line number, or nullptr when the number is outside 1 to 32.
TLine* FindLine(SimulatorState& state, int line);

}  // namespace v7400
