// What the display sink needs from the window: list change notices (so a list model can follow
// the entry store), the auto-scroll box, selection, the status panels and the log controls.
#pragma once

#include <string>

namespace v7400 {

enum class DisplayList { kDecimal = 0, kHex = 1 };

class DisplayView {
 public:
  virtual ~DisplayView() = default;

  // Each change of an entry store is announced before it happens and confirmed after.
  virtual void BeginAppend(DisplayList list) = 0;
  virtual void EndAppend(DisplayList list) = 0;
  virtual void BeginRemoveFirst(DisplayList list) = 0;
  virtual void EndRemoveFirst(DisplayList list) = 0;
  virtual void BeginClear(DisplayList list) = 0;
  virtual void EndClear(DisplayList list) = 0;

  // The "Display Auto Scroll" box.
  virtual bool AutoScroll() const = 0;
  // Selects the last entry of a list and scrolls it into view.
  virtual void SelectLast(DisplayList list) = 0;

  // Status bar panel 0, 1 or 2.
  virtual void ShowStatus(int panel, const std::string& text) = 0;
  // False where no status bar is shown: its counts are then not written out for every frame.
  virtual bool ShowsStatus() const { return true; }

  // Frames arrive in the other format: the hint, or empty text once a frame fits again.
  virtual void ShowFormatHint(const std::string& hint) { (void)hint; }

  // The traffic log controls.
  virtual void SetLogChecked(bool checked) = 0;
  virtual void SetEmptyLogEnabled(bool enabled) = 0;
};

}  // namespace v7400
