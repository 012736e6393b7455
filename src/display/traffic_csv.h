// The traffic as CSV (RFC 4180) for tools other than this program: one row per frame in and per
// frame out, with the full date and time, the verdict and its reason. Rows reach the file as
// they are written, so a reader tailing it misses nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/frame_observer.h"

namespace v7400 {

inline constexpr char kCsvHeader[] =
    "time,direction,link,peer,format,sequence,receiver,line,length,verdict,reason,repeat,gap,"
    "bytes_hex,account,event,event_text,attempt,interval_ms";

// One row's values beside the frame record.
struct CsvRow {
  std::string peer;
  // For a frame in of a tracked line: whether it repeats the line's previous sequence, and how
  // many sequence numbers were skipped before it.
  bool tracked = false;
  bool repeat = false;
  int gap = 0;
  // An event's attempt number and the time since its previous attempt (0: no event).
  int attempt = 0;
  std::optional<std::uint32_t> interval_ms;
  // An ignored datagram's bytes in full; otherwise only the first kIgnoredHexBytes of them.
  bool ignored_in_full = false;
};

// How much of an ignored datagram the row keeps unless asked for all: a stranger's flood must
// not grow the file faster than the receiver's traffic does.
inline constexpr std::size_t kIgnoredHexBytes = 64;

// The verdict as the CSV and the capture comments write it: "ACK", "NACK", "none" ...
const char* VerdictName(FrameVerdict verdict);
// "2026-12-08T14:05:09.123+01:00".
std::string IsoTime(const LocalTime& time);
// A text field any reader takes: bytes outside printable ASCII as "\xNN"; quoted when it holds
// a comma or a quote (quotes doubled); one that begins with = + - or @ gets a leading
// apostrophe inside quotes, so a spreadsheet shows it as text rather than run it as a formula.
std::string CsvField(std::string_view text);
// The row, ended by CR LF.
std::string CsvLine(const FrameReport& report, const CsvRow& row);

class TrafficCsv {
 public:
  TrafficCsv() = default;
  TrafficCsv(const TrafficCsv&) = delete;
  TrafficCsv& operator=(const TrafficCsv&) = delete;
  ~TrafficCsv();

  // Creates (or empties) the file and writes the header; false with `error` when it cannot.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return file_ != nullptr; }
  // Every byte of an ignored datagram in bytes_hex (default: the first kIgnoredHexBytes).
  void SetIgnoredInFull(bool full) { ignored_in_full_ = full; }
  void Write(const FrameReport& report, const CsvRow& row);

  // Told once when rows stop reaching the file (a full disk), and again only after rows were
  // written once more.
  using FailureHandler = std::function<void(const std::string& message)>;
  void SetFailureHandler(FailureHandler handler) { on_failure_ = std::move(handler); }

 private:
  void Put(const std::string& text);

  std::FILE* file_ = nullptr;
  std::string path_;
  FailureHandler on_failure_;
  bool failing_ = false;
  bool ignored_in_full_ = false;
};

}  // namespace v7400
