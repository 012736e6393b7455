// Per-line counts of events, commands and feedbacks, the statistics page that shows the line
// selected in the grid, the statistics file and the look of the line grid.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_page.h"
#include "commands/command_views.h"
#include "commands/detailed_log.h"
#include "core/prompts.h"
#include "core/simulator_state.h"

namespace v7400 {

inline constexpr int kGridColumns = 8;
inline constexpr int kGridRows = 4;

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kProgrammingColour{0, 255, 0};
inline constexpr Rgb kReservedStateColour{255, 255, 0};
inline constexpr Rgb kIdleColour{128, 128, 128};
inline constexpr Rgb kLineNumberColour{0, 0, 255};

// How one grid cell is painted: filled, then its line number written at (2, 2) of the cell.
struct CellPaint {
  int line = 0;
  Rgb fill;
  Rgb text_colour = kLineNumberColour;
  std::string text;
  int text_x = 2;
  int text_y = 2;
};

// The line a grid cell stands for: row 0 holds lines 1 to 8, row 3 lines 25 to 32.
int LineOfCell(int column, int row);

// Whether a decimal display entry is the receiver's reply to a command (else it is an event).
bool IsFeedback(std::string_view entry);
// Green for an exchange in progress (1 to 3), yellow for 4 to 6, grey otherwise.
Rgb ProgramStateColour(std::uint8_t program_state);
// The statistics file: six lines per line, then the separator and the sums over all lines.
std::vector<std::string> StatisticsFileLines(const SimulatorState& state);

class LineStatistics {
 public:
  LineStatistics(SimulatorState& state, CommandPage& page, DetailedLog& log,
                 CommandPanelView& panel, StatisticsView& view, Prompts& prompts)
      : state_(state), page_(page), log_(log), panel_(panel), view_(view), prompts_(prompts) {}

  // Counts a received packet as event or feedback of its line (told by `frame_text`, the frame
  // as rendered without its answer) and writes the detailed log. A line outside 1 to 32 is not
  // counted.
  void CountReceived(int line, const std::string& entry, std::string_view frame_text);
  // Bookkeeping of a sent line-specific command, then the statistics refresh.
  void UpdateLineOnCommand(const TCommand& command, const std::string& entry);

  // The grid's selected cell changed (the window passes it), or a refresh was asked for.
  void dg_linestatusClick(int column, int row);
  void Refresh();
  CellPaint dg_linestatusDrawCell(int column, int row) const;
  void tmr_drawgridTimer() { view_.RepaintGrid(); }

  // Writes the statistics file the user chooses; failures go unreported.
  void btn_SaveClick(const std::string& initial_dir);
  void btnClearLogClick();

  int SelectedLine() const { return LineOfCell(column_, row_); }
  int SelectedColumn() const { return column_; }
  int SelectedRow() const { return row_; }

 private:
  void ShowCounts(std::int64_t events, std::int64_t commands, std::int64_t feedbacks);
  // Refreshed on every frame, so a caption is only set again when its figure changed.
  void ShowFigure(PanelControl caption, const char* label, std::int64_t value,
                  std::int64_t& shown);

  SimulatorState& state_;
  CommandPage& page_;
  DetailedLog& log_;
  CommandPanelView& panel_;
  StatisticsView& view_;
  Prompts& prompts_;
  int column_ = 0;
  int row_ = 0;
  struct ShownFigures {
    std::int64_t line = -1;
    std::int64_t events = -1;
    std::int64_t commands = -1;
    std::int64_t feedbacks = -1;
  };
  ShownFigures shown_;  // what the captions show
};

}  // namespace v7400
