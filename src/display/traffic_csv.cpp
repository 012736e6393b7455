#include "display/traffic_csv.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "codec/frame.h"
#include "codec/sia_event.h"

namespace v7400 {

namespace {

const char* DirectionName(FrameDirection direction) {
  return direction == FrameDirection::kIn ? "in" : "out";
}

const char* LinkName(LinkKind link) {
  switch (link) {
    case LinkKind::kSerial:
      return "serial";
    case LinkKind::kUdp:
      return "udp";
    case LinkKind::kUdp6:
      return "udp6";
  }
  return "";
}

const char* VerdictName(FrameVerdict verdict) {
  switch (verdict) {
    case FrameVerdict::kAck:
      return "ACK";
    case FrameVerdict::kNack:
      return "NACK";
    case FrameVerdict::kNone:
      return "none";
    case FrameVerdict::kDropped:
      return "dropped";
    case FrameVerdict::kIgnored:
      return "ignored";
  }
  return "";
}

std::string HexBytes(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    hex += kDigits[value >> 4];
    hex += kDigits[value & 0x0F];
  }
  return hex;
}

// ",account,event,event_text": the account, the two-letter code and its meaning.
std::string EventFields(const std::optional<SiaEvent>& event) {
  if (!event) return ",,,";
  return "," + CsvField(event->account) + "," + CsvField(event->code) + "," +
         CsvField(SiaEventText(*event));
}

}  // namespace

std::string IsoTime(const LocalTime& time) {
  const int offset = std::abs(time.utc_offset_minutes);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", time.year,
                time.month, time.day, time.hour, time.minute, time.second, time.millisecond,
                time.utc_offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvLine(const FrameReport& report, const CsvRow& row) {
  // The address fields of an SIA frame; frames not taken may be ciphertext, so none there.
  const bool sia = row.format == AutomationFormat::kSia &&
                   report.verdict != FrameVerdict::kIgnored && !report.bytes.empty() &&
                   report.bytes.front() == kSiaStart;
  const auto field = [&](std::size_t first, std::size_t count) {
    return sia ? CsvField(std::string(FrameField(report.bytes, first, count))) : std::string();
  };
  std::string line = IsoTime(row.time);
  for (const std::string& value :
       {std::string(DirectionName(report.direction)), std::string(LinkName(report.link)),
        CsvField(row.peer), std::string(row.format == AutomationFormat::kSia ? "sia" : "4100"),
        field(9, 4), field(13, 2), field(15, 2), std::to_string(report.bytes.size()),
        std::string(VerdictName(report.verdict)), CsvField(report.reason),
        std::string(row.tracked ? (row.repeat ? "yes" : "no") : ""),
        row.tracked ? std::to_string(row.gap) : std::string(), HexBytes(report.bytes)}) {
    line += ',';
    line += value;
  }
  return line + EventFields(sia ? DecodeSiaEvent(report.bytes) : std::nullopt) + "\r\n";
}

TrafficCsv::~TrafficCsv() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TrafficCsv::Open(const std::string& path, std::string& error) {
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error = "cannot write CSV file \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  Put(std::string(kCsvHeader) + "\r\n");
  if (failing_) {
    error = "cannot write CSV file \"" + path + "\": " + std::strerror(errno);
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  return true;
}

void TrafficCsv::Write(const FrameReport& report, const CsvRow& row) {
  if (file_ != nullptr) Put(CsvLine(report, row));
}

void TrafficCsv::Put(const std::string& text) {
  const bool written =
      std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::fflush(file_) == 0;
  if (written) {
    failing_ = false;
    return;
  }
  const int error = errno;
  std::clearerr(file_);
  if (failing_) return;
  failing_ = true;
  if (on_failure_) {
    on_failure_("Cannot write CSV file \"" + path_ + "\": " + std::strerror(error));
  }
}

}  // namespace v7400
