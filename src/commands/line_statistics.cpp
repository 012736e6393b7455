#include "commands/line_statistics.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "commands/number_text.h"

namespace v7400 {

namespace {

constexpr char kEventsLabel[] = "Total Received Events: ";
constexpr char kCommandsLabel[] = "Total Sent Commands: ";
constexpr char kFeedbacksLabel[] = "Total Received Feedbacks of Commands: ";
constexpr char kStatisticsCaption[] = "Statistics of Line";
constexpr char kSeparator[] = "---------------------------------";

// Markers of the receiver's replies to commands, by the bracket they start with.
constexpr std::array<std::string_view, 2> kOpeningMarkers = {"[NL", "[REJECT"};
constexpr std::array<std::string_view, 2> kClosingMarkers = {"]AAAA", "]NNNN"};

// Whether one of `markers`, all starting with `bracket`, stands anywhere in `entry`. The
// brackets are found with memchr, which costs less than string_view::find's loop here.
bool HasMarker(std::string_view entry, char bracket,
               const std::array<std::string_view, 2>& markers) {
  const char* const end = entry.data() + entry.size();
  for (const char* at = entry.data(); at < end; ++at) {
    at = static_cast<const char*>(std::memchr(at, bracket, static_cast<std::size_t>(end - at)));
    if (at == nullptr) break;
    const std::string_view rest(at, static_cast<std::size_t>(end - at));
    for (const std::string_view marker : markers) {
      // The letter after the bracket rules out most brackets ("[10]") without a comparison.
      if (rest.size() >= marker.size() && rest[1] == marker[1] && rest.starts_with(marker)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

// Called for every frame received: one pass for each bracket, not one for each marker.
bool IsFeedback(std::string_view entry) {
  return HasMarker(entry, '[', kOpeningMarkers) || HasMarker(entry, ']', kClosingMarkers);
}

int LineOfCell(int column, int row) { return row * kGridColumns + column + 1; }

Rgb ProgramStateColour(std::uint8_t program_state) {
  if (program_state >= 1 && program_state <= 3) return kProgrammingColour;
  if (program_state >= 4 && program_state <= 6) return kReservedStateColour;
  return kIdleColour;
}

std::vector<std::string> StatisticsFileLines(const SimulatorState& state) {
  std::vector<std::string> lines;
  std::int64_t commands = 0;
  std::int64_t feedbacks = 0;
  std::int64_t events = 0;
  for (int n = 1; n <= kLineCount; ++n) {
    const TLine& line = state.LineTable[static_cast<std::size_t>(n - 1)];
    lines.push_back("Line" + std::to_string(n));
    lines.push_back(kCommandsLabel + std::to_string(line.CommandsSent));
    lines.push_back(kFeedbacksLabel + std::to_string(line.FeedbacksReceived));
    lines.push_back(kEventsLabel + std::to_string(line.EventsReceived));
    lines.emplace_back();
    lines.emplace_back();
    commands += line.CommandsSent;
    feedbacks += line.FeedbacksReceived;
    events += line.EventsReceived;
  }
  lines.push_back(kSeparator);
  lines.push_back("All lines:");
  lines.push_back(kCommandsLabel + std::to_string(commands));
  lines.push_back(kFeedbacksLabel + std::to_string(feedbacks));
  lines.push_back(kEventsLabel + std::to_string(events));
  return lines;
}

void LineStatistics::CountReceived(int line, const std::string& entry,
                                   std::string_view frame_text) {
  TLine* record = FindLine(state_, line);
  if (record == nullptr) return;
  if (IsFeedback(frame_text)) {
    ++record->FeedbacksReceived;
  } else {
    ++record->EventsReceived;
  }
  log_.Record(line, entry);
}

void LineStatistics::UpdateLineOnCommand(const TCommand& command, const std::string& entry) {
  if (command.Line.empty()) return;
  const std::optional<int> n = IntegerOf(command.Line);
  if (TLine* record = n ? FindLine(state_, *n) : nullptr) {
    record->LastCommand = entry;
    ++record->CommandsSent;
    log_.Record(*n, entry);
  }
  Refresh();
}

void LineStatistics::dg_linestatusClick(int column, int row) {
  if (column >= 0 && column < kGridColumns && row >= 0 && row < kGridRows) {
    column_ = column;
    row_ = row;
  }
  Refresh();
}

void LineStatistics::Refresh() {
  const int n = SelectedLine();
  if (n != shown_.line || page_.edtLine != std::to_string(n)) {
    page_.edtLine = std::to_string(n);
    panel_.SetText(PanelControl::edtLine, page_.edtLine);
    ShowFigure(PanelControl::tsht_linelog, kStatisticsCaption, n, shown_.line);
  }
  const TLine& line = *FindLine(state_, n);
  ShowCounts(line.EventsReceived, line.CommandsSent, line.FeedbacksReceived);
}

void LineStatistics::ShowCounts(std::int64_t events, std::int64_t commands,
                                std::int64_t feedbacks) {
  ShowFigure(PanelControl::lbl_totalevents, kEventsLabel, events, shown_.events);
  ShowFigure(PanelControl::lbl_totalcommands, kCommandsLabel, commands, shown_.commands);
  ShowFigure(PanelControl::lbl_totalfeedbacks, kFeedbacksLabel, feedbacks, shown_.feedbacks);
}

void LineStatistics::ShowFigure(PanelControl caption, const char* label, std::int64_t value,
                                std::int64_t& shown) {
  if (value == shown) return;
  shown = value;
  panel_.SetCaption(caption, label + std::to_string(value));
}

CellPaint LineStatistics::dg_linestatusDrawCell(int column, int row) const {
  CellPaint paint;
  paint.line = LineOfCell(column, row);
  paint.text = std::to_string(paint.line);
  const TLine* line = FindLine(state_, paint.line);
  paint.fill = ProgramStateColour(line != nullptr ? line->ProgramState : 0);
  return paint;
}

void LineStatistics::btn_SaveClick(const std::string& initial_dir) {
  FileDialogSpec dialog;
  dialog.title = "Save As";
  dialog.initial_dir = initial_dir;
  const std::optional<std::string> path = prompts_.AskSaveFile(dialog);
  if (!path) return;
  try {
    WriteTextLines(*path, StatisticsFileLines(state_));
  } catch (const std::runtime_error&) {
    // The statistics file is written on a best-effort basis; nothing is reported.
  }
}

void LineStatistics::btnClearLogClick() {
  for (TLine& line : state_.LineTable) {
    line.CommandsSent = 0;
    line.EventsReceived = 0;
    line.FeedbacksReceived = 0;
  }
  ShowCounts(0, 0, 0);
}

}  // namespace v7400
