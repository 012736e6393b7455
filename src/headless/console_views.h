// What the logic shows and asks, where nobody watches: the displays and the command panel keep
// nothing, a message goes to standard error, and the one file the logic asks for is the
// traffic log named on the command line.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "commands/command_views.h"
#include "core/display_view.h"
#include "core/prompts.h"

namespace v7400 {

class ConsoleViews : public DisplayView, public CommandPanelView, public StatisticsView {
 public:
  // DisplayView: the entries stay in the display sink's stores, which nobody reads.
  void BeginAppend(DisplayList) override {}
  void EndAppend(DisplayList) override {}
  void BeginRemoveFirst(DisplayList) override {}
  void EndRemoveFirst(DisplayList) override {}
  void BeginClear(DisplayList) override {}
  void EndClear(DisplayList) override {}
  bool AutoScroll() const override { return false; }
  void SelectLast(DisplayList) override {}
  void ShowStatus(int, const std::string&) override {}
  bool ShowsStatus() const override { return false; }
  void ShowFormatHint(const std::string& hint) override {
    if (!hint.empty()) std::fprintf(stderr, "v7400: the frame received %s\n", hint.c_str());
  }
  void SetLogChecked(bool) override {}
  void SetEmptyLogEnabled(bool) override {}
  // CommandPanelView.
  void SetEnabled(PanelControl, bool) override {}
  void SetVisible(PanelControl, bool) override {}
  void SetCaption(PanelControl, const std::string&) override {}
  void SetText(PanelControl, const std::string&) override {}
  void SetChecked(PanelControl, bool) override {}
  void FocusAndSelectAll(PanelControl) override {}
  void SetBatchTimer(bool, int) override {}
  // StatisticsView.
  void RepaintGrid() override {}
  void AppendDetailedLog(const std::string&) override {}
  void ClearDetailedLog() override {}
};

class ConsolePrompts : public Prompts {
 public:
  explicit ConsolePrompts(std::string log_path) : log_path_(std::move(log_path)) {}

  // Nobody can answer: every question is answered "No".
  bool Confirm(const std::string&) override { return false; }
  void ShowMessage(const std::string& text) override { Print(text); }
  void ShowError(const std::string& text) override { Print(text); }
  void ShowInformation(const std::string& text) override { Print(text); }
  std::optional<std::string> AskOpenFile(const FileDialogSpec&) override {
    if (log_path_.empty()) return std::nullopt;
    return log_path_;
  }
  std::optional<std::string> AskSaveFile(const FileDialogSpec&) override { return std::nullopt; }

 private:
  static void Print(const std::string& text) { std::fprintf(stderr, "v7400: %s\n", text.c_str()); }

  std::string log_path_;
};

}  // namespace v7400
