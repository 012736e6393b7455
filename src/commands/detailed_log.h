// The optional running log of everything sent to or received from one chosen line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/command_views.h"
#include "core/clock.h"
#include "core/prompts.h"

namespace v7400 {

inline constexpr char kDetailedLogRange[] = "Expecting value from 1 to 32";

class DetailedLog {
 public:
  DetailedLog(const Clock& clock, CommandPanelView& panel, StatisticsView& view, Prompts& prompts)
      : clock_(clock), panel_(panel), view_(view), prompts_(prompts) {}

  // The window writes the field here as the user types.
  std::string edt_detailedlog = "1";

  bool Enabled() const { return enabled_; }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Appends the entry when the log is on and its line field names line n. A field that holds
  // no number records nothing.
  void Record(int line, const std::string& entry);
  // The line recorded for an entry: date and time, tick, " RECE:", entry.
  std::string LogLine(const std::string& entry) const;

  void cbx_EnableDetailedLogClick(bool ticked);
  // True when the field holds a line number; otherwise tells the user and refocuses the field.
  bool edt_detailedlogExit();
  // Saves the log to a file the user chooses. Throws when the file cannot be written.
  void Button1Click(const std::string& initial_dir);
  void Button2Click();

 private:
  const Clock& clock_;
  CommandPanelView& panel_;
  StatisticsView& view_;
  Prompts& prompts_;
  bool enabled_ = false;
  std::vector<std::string> lines_;
};

// Writes the lines, each ended by CR LF. Throws std::runtime_error when that fails.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace v7400
