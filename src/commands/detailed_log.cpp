#include "commands/detailed_log.h"

#include <cstdio>
#include <stdexcept>

#include "commands/number_text.h"
#include "core/output_file.h"
#include "display/display_text.h"

namespace v7400 {

void DetailedLog::Record(int line, const std::string& entry) {
  if (!enabled_) return;
  const std::optional<int> chosen = IntegerOf(edt_detailedlog);
  if (!chosen || *chosen != line) return;
  lines_.push_back(LogLine(entry));
  view_.AppendDetailedLog(lines_.back());
}

std::string DetailedLog::LogLine(const std::string& entry) const {
  return DateTimeStamp(clock_) + " " + std::to_string(clock_.TickMs()) + " RECE:" + entry;
}

void DetailedLog::cbx_EnableDetailedLogClick(bool ticked) {
  enabled_ = ticked;
  for (const PanelControl control :
       {PanelControl::edt_detailedlog, PanelControl::ud_detailedlog, PanelControl::memLog}) {
    panel_.SetEnabled(control, ticked);
  }
}

bool DetailedLog::edt_detailedlogExit() {
  const std::optional<int> line = IntegerOf(edt_detailedlog);
  if (line && *line >= 1 && *line <= 32) return true;
  prompts_.ShowError(kDetailedLogRange);
  panel_.FocusAndSelectAll(PanelControl::edt_detailedlog);
  return false;
}

void DetailedLog::Button1Click(const std::string& initial_dir) {
  FileDialogSpec dialog;
  dialog.title = "Save As";
  dialog.initial_dir = initial_dir;
  const std::optional<std::string> path = prompts_.AskSaveFile(dialog);
  if (path) WriteTextLines(*path, lines_);
}

void DetailedLog::Button2Click() {
  lines_.clear();
  view_.ClearDetailedLog();
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  std::string reason;
  if (!WholeFileProblem(path).empty()) throw std::runtime_error("Cannot create file \"" + path + "\"");
  if (!WriteWholeFile(path, text, reason)) {
    throw std::runtime_error("Cannot write file \"" + path + "\"");
  }
}

}  // namespace v7400
