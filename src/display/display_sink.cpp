#include "display/display_sink.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "codec/format_hint.h"
#include "core/output_file.h"
#include "display/frame_record.h"

namespace v7400 {

std::string DisplayedEntry(const std::string& entry) {
  if (entry.size() <= kDisplayEntryLimit) return entry;
  const std::string marker = " ... (" + std::to_string(entry.size()) + " characters)";
  std::string shown;
  shown.reserve(kDisplayEntryLimit + marker.size());
  shown.append(entry, 0, kDisplayEntryLimit).append(marker);
  return shown;
}

void DisplaySink::AppendDisplayEntry(const std::string& hex_entry,
                                     const std::string& decimal_entry) {
  if (!keeps_lists_) return;
  TrimDisplayLists();
  AppendTo(DisplayList::kHex, hex_entry);
  AppendTo(DisplayList::kDecimal, decimal_entry);
}

void DisplaySink::TrimDisplayLists() {
  for (const DisplayList list : {DisplayList::kDecimal, DisplayList::kHex}) {
    if (Store(list).size() > kDisplayCap) {
      view_.BeginRemoveFirst(list);
      Store(list).pop_front();
      view_.EndRemoveFirst(list);
    }
  }
}

void DisplaySink::AppendTo(DisplayList list, const std::string& entry) {
  view_.BeginAppend(list);
  Store(list).push_back(DisplayedEntry(entry));
  view_.EndAppend(list);
}

void DisplaySink::ScrollDisplayToEnd() {
  if (!view_.AutoScroll()) return;
  view_.SelectLast(DisplayList::kDecimal);
  view_.SelectLast(DisplayList::kHex);
}

void DisplaySink::ShowCount(int panel, std::string_view label, std::int32_t count) {
  // Written into one kept string: this runs twice for every frame answered.
  if (!view_.ShowsStatus()) return;
  char digits[16];
  char* const end = std::to_chars(digits, digits + sizeof digits, count).ptr;
  status_text_.assign(label).append(digits, end);
  view_.ShowStatus(panel, status_text_);
}

void DisplaySink::ShowReceived() { ShowCount(0, "Received: ", state_.ReceivedCount); }

void DisplaySink::ReportFrame(FrameReport&& report) {
  if (report.direction == FrameDirection::kIn && report.verdict != FrameVerdict::kIgnored) {
    const std::string hint = report.verdict == FrameVerdict::kAck
                                 ? std::string()
                                 : FormatMismatchHint(report.bytes, state_.Format,
                                                      static_cast<char>(state_.PackageEndChar));
    if (hint.empty() == in_mismatch_) {
      in_mismatch_ = !hint.empty();
      view_.ShowFormatHint(hint);
      if (in_mismatch_) report.reason = report.reason.empty() ? hint : report.reason + "; " + hint;
    }
  }
  if (observers_.empty()) return;
  CompleteRecord(report, state_.Format, clock_);
  for (FrameObserver* observer : observers_) observer->OnFrame(report);
}

void DisplaySink::ShowSent() { ShowCount(1, "Sent: ", state_.SentCount); }

const std::deque<std::string>& DisplaySink::Entries(DisplayList list) const {
  return list == DisplayList::kDecimal ? decimal_ : hex_;
}

std::deque<std::string>& DisplaySink::Store(DisplayList list) {
  return list == DisplayList::kDecimal ? decimal_ : hex_;
}

std::optional<std::string> DisplaySink::EntryAt(DisplayList list, std::size_t row) const {
  const auto& entries = Entries(list);
  if (row >= entries.size()) return std::nullopt;
  return entries[row];
}

std::string DisplaySink::ClipboardText(DisplayList list,
                                       const std::vector<std::size_t>& rows) const {
  std::vector<bool> selected(Entries(list).size(), false);
  for (const std::size_t row : rows) {
    if (row < selected.size()) selected[row] = true;
  }
  std::string text;
  for (std::size_t row = 0; row < selected.size(); ++row) {
    if (selected[row]) text += Entries(list)[row] + "\r\n";
  }
  return text;
}

bool DisplaySink::Clear(Prompts& prompts) {
  if (!prompts.Confirm(kClearQuestion)) return false;
  for (const DisplayList list : {DisplayList::kDecimal, DisplayList::kHex}) {
    view_.BeginClear(list);
    Store(list).clear();
    view_.EndClear(list);
  }
  state_.ReceivedCount = 0;
  state_.SentCount = 0;
  ShowReceived();
  ShowSent();
  return true;
}

void DisplaySink::SaveList(DisplayList list, Prompts& prompts,
                           const std::string& initial_dir) const {
  const bool decimal = list == DisplayList::kDecimal;
  FileDialogSpec dialog;
  dialog.title = decimal ? "Save Decimal Display as" : "Save Hexadecimal Display as";
  dialog.proposed_name = decimal ? "DecDisp.txt" : "HexDisp.txt";
  dialog.initial_dir = initial_dir;
  const std::optional<std::string> path = prompts.AskSaveFile(dialog);
  if (!path) return;
  std::string text;
  for (const std::string& entry : Entries(list)) text += entry + "\r\n";
  std::string reason;
  if (!WholeFileProblem(*path).empty()) throw std::runtime_error("Cannot create file \"" + *path + "\"");
  if (!WriteWholeFile(*path, text, reason)) {
    throw std::runtime_error("Cannot write file \"" + *path + "\"");
  }
}

void DisplaySink::SaveLogToFileClicked(bool ticked, Prompts& prompts,
                                       const std::string& initial_dir) {
  if (ticked) {
    FileDialogSpec dialog;
    dialog.title = "Select system log file";
    dialog.proposed_name = "V7400Log.txt";
    dialog.initial_dir = initial_dir;
    if (const std::optional<std::string> path = prompts.AskOpenFile(dialog)) {
      StartLog(*path);
      return;
    }
    view_.SetLogChecked(false);
  }
  CloseLog();
  view_.SetEmptyLogEnabled(false);
}

void DisplaySink::StartLog(const std::string& path) {
  view_.SetLogChecked(true);
  view_.SetEmptyLogEnabled(true);
  log_.Start(path);
}

void DisplaySink::EmptyLogFile(Prompts& prompts) {
  if (prompts.Confirm(kEmptyLogQuestion)) log_.Truncate();
}

void DisplaySink::CloseLog() { log_.Stop(state_.ReceivedCount, state_.SentCount); }

}  // namespace v7400
