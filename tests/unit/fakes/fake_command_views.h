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
  void SetEnabled(PanelControl control, bool enabled) override { enabled_[control] = enabled; }
  void SetVisible(PanelControl control, bool visible) override { visible_[control] = visible; }
  void SetCaption(PanelControl control, const std::string& caption) override {
    captions[control] = caption;
  }
  void SetText(PanelControl control, const std::string& text) override { texts[control] = text; }
  void SetChecked(PanelControl control, bool checked) override { checked_[control] = checked; }
  void FocusAndSelectAll(PanelControl control) override { focused.push_back(control); }
  void SetBatchTimer(bool enabled, int interval_ms) override {
    timer_enabled = enabled;
    timer_interval_ms = interval_ms;
  }

  // True/false when set, and `fallback` when the logic never touched the control.
  bool Enabled(PanelControl control, bool fallback = true) const {
    return Get(enabled_, control, fallback);
  }
  bool Visible(PanelControl control, bool fallback = false) const {
    return Get(visible_, control, fallback);
  }
  bool Checked(PanelControl control, bool fallback = false) const {
    return Get(checked_, control, fallback);
  }
  std::string Caption(PanelControl control) const {
    const auto it = captions.find(control);
    return it == captions.end() ? std::string() : it->second;
  }

  std::map<PanelControl, std::string> captions;
  std::map<PanelControl, std::string> texts;
  std::vector<PanelControl> focused;
  bool timer_enabled = false;
  int timer_interval_ms = 0;

 private:
  static bool Get(const std::map<PanelControl, bool>& map, PanelControl control, bool fallback) {
    const auto it = map.find(control);
    return it == map.end() ? fallback : it->second;
  }
  std::map<PanelControl, bool> enabled_;
  std::map<PanelControl, bool> visible_;
  std::map<PanelControl, bool> checked_;
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
class FakeRandom : public RandomChoice {
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
