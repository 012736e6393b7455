#include "transport/connection_settings.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "core/bounded_file.h"
#include "core/output_file.h"
#include "transport/key_string_mask.h"

namespace v7400 {

SettingsLines SplitSettingsLines(std::string_view text) {
  SettingsLines lines;
  std::size_t line = 0;
  std::size_t start = 0;
  while (line < kSettingsLineCount && start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines[line] = std::string(text.substr(start));
      break;
    }
    lines[line++] = std::string(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

SettingsLines ReadSettingsFile(const std::filesystem::path& path, std::string* refusal) {
  const BoundedRead read = ReadBoundedFile(path.string(), kSettingsFileLimit);
  if (read.outcome == BoundedRead::Outcome::kRefused && refusal != nullptr) {
    *refusal = read.message;
  }
  return SplitSettingsLines(read.bytes);
}

std::string SettingsFileProblem(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  std::string reason;
  if (!std::filesystem::exists(status)) {
    reason = "No such file or directory";
  } else if (!std::filesystem::is_regular_file(status)) {
    reason = "Not a regular file";
  } else if (std::ifstream file(path, std::ios::binary); !file) {
    reason = std::strerror(errno);
  } else {
    return {};
  }
  return "Cannot open file \"" + path.string() + "\". " + reason;
}

int ParseSettingsInteger(const std::string& text) {
  std::size_t pos = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) pos = 1;
  if (pos == text.size())
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  long long value = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') {
      throw std::invalid_argument("'" + text + "' is not a valid integer value");
    }
    value = value * 10 + (text[pos] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      throw std::invalid_argument("'" + text + "' is not a valid integer value");
    }
  }
  value = negative ? -value : value;
  if (value > INT_MAX) throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return static_cast<int>(value);
}

std::string SettingsLineMessage(SettingsLine line, const std::string& value,
                                const std::string& what) {
  static constexpr const char* kNames[kSettingsLineCount] = {
      "serial port",   "data bits",    "parity",        "stop bits",
      "baud rate",     "flow control", "link",          "receiver address",
      "receiver port", "local port",   "end character", "space conversion",
      "encryption",    "key string",   "local address"};
  return std::string(kSettingsFileName) + " line " + std::to_string(line + 1) + ": " +
         kNames[line] + (value.empty() ? "" : " " + value) + " " + what;
}

int SettingsLineInteger(SettingsLine line, const std::string& text) {
  try {
    return ParseSettingsInteger(text);
  } catch (const std::invalid_argument&) {
    const std::size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    const bool numeric =
        text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
    throw std::invalid_argument(
        numeric ? SettingsLineMessage(line, text, "out of range")
                : SettingsLineMessage(line, "'" + text + "'", "is not a number"));
  }
}

int SettingsLinePort(SettingsLine line, const std::string& text, bool zero_allowed) {
  const int port = SettingsLineInteger(line, text);
  if (port < (zero_allowed ? 0 : 1) || port > 0xFFFF) {
    throw std::invalid_argument(SettingsLineMessage(line, text, "out of range"));
  }
  return port;
}

std::string ConnectionSettings::ToString() const {
  const std::string fields[kSettingsLineCount] = {
      std::to_string(port_number),
      std::to_string(data_bits),
      std::to_string(parity),
      std::to_string(stop_bits),
      std::to_string(baud_rate),
      std::to_string(flow_control),
      std::to_string(static_cast<int>(connection_mode)),
      receiver_address,
      receiver_port,
      local_port,
      std::to_string(end_char_index),
      std::to_string(space_conversion),
      encryption ? "1" : "0",
      MaskKeyString(key_string),
      local_address,
  };
  std::string text;
  for (const std::string& field : fields) text += field + "\r\n";
  return text;
}

std::optional<ConnectionSettings> ConnectionSettings::Parse(std::string_view text) {
  const SettingsLines lines = SplitSettingsLines(text);
  ConnectionSettings settings;
  try {
    settings.port_number = ParseSettingsInteger(lines[kLinePortNumber]);
    settings.data_bits = ParseSettingsInteger(lines[kLineDataBits]);
    settings.parity = ParseSettingsInteger(lines[kLineParity]);
    settings.stop_bits = ParseSettingsInteger(lines[kLineStopBits]);
    settings.baud_rate = ParseSettingsInteger(lines[kLineBaudRate]);
    settings.flow_control = ParseSettingsInteger(lines[kLineFlowControl]);
    settings.connection_mode =
        static_cast<ConnectionMode>(ParseSettingsInteger(lines[kLineConnectionMode]));
    settings.receiver_address = lines[kLineReceiverAddress];
    settings.receiver_port = lines[kLineReceiverPort];
    settings.local_port = lines[kLineLocalPort];
    settings.end_char_index = ParseSettingsInteger(lines[kLineEndCharIndex]);
    settings.space_conversion = ParseSettingsInteger(lines[kLineSpaceConversion]);
    settings.encryption = lines[kLineEncryption] == "1";
    settings.key_string = MaskKeyString(lines[kLineMaskedKey]);
    settings.local_address = lines[kLineLocalAddress];
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
  return settings;
}

bool WriteSettingsFile(const std::filesystem::path& path, const ConnectionSettings& settings) {
  std::string text;
  try {
    text = settings.ToString();
  } catch (const std::invalid_argument&) {
    return false;
  }
  std::string reason;
  std::FILE* file = OpenOutputFile(path.string(), OutputMode::kTruncate, reason);
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return (std::fclose(file) == 0) && written;
}

}  // namespace v7400
