#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/display_view.h"

namespace v7400::testing {

// Records what the sink tells the window; checks that every change is announced and confirmed.
class FakeDisplayView : public DisplayView {
 public:
  void BeginAppend(DisplayList list) override { Begin(list); }
  void EndAppend(DisplayList list) override {
    End(list);
    ++appends[Index(list)];
  }
  void BeginRemoveFirst(DisplayList list) override { Begin(list); }
  void EndRemoveFirst(DisplayList list) override {
    End(list);
    ++removals[Index(list)];
  }
  void BeginClear(DisplayList list) override { Begin(list); }
  void EndClear(DisplayList list) override { End(list); }
  bool AutoScroll() const override { return auto_scroll; }
  void SelectLast(DisplayList list) override { selected_last.push_back(list); }
  void ShowStatus(int panel, const std::string& text) override { status.at(panel) = text; }
  void ShowFormatHint(const std::string& hint) override { hints.push_back(hint); }
  void SetLogChecked(bool checked) override { log_checked = checked; }
  void SetEmptyLogEnabled(bool enabled) override { empty_log_enabled = enabled; }

  static int Index(DisplayList list) { return list == DisplayList::kDecimal ? 0 : 1; }

  bool auto_scroll = true;
  std::vector<DisplayList> selected_last;
  std::vector<std::string> hints;
  std::array<std::string, 3> status{"Received: 0", "Sent: 0", "COM settings:"};
  std::array<int, 2> appends{0, 0};
  std::array<int, 2> removals{0, 0};
  std::array<bool, 2> open{false, false};
  bool unbalanced = false;
  bool log_checked = false;
  bool empty_log_enabled = false;

 private:
  void Begin(DisplayList list) {
    unbalanced = unbalanced || open[Index(list)];
    open[Index(list)] = true;
  }
  void End(DisplayList list) {
    unbalanced = unbalanced || !open[Index(list)];
    open[Index(list)] = false;
  }
};

}  // namespace v7400::testing
