// The decimal and hexadecimal display lists, the status counters' texts and the traffic log,
// with the user's operations on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/display_view.h"
#include "core/frame_observer.h"
#include "core/prompts.h"
#include "core/simulator_state.h"
#include "display/traffic_log.h"

namespace v7400 {

inline constexpr std::size_t kDisplayCap = 32000;
// A longer entry is shown as its first kDisplayEntryLimit characters and a marker that gives its
// whole length; the traffic log still gets it whole. Rows are 3000 pixels wide, so nothing that
// fits on a row is lost, and both lists at the cap stay within about 300 MB.
inline constexpr std::size_t kDisplayEntryLimit = 4096;

// What a list keeps of `entry`: the entry itself, or its head and " ... (N characters)".
std::string DisplayedEntry(const std::string& entry);

inline constexpr char kClearQuestion[] =
    "This operation will clear all data in the Decimal and Hexadecimal display window, do you "
    "wish to continue?";
inline constexpr char kEmptyLogQuestion[] =
    "This operation will totally erase all data in the Log File, do you wish to continue?";

class DisplaySink {
 public:
  // Records are stamped with `clock`'s time when one is given.
  DisplaySink(SimulatorState& state, DisplayView& view, const Clock* clock = nullptr)
      : state_(state), view_(view), clock_(clock) {}

  // Without lists (a run with no window) entries are counted and logged but not kept.
  void KeepNoLists() { keeps_lists_ = false; }
  bool KeepsLists() const { return keeps_lists_; }

  // Adds one entry to each list, dropping the oldest one of a list above the cap.
  void AppendDisplayEntry(const std::string& hex_entry, const std::string& decimal_entry);
  // Drops the oldest entry of each list that holds more than the cap.
  void TrimDisplayLists();
  void WriteTrafficLog(const std::string& line) { log_.Write(line); }
  // The lines of a burst of datagrams go out together once it is answered.
  void HoldTrafficLog() { log_.Hold(); }
  void ReleaseTrafficLog() { log_.Release(); }
  void ScrollDisplayToEnd();
  void ShowReceived();
  void ShowSent();

  const std::deque<std::string>& Entries(DisplayList list) const;
  std::optional<std::string> EntryAt(DisplayList list, std::size_t row) const;
  // The selected entries, each as one line ended by CR LF.
  std::string ClipboardText(DisplayList list, const std::vector<std::size_t>& rows) const;

  // "Clear ": true when the user agreed and the lists and counts were reset.
  bool Clear(Prompts& prompts);
  // "Save": writes the list to a file the user chooses. Throws when the file cannot be written.
  void SaveList(DisplayList list, Prompts& prompts, const std::string& initial_dir) const;
  // "Save All Data To Log File" was ticked or unticked.
  void SaveLogToFileClicked(bool ticked, Prompts& prompts, const std::string& initial_dir);
  // Logging on to `path`, as when that file was chosen after ticking the box.
  void StartLog(const std::string& path);
  // "Empty Log File".
  void EmptyLogFile(Prompts& prompts);
  void Timer1Timer() { log_.Tick(); }
  // At exit: the totals line and close, when logging is on.
  void CloseLog();

  // Every frame in and out goes to each observer, in the order they were added.
  void AddObserver(FrameObserver* observer) { observers_.push_back(observer); }
  void RemoveObserver(FrameObserver* observer) { std::erase(observers_, observer); }
  // Completes the record and publishes it. A frame in that is well-formed in the other format
  // says so once per spell of them, in the view and in the record's reason.
  void ReportFrame(FrameReport&& report);
  // A frame sent on the link the connection mode chooses; `reason` says why it is unusual.
  void ReportSent(std::string bytes, std::string reason = {}, std::string fault = {}) {
    FrameReport report;
    report.direction = FrameDirection::kOut;
    report.link = OutgoingLink(state_);
    report.bytes = std::move(bytes);
    report.reason = std::move(reason);
    report.fault = std::move(fault);
    if (report.link != LinkKind::kSerial) report.wire = std::move(state_.SentWire);
    state_.SentWire.clear();
    ReportFrame(std::move(report));
  }

  const TrafficLog& Log() const { return log_; }
  void SetLogFailureHandler(TrafficLog::FailureHandler handler) {
    log_.SetFailureHandler(std::move(handler));
  }

 private:
  void AppendTo(DisplayList list, const std::string& entry);
  void ShowCount(int panel, std::string_view label, std::int32_t count);
  std::deque<std::string>& Store(DisplayList list);

  SimulatorState& state_;
  DisplayView& view_;
  std::deque<std::string> decimal_;
  std::deque<std::string> hex_;
  TrafficLog log_;
  const Clock* clock_;
  std::vector<FrameObserver*> observers_;
  bool keeps_lists_ = true;
  bool in_mismatch_ = false;  // within a spell of frames in the other format
  std::string status_text_;
};

}  // namespace v7400
