#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "commands/command_views.h"

namespace v7400::testing {

// Keeps the last state the logic gave each control.
class FakeCommandPanelView : public CommandPanelView {
 public:
  void SetEnabled(Control control, bool enabled) override { enabled_[control] = enabled; }
  void SetVisible(Control control, bool visible) override { visible_[control] = visible; }
  void SetCaption(Control control, const std::string& caption) override {
    captions[control] = caption;
  }
  void SetText(Control control, const std::string& text) override { texts[control] = text; }
  void SetChecked(Control control, bool checked) override { checked_[control] = checked; }
  void FocusAndSelectAll(Control control) override { focused.push_back(control); }
  void SetBatchTimer(bool enabled, int interval_ms) override {
    timer_enabled = enabled;
    timer_interval_ms = interval_ms;
  }

  // True/false when set, and `fallback` when the logic never touched the control.
  bool Enabled(Control control, bool fallback = true) const {
    return Get(enabled_, control, fallback);
  }
  bool Visible(Control control, bool fallback = false) const {
    return Get(visible_, control, fallback);
  }
  bool Checked(Control control, bool fallback = false) const {
    return Get(checked_, control, fallback);
  }
  std::string Caption(Control control) const {
    const auto it = captions.find(control);
    return it == captions.end() ? std::string() : it->second;
  }

  std::map<Control, std::string> captions;
  std::map<Control, std::string> texts;
  std::vector<Control> focused;
  bool timer_enabled = false;
  int timer_interval_ms = 0;

 private:
  static bool Get(const std::map<Control, bool>& map, Control control, bool fallback) {
    const auto it = map.find(control);
    return it == map.end() ? fallback : it->second;
  }
  std::map<Control, bool> enabled_;
  std::map<Control, bool> visible_;
  std::map<Control, bool> checked_;
};

class FakeStatisticsView : public StatisticsView {
 public:
  void RepaintGrid() override { ++repaints; }
  void AppendDetailedLog(const std::string& line) override { log.push_back(line); }
  void ClearDetailedLog() override { log.clear(); }

  int repaints = 0;
  std::vector<std::string> log;
};

// Hands out the queued draws, then 0.
class FakeRandom : public RandomSource {
 public:
  int Draw(int count) override {
    counts.push_back(count);
    if (draws.empty()) return 0;
    const int value = draws.front();
    draws.pop_front();
    return value;
  }
  std::deque<int> draws;
  std::vector<int> counts;
};

}  // namespace v7400::testing
