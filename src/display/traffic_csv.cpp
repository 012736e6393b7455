#include "display/traffic_csv.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "codec/sia_event.h"
#include "core/bounded_file.h"
#include "core/output_file.h"

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

std::string HexBytes(std::string_view bytes) {
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
std::string EventFields(const std::optional<FrameEvent>& event) {
  if (!event) return ",,,";
  return "," + CsvField(event->account) + "," + CsvField(event->code) + "," +
         CsvField(SiaEventText(*event));
}

}  // namespace

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

std::string IsoTime(const LocalTime& time) {
  const int offset = std::abs(time.utc_offset_minutes);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", time.year,
                time.month, time.day, time.hour, time.minute, time.second, time.millisecond,
                time.utc_offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

std::string CsvField(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const bool formula =
      !text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos;
  bool quote = formula;
  std::string field = formula ? "'" : "";
  field.reserve(text.size() + 3);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) {
      field += "\\x";
      field += kDigits[byte >> 4];
      field += kDigits[byte & 0x0F];
      continue;
    }
    if (c == '"') field += '"';
    quote = quote || c == '"' || c == ',';
    field += c;
  }
  return quote ? "\"" + field + "\"" : field;
}

std::string CsvLine(const FrameReport& report, const CsvRow& row) {
  const bool cut = report.verdict == FrameVerdict::kIgnored && !row.ignored_in_full &&
                   report.bytes.size() > kIgnoredHexBytes;
  std::string hex = HexBytes(cut ? std::string_view(report.bytes).substr(0, kIgnoredHexBytes)
                                 : std::string_view(report.bytes));
  if (cut) hex += "...(" + std::to_string(report.bytes.size()) + " bytes)";
  std::string line = IsoTime(report.time);
  for (const std::string& value :
       {std::string(DirectionName(report.direction)), std::string(LinkName(report.link)),
        CsvField(row.peer), std::string(report.format == AutomationFormat::kSia ? "sia" : "4100"),
        CsvField(report.sequence_field), CsvField(report.receiver_field),
        CsvField(report.line_field), std::to_string(report.bytes.size()),
        std::string(VerdictName(report.verdict)), CsvField(report.reason),
        std::string(row.tracked ? (row.repeat ? "yes" : "no") : ""),
        row.tracked ? std::to_string(row.gap) : std::string(), std::move(hex)}) {
    line += ',';
    line += value;
  }
  line += EventFields(report.event);
  line += ',' + (row.attempt > 0 ? std::to_string(row.attempt) : std::string());
  line += ',' + (row.interval_ms ? std::to_string(*row.interval_ms) : std::string());
  return line + "\r\n";
}

TrafficCsv::~TrafficCsv() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TrafficCsv::Open(const std::string& path, std::string& error) {
  path_ = path;
  std::string reason;
  file_ = OpenOutputFile(path, OutputMode::kTruncate, reason);
  if (file_ == nullptr) {
    error = "cannot write CSV file \"" + path + "\": " + reason;
    return false;
  }
  // Unbuffered: each row is one write, and a row cut by a full disk is not written again.
  std::setvbuf(file_, nullptr, _IONBF, 0);
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
  if (file_ == nullptr) return;
  CsvRow as_asked = row;
  as_asked.ignored_in_full = ignored_in_full_;
  Put(CsvLine(report, as_asked));
}

void TrafficCsv::Put(const std::string& text) {
  // After a failed write the file may end inside a row: that row gets its line end first.
  const std::string line_end = failing_ && EndsInsideALine(path_) ? "\r\n" : "";
  const std::string out = line_end + text;
  const bool written = std::fwrite(out.data(), 1, out.size(), file_) == out.size();
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
