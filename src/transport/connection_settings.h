// The connection settings and their file "APSsets.sys": 15 lines of 8-bit text, each ended by
// CR LF, one field per line, the key string stored masked.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/simulator_state.h"

namespace v7400 {

inline constexpr char kSettingsFileName[] = "APSsets.sys";
inline constexpr std::size_t kSettingsLineCount = 15;

// Line numbers (0-based) of the fields in the file.
enum SettingsLine : std::size_t {
  kLinePortNumber = 0,
  kLineDataBits,
  kLineParity,
  kLineStopBits,
  kLineBaudRate,
  kLineFlowControl,
  kLineConnectionMode,
  kLineReceiverAddress,
  kLineReceiverPort,
  kLineLocalPort,
  kLineEndCharIndex,
  kLineSpaceConversion,
  kLineEncryption,
  kLineMaskedKey,
  kLineLocalAddress,
};

using SettingsLines = std::array<std::string, kSettingsLineCount>;

// The first 15 lines of the text; a missing line is empty. CR LF, LF or a lone CR end a line.
SettingsLines SplitSettingsLines(std::string_view text);
// The settings file is a few hundred bytes; anything larger is no settings file.
inline constexpr std::size_t kSettingsFileLimit = 64 * 1024;
// The file's lines; every line is empty when the file is missing or unreadable. A file that is
// not a regular one or is larger than the limit is not read: `refusal`, when given, gets the
// error-log text then.
SettingsLines ReadSettingsFile(const std::filesystem::path& path, std::string* refusal = nullptr);

// Why the file cannot be read, as "Cannot open file "<path>". <reason>", or empty text when it
// can be.
std::string SettingsFileProblem(const std::filesystem::path& path);

// A decimal integer: an optional sign and digits, nothing else. Throws std::invalid_argument.
int ParseSettingsInteger(const std::string& text);

// What is wrong with one line of the file, naming the line and its value:
// "APSsets.sys line 10: local port 99999 out of range".
std::string SettingsLineMessage(SettingsLine line, const std::string& value,
                                const std::string& what);
// The line's text as a decimal integer; throws std::invalid_argument with SettingsLineMessage.
int SettingsLineInteger(SettingsLine line, const std::string& text);
// The line's text as a UDP port number, 1 to 65535 (0 too when `zero_allowed`); throws
// std::invalid_argument with SettingsLineMessage.
int SettingsLinePort(SettingsLine line, const std::string& text, bool zero_allowed);

struct ConnectionSettings {
  int port_number = 1;  // COM1 .. COM8
  int data_bits = 8;    // 7 or 8
  int parity = 0;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stop_bits = 1;    // 0 or 1: one, 2: two
  int baud_rate = 9600;
  int flow_control = 0;     // 0 none, 1 hardware, 2 XON/XOFF, 3 both
  ConnectionMode connection_mode = ConnectionMode::kSerial;
  std::string receiver_address;
  std::string receiver_port = "10000";
  std::string local_port = "10000";
  int end_char_index = 19;  // the end byte is index + 1
  int space_conversion = 1;
  bool encryption = false;
  std::string key_string;  // plain; masked in the file
  std::string local_address;

  // The file's text. Throws std::invalid_argument when the key string has a pair that is not
  // hexadecimal.
  std::string ToString() const;
  // Nothing when a numeric line is not a decimal integer or the key line is not hexadecimal.
  static std::optional<ConnectionSettings> Parse(std::string_view text);
  bool operator==(const ConnectionSettings&) const = default;
};

// Writes the file whole. False when it cannot be written; the caller stays silent about it.
bool WriteSettingsFile(const std::filesystem::path& path, const ConnectionSettings& settings);

}  // namespace v7400
